// Quorva run-time. Licensed under the MIT licence.
#include "screens/ScreenGlobals.h"

#include "shell/Dictionary.h"

namespace screens {

ScreenGlobals& Globals()
{
    static ScreenGlobals globals;
    return globals;
}

std::string DisplayText(std::string_view raw)
{
    shell::Dictionary* dictionary = Globals().dictionary;
    if (dictionary == nullptr)
        return std::string(raw);
    std::string translated = dictionary->Translate(raw);
    return translated.empty() ? std::string(raw) : translated;
}

} // namespace screens
