// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <atomic>
#include <string>
#include <string_view>

namespace shell {
class Dictionary;
class ProjectPackage;
} // namespace shell

namespace screens {

// The process-wide state of the screens, in one place. Written on the GUI thread; flags that
// other threads read are atomic. The package and the dictionary are the run-time context's,
// set once at start-up (tests set their own); null means none (no translation, disk files only).
struct ScreenGlobals {
    // Raised when a figure's fore or back colour or filled flag changes; whoever redraws copies
    // of the screens clears it.
    std::atomic<bool> screenChanged{false};
    const shell::ProjectPackage* package = nullptr;
    shell::Dictionary* dictionary = nullptr;

    void Reset()
    {
        screenChanged = false;
        package = nullptr;
        dictionary = nullptr;
    }
};

ScreenGlobals& Globals();

// The text shown for a figure's raw text: its translation, or the raw text when the
// translation is empty or there is no dictionary. Code-page bytes.
std::string DisplayText(std::string_view raw);

} // namespace screens
