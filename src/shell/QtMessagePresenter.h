// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "shell/MessagePresenter.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace shell {

// Shows message boxes with Qt: a modal QMessageBox that stays on top of top-most windows, texts
// converted from the code page, buttons, icon and default button from the system flags, and the
// answer as the system's number. When no box can be shown (no QApplication, Qt's "offscreen" or
// "minimal" platform, headless run, application closing down) the box is logged and answered with
// its default button.
//
// Any thread may call Show. On a thread other than the GUI thread the box runs on the GUI thread
// through a blocking queued call, so the GUI thread must be running its event loop and must not
// be waiting for the calling thread.
class QtMessagePresenter final : public MessagePresenter {
public:
    explicit QtMessagePresenter(bool headless);

    std::int32_t Show(const std::string& caption, const std::string& text,
                      std::uint32_t flags) override;

    // For tests: show real boxes even on the offscreen and minimal platforms (never when
    // headless was asked for or there is no QApplication).
    void SetForceShow(bool force) { m_forceShow = force; }
    bool CanShowDialogs() const override { return CanShow(); }

private:
    bool CanShow() const;

    bool m_headless;
    std::atomic<bool> m_forceShow{false};
};

} // namespace shell
