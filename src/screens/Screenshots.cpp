// Quorva run-time. Licensed under the MIT licence.
#include "screens/Screenshots.h"

#include <filesystem>
#include <set>

#include <QPixmap>

#include "platform/Log.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"

namespace screens {

std::vector<std::string> WriteScreenshots(const std::string& directory, const std::string& suffix)
{
    std::vector<std::string> written;
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error) {
        platform::LogError("screenshots: cannot make {}: {}", directory, error.message());
        return written;
    }
    std::set<ScreenForm*> seen;
    Globals().screenUnits.ForEach([&](ScreenUnitRecord& record) {
        ScreenForm* window = record.window.data();
        if (window == nullptr || !seen.insert(window).second)
            return;
        const std::filesystem::path path =
            std::filesystem::path(directory) / (window->ScreenName() + suffix + ".png");
        const QPixmap image = window->grab();
        // Written under another name, then renamed: whoever watches the directory (a test, a
        // monitoring tool) never reads a half-written picture.
        std::filesystem::path partial = path;
        partial += ".part";
        if (image.isNull() || !image.save(QString::fromStdString(partial.string()), "PNG")) {
            platform::LogError("screenshots: cannot write {}", path.string());
            std::filesystem::remove(partial, error);
            return;
        }
        std::filesystem::rename(partial, path, error);
        if (error) {
            platform::LogError("screenshots: cannot write {}: {}", path.string(), error.message());
            std::filesystem::remove(partial, error);
            return;
        }
        written.push_back(path.string());
    });
    return written;
}

} // namespace screens
