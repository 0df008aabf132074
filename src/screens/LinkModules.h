// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <QObject>
#include <QString>

#include <string>

class QWidget;

// The media player and the web browser live in modules loaded when a unit first asks for them:
// their Qt libraries are large, and a panel without them still runs every project that does not
// play media or show web pages. A module exports one factory of the interface below; the
// run-time checks the interface version before it uses it.
namespace screens {

inline constexpr int kLinkModuleVersion = 1;

// A media player shown in a host widget (a figure): it fills the host. Positions in
// milliseconds. All calls on the GUI thread.
class MediaPlayer : public QObject {
public:
    ~MediaPlayer() override = default;
    // Opens a media file and waits (servicing events, at most `waitMilliseconds`) until its
    // length is known; false with the reason in `error` when it cannot be played.
    virtual bool Open(const QString& path, int waitMilliseconds, QString& error) = 0;
    virtual void SetStretched(bool stretched) = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;
    // Stops where it is: the position is kept.
    virtual void Stop() = 0;
    virtual void Seek(qint64 milliseconds) = 0;
    virtual qint64 Position() const = 0;
    virtual qint64 Length() const = 0;
    virtual bool Playing() const = 0;
    virtual bool Paused() const = 0;
    virtual bool AtEnd() const = 0;
    // The length of one video frame (from the media's frame rate), or 0 without video.
    virtual qint64 FrameMilliseconds() const = 0;
};

// A web browser shown in a host widget, filling it.
class WebBrowser : public QObject {
public:
    ~WebBrowser() override = default;
    virtual void Navigate(const QString& url) = 0;
    virtual void Back() = 0;
    virtual void Forward() = 0;
    virtual void Reload() = 0;
    virtual void Stop() = 0;
    // Looks for the text in the page and selects the next match.
    virtual void Find(const QString& text) = 0;
    // Shows the find bar above the page (the operator types the text; Return finds the next
    // match, Escape hides the bar).
    virtual void ShowFindBar() = 0;
    virtual QString Url() const = 0;
    virtual QString Title() const = 0;
    virtual bool Loading() const = 0;
    virtual bool CanGoBack() const = 0;
    virtual bool CanGoForward() const = 0;
};

// The factories the modules export, by these names, with C linkage:
//   int quorva_link_module_version();
//   screens::MediaPlayer* quorva_create_media_player(QWidget* host);   (module "quorva_media")
//   screens::WebBrowser* quorva_create_web_browser(QWidget* host);     (module "quorva_web")
// The object they return is a child of the host: it goes with it.
using MediaPlayerFactory = MediaPlayer* (*)(QWidget* host);
using WebBrowserFactory = WebBrowser* (*)(QWidget* host);

// Loads module `name` (once) and returns its symbol `symbol`, or null when the module or the
// symbol is missing or its version differs; the reason is logged once per module. Modules are
// looked for in $QUORVA_MODULE_DIR, beside the executable's lib/quorva directory, then in the
// build tree's module directory.
void* LinkModuleSymbol(const std::string& name, const char* symbol);

} // namespace screens
