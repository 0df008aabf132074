// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <map>

#include "screens/LinkModules.h"

namespace screens {

// The web browsers units made, by handle (1, 2, ... never reused within a run). A browser goes
// with the window it was made in; its handle then finds nothing. GUI thread.
class WebBrowsers {
public:
    // Makes a browser filling `host`; its handle, or 0 when the web module is not available.
    std::int32_t Create(QWidget& host);
    WebBrowser* Find(std::int32_t handle) const;
    // The browser's home page: the first page it was sent to (empty before that).
    QString Home(std::int32_t handle) const;
    void NoteNavigation(std::int32_t handle, const QString& url);
    void Clear() { m_browsers.clear(); }

private:
    struct Entry {
        QPointer<WebBrowser> browser;
        QString home;
    };
    std::map<std::int32_t, Entry> m_browsers;
    std::int32_t m_lastHandle = 0;
};

// Chromium, under the web module, refuses to run as root with its sandbox and needs its GPU
// process off where there is no display: sets the environment it reads at its start, unless
// the user set it, and logs what it set. Idempotent.
void PrepareWebEngineEnvironment();

} // namespace screens
