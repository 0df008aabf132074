// Quorva run-time. Licensed under the MIT licence.
#include "screens/WebBrowsers.h"

#include "platform/Log.h"

#include <QGuiApplication>

#include <cstdlib>
#include <unistd.h>

namespace screens {

void PrepareWebEngineEnvironment() {
    static bool prepared = false;
    if (prepared)
        return;
    prepared = true;
    if (geteuid() == 0 && std::getenv("QTWEBENGINE_DISABLE_SANDBOX") == nullptr) {
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
        platform::LogInfo("web browser: running as root, the web engine's sandbox is off");
    }
    if (QGuiApplication::platformName() == QLatin1String("offscreen") &&
        std::getenv("QTWEBENGINE_CHROMIUM_FLAGS") == nullptr) {
        setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu", 0);
        platform::LogInfo("web browser: no display, the web engine draws without a GPU");
    }
}

std::int32_t WebBrowsers::Create(QWidget& host) {
    auto create = reinterpret_cast<WebBrowserFactory>(
        LinkModuleSymbol("quorva_web", "quorva_create_web_browser"));
    if (create == nullptr)
        return 0;
    PrepareWebEngineEnvironment();
    WebBrowser* browser = create(&host);
    if (browser == nullptr)
        return 0;
    m_browsers[++m_lastHandle] = Entry{browser, {}};
    return m_lastHandle;
}

WebBrowser* WebBrowsers::Find(std::int32_t handle) const {
    const auto found = m_browsers.find(handle);
    return found == m_browsers.end() ? nullptr : found->second.browser.data();
}

QString WebBrowsers::Home(std::int32_t handle) const {
    const auto found = m_browsers.find(handle);
    return found == m_browsers.end() ? QString() : found->second.home;
}

void WebBrowsers::NoteNavigation(std::int32_t handle, const QString& url) {
    const auto found = m_browsers.find(handle);
    if (found != m_browsers.end() && found->second.home.isEmpty())
        found->second.home = url;
}

} // namespace screens
