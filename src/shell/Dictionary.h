// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "shell/DictionaryFile.h"

#include <array>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace shell {

// The language number (1..6) of the process locale, from LC_ALL, else LC_MESSAGES, else LANG
// (the first that is set and not empty): de -> 4, en -> 2, es -> 5, fr -> 1, it -> 3, any other
// language (and "C", "POSIX", nothing set) -> 6.
int LanguageFromLocale();

// The project's language dictionary: the entries of "Dico.lng" and of appended files, in file
// order, followed by the texts added as they are looked up, and the current language.
//
// Contract: owned by the run-time context. Every method may be called from any thread (the GUI
// thread and the scan thread translate at the same time); one lock covers lookup-and-append, so
// a text looked up by two threads at once is added once. The language number and the
// translation switch live in the object until cells of unit memory are bound; bound cells are
// read at every lookup and must stay valid until they are unbound (nullptr), which copies their
// value back into the object.
class Dictionary {
public:
    Dictionary() = default;
    Dictionary(const Dictionary&) = delete;
    Dictionary& operator=(const Dictionary&) = delete;

    // Start-up: empties the dictionary, takes the language from `localeLanguage` (1..6; any
    // other value gives 6), then from the first line of "ForceLang.txt" when given (a decimal
    // integer 1..5; anything else is ignored), then loads the entries of "Dico.lng" when given
    // (column 1 folded).
    void Initialise(int localeLanguage, std::optional<std::string_view> forceLangText,
                    std::optional<std::string_view> dicoBytes);

    // The text in the current language; `text` itself when translation is off or it is empty.
    // Code-page bytes in and out.
    std::string Translate(std::string_view text);
    // The same lookup whether translation is on or off; empty in, empty out.
    std::string TranslateAlways(std::string_view text);

    // Appends the entries of the disk file `path` (a project path, mapped to the host; column 1
    // not folded). False, with nothing appended, when the file does not exist or cannot be read.
    bool AppendDictionary(std::string_view path);
    // Appends entries as they are (the entries of an already parsed file).
    void AppendEntries(std::vector<DictionaryEntry> entries);

    std::int32_t LanguageNumber() const;
    void SetLanguageNumber(std::int32_t language);
    bool TranslationOn() const;
    void SetTranslationOn(bool on);

    // Moves the value into unit memory ("NUMLANG", int32) and reads it from there; the cell
    // receives the current value. nullptr unbinds and copies the cell's value back.
    void BindLanguageCell(std::int32_t* cell);
    // Likewise for "DOTRANSLATE" (one byte, non-zero = on).
    void BindTranslationCell(std::uint8_t* cell);

    std::size_t EntryCount() const;

private:
    std::string Lookup(std::string_view text);
    void AppendLocked(DictionaryEntry entry);
    std::int32_t LanguageLocked() const;
    bool TranslationOnLocked() const;

    mutable std::mutex m_mutex;
    // A deque keeps its elements in place as it grows, so the index may view their texts.
    std::deque<DictionaryEntry> m_entries;
    // Per column: text -> position of the first entry holding it in that column.
    std::array<std::unordered_map<std::string_view, std::size_t>, DictionaryColumns> m_index;
    std::int32_t m_language = DictionaryColumns;
    std::int32_t* m_languageCell = nullptr;
    bool m_translationOn = true;
    std::uint8_t* m_translationCell = nullptr;
    // The last out-of-range language reported, so that a bad value is logged once (1 is valid
    // and never reported).
    std::int32_t m_reportedLanguage = 1;
};

} // namespace shell
