// Quorva run-time. Licensed under the MIT licence.
#include "runtime/WebCommands.h"

#include "platform/CodePage.h"
#include "platform/Log.h"
#include "platform/PathMap.h"
#include "runtime/RuntimeLibrary.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/WebBrowsers.h"

#include <QFileInfo>
#include <QUrl>

#include <initializer_list>
#include <string>

namespace runtime {
namespace screencmd {
namespace {

screens::WebBrowser* Browser(std::int32_t handle) {
    return screens::Globals().webBrowsers.Find(handle);
}

// An address stays as written; a name of an existing project file becomes that file's path.
QString Address(ShortString url) {
    const std::string text(url.View());
    const bool hasScheme = text.find("://") != std::string::npos ||
                           text.rfind("about:", 0) == 0 || text.rfind("data:", 0) == 0;
    if (!hasScheme) {
        const std::string path = platform::HostPath(url.View());
        if (QFileInfo::exists(QString::fromStdString(path)))
            return QUrl::fromLocalFile(QFileInfo(QString::fromStdString(path)).absoluteFilePath())
                .toString();
    }
    return QString::fromStdString(platform::CodePageToUtf8(url.View()));
}

} // namespace

std::int32_t WebBrowserCreate() {
    screens::ScreenForm* window = screens::Globals().currentWindow.data();
    if (window == nullptr) {
        platform::LogWarning("WEBBROWSERCREATE: no current window to show the browser in");
        return 0;
    }
    QWidget* area = window->centralWidget() ? window->centralWidget() : window;
    return screens::Globals().webBrowsers.Create(*area);
}

void WebNavigate(std::int32_t browser, ShortString url) {
    screens::WebBrowser* target = Browser(browser);
    if (target == nullptr || url.Empty())
        return;
    const QString address = Address(url);
    screens::Globals().webBrowsers.NoteNavigation(browser, address);
    target->Navigate(address);
}

void WebGoBack(std::int32_t browser) {
    if (screens::WebBrowser* target = Browser(browser))
        target->Back();
}

void WebGoForward(std::int32_t browser) {
    if (screens::WebBrowser* target = Browser(browser))
        target->Forward();
}

void WebGoHome(std::int32_t browser) {
    screens::WebBrowser* target = Browser(browser);
    const QString home = screens::Globals().webBrowsers.Home(browser);
    if (target != nullptr && !home.isEmpty())
        target->Navigate(home);
}

void WebGoSearch(std::int32_t browser) { WebGoHome(browser); }

void WebRefresh(std::int32_t browser) {
    if (screens::WebBrowser* target = Browser(browser))
        target->Reload();
}

void WebStop(std::int32_t browser) {
    if (screens::WebBrowser* target = Browser(browser))
        target->Stop();
}

void WebSearch(std::int32_t browser) {
    if (screens::WebBrowser* target = Browser(browser))
        target->ShowFindBar();
}

} // namespace screencmd

platform::Status AddWebCommands(Implementations& implementations) {
    using namespace screencmd;
    Implementations& in = implementations;
    for (const platform::Status& added : {
             in.Add<&WebBrowserCreate>("WEBBROWSERCREATE"),
             in.Add<&WebNavigate>("WEBNAVIGATE"),
             in.Add<&WebGoBack>("WEBGOBACK"),
             in.Add<&WebGoForward>("WEBGOFORWARD"),
             in.Add<&WebGoHome>("WEBGOHOME"),
             in.Add<&WebGoSearch>("WEBGOSEARCH"),
             in.Add<&WebRefresh>("WEBREFRESH"),
             in.Add<&WebStop>("WEBSTOP"),
             in.Add<&WebSearch>("WEBSEARCH"),
         }) {
        if (!added)
            return added;
    }
    return {};
}

} // namespace runtime
