// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "shell/Dictionary.h"
#include "shell/MessagePresenter.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace shell {

// The answers of the buttons that a box with these flags shows, left to right. A button set the
// system does not define (6..15) shows OK alone.
std::vector<std::int32_t> ButtonAnswers(std::uint32_t flags);
// Position of the default button among ButtonAnswers(flags): the first, second or third as the
// flags say; the first when the flags name a button the box does not have.
std::size_t DefaultButtonIndex(std::uint32_t flags);
// "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"; "answer N" for any other number.
std::string AnswerName(std::int32_t answer);

// Writes the box to the log (warning level: caption, text and the answer given, converted to
// UTF-8) and returns its default answer. What every presenter does when nothing can be shown.
std::int32_t LogMessageBox(const std::string& caption, const std::string& text,
                           std::uint32_t flags);

// Logs and answers with the default button, never shows anything: for runs without a display.
// Stateless; any thread may call it.
class LoggingMessagePresenter final : public MessagePresenter {
public:
    std::int32_t Show(const std::string& caption, const std::string& text,
                      std::uint32_t flags) override {
        return LogMessageBox(caption, text, flags);
    }
};

// The translated message boxes that the whole run-time uses: caption and text pass through the
// dictionary, then the presenter shows the box. Holds references to the dictionary and the
// presenter, which outlive it. Callable from any thread that the presenter accepts (the Qt
// presenter accepts all).
class MessageBoxes {
public:
    MessageBoxes(Dictionary& dictionary, MessagePresenter& presenter);

    // Shows a modal box with the system flags (buttons, icon, default button) and returns the
    // answer of the button pressed.
    std::int32_t MessageBoxTranslated(std::string_view caption, std::string_view text,
                                      std::uint32_t flags);
    // Information icon and OK (flags 64).
    void InfoBox(std::string_view caption, std::string_view text);
    // Error icon and OK (flags 16).
    void ErrorBox(std::string_view caption, std::string_view text);

    MessagePresenter& Presenter() { return m_presenter; }

private:
    Dictionary& m_dictionary;
    MessagePresenter& m_presenter;
};

} // namespace shell
