// Quorva run-time. Licensed under the MIT licence.
#include "shell/MessageBoxes.h"
#include "platform/CpuEngine.h"

#include "platform/CodePage.h"
#include "platform/Log.h"

namespace shell {

std::vector<std::int32_t> ButtonAnswers(std::uint32_t flags) {
    switch (flags & mb::ButtonMask) {
    case mb::OkCancel:
        return {answer::Ok, answer::Cancel};
    case mb::AbortRetryIgnore:
        return {answer::Abort, answer::Retry, answer::Ignore};
    case mb::YesNoCancel:
        return {answer::Yes, answer::No, answer::Cancel};
    case mb::YesNo:
        return {answer::Yes, answer::No};
    case mb::RetryCancel:
        return {answer::Retry, answer::Cancel};
    default:
        return {answer::Ok};
    }
}

std::size_t DefaultButtonIndex(std::uint32_t flags) {
    const std::size_t index = (flags & mb::DefaultButtonMask) >> 8;
    return index < ButtonAnswers(flags).size() ? index : 0;
}

std::int32_t DefaultAnswer(std::uint32_t flags) {
    return ButtonAnswers(flags)[DefaultButtonIndex(flags)];
}

std::string AnswerName(std::int32_t answer) {
    switch (answer) {
    case answer::Ok:
        return "OK";
    case answer::Cancel:
        return "Cancel";
    case answer::Abort:
        return "Abort";
    case answer::Retry:
        return "Retry";
    case answer::Ignore:
        return "Ignore";
    case answer::Yes:
        return "Yes";
    case answer::No:
        return "No";
    default:
        return "answer " + std::to_string(answer);
    }
}

std::int32_t LogMessageBox(const std::string& caption, const std::string& text,
                           std::uint32_t flags) {
    const std::int32_t answer = DefaultAnswer(flags);
    // One log line per box: line breaks of the text become spaces.
    std::string oneLine = platform::CodePageToUtf8(text);
    for (char& c : oneLine)
        if (c == '\r' || c == '\n')
            c = ' ';
    platform::LogWarning("message box \"{}\": {} [answered {}]", platform::CodePageToUtf8(caption),
                         oneLine, AnswerName(answer));
    return answer;
}

MessageBoxes::MessageBoxes(Dictionary& dictionary, MessagePresenter& presenter)
    : m_dictionary(dictionary), m_presenter(presenter) {}

std::int32_t MessageBoxes::MessageBoxTranslated(std::string_view caption, std::string_view text,
                                                std::uint32_t flags) {
    const std::string translatedCaption = m_dictionary.Translate(caption);
    const std::string translatedText = m_dictionary.Translate(text);
    // The operator's time is not the calling unit's.
    const platform::HostWait wait;
    return m_presenter.Show(translatedCaption, translatedText, flags);
}

void MessageBoxes::InfoBox(std::string_view caption, std::string_view text) {
    MessageBoxTranslated(caption, text, mb::IconInformation | mb::Ok);
}

void MessageBoxes::ErrorBox(std::string_view caption, std::string_view text) {
    MessageBoxTranslated(caption, text, mb::IconError | mb::Ok);
}

} // namespace shell
