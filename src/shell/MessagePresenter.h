// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string>

namespace shell {

// Message-box flags and answers, with the numbers that projects and unit code use.
namespace mb {
constexpr std::uint32_t Ok = 0x0;
constexpr std::uint32_t OkCancel = 0x1;
constexpr std::uint32_t AbortRetryIgnore = 0x2;
constexpr std::uint32_t YesNoCancel = 0x3;
constexpr std::uint32_t YesNo = 0x4;
constexpr std::uint32_t RetryCancel = 0x5;
constexpr std::uint32_t ButtonMask = 0xF;
constexpr std::uint32_t IconError = 0x10;
constexpr std::uint32_t IconQuestion = 0x20;
constexpr std::uint32_t IconWarning = 0x30;
constexpr std::uint32_t IconInformation = 0x40;
constexpr std::uint32_t IconMask = 0xF0;
constexpr std::uint32_t DefaultButton2 = 0x100;
constexpr std::uint32_t DefaultButton3 = 0x200;
constexpr std::uint32_t DefaultButtonMask = 0xF00;
} // namespace mb

namespace answer {
constexpr std::int32_t Ok = 1;
constexpr std::int32_t Cancel = 2;
constexpr std::int32_t Abort = 3;
constexpr std::int32_t Retry = 4;
constexpr std::int32_t Ignore = 5;
constexpr std::int32_t Yes = 6;
constexpr std::int32_t No = 7;
} // namespace answer

// The answer a box with these flags gives when its default button is taken.
std::int32_t DefaultAnswer(std::uint32_t flags);

// Shows a modal message box and returns the button pressed. Caption and text are bytes of the
// system code page. Implementations: on screen with Qt, or logged and answered with the default
// button when nothing can be shown. Called on the GUI thread, or on the scan thread for the
// boxes that runtime functions raise.
class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;
    virtual std::int32_t Show(const std::string& caption, const std::string& text,
                              std::uint32_t flags) = 0;
    // Whether a dialog that waits for the operator can be shown: never without a display,
    // where nobody could answer it.
    virtual bool CanShowDialogs() const { return false; }
};

} // namespace shell
