// Quorva run-time. Licensed under the MIT licence.
#include "shell/Dictionary.h"

#include "platform/CodePage.h"
#include "platform/Log.h"
#include "platform/PathMap.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace shell {

namespace {

constexpr std::int32_t SourceLanguage = 1;
constexpr std::size_t FallbackColumn = 1; // column 2, English

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t SkipDigits(std::string_view text, std::size_t at) {
    while (at < text.size() && IsDigit(text[at]))
        ++at;
    return at;
}

// A decimal number, once spaces and tabs around it are removed: an optional sign, digits with
// at most one decimal point (at least one digit, before or after the point), then an optional
// exponent ("e" or "E", optional sign, digits). So "42", "-3", "+7", "12.5", ".5", "5." and "1e3"
// are numbers; "1,5", "0x10", "inf", "1 2", "e3" and "-" are not. The point is always ".",
// whatever the locale, so that the same project behaves the same everywhere.
bool IsDecimalNumber(std::string_view text) {
    text = TrimBlanks(text);
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        ++at;
    const std::size_t integerStart = at;
    at = SkipDigits(text, at);
    std::size_t digits = at - integerStart;
    if (at < text.size() && text[at] == '.') {
        const std::size_t fractionStart = ++at;
        at = SkipDigits(text, at);
        digits += at - fractionStart;
    }
    if (digits == 0)
        return false;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < text.size() && (text[at] == '+' || text[at] == '-'))
            ++at;
        const std::size_t exponentStart = at;
        at = SkipDigits(text, at);
        if (at == exponentStart)
            return false;
    }
    return at == text.size();
}

// The first line of "ForceLang.txt" as a language to force, when it is a decimal integer 1..5.
std::optional<std::int32_t> ForcedLanguage(std::string_view fileText) {
    if (fileText.starts_with("\xEF\xBB\xBF"))
        fileText.remove_prefix(3);
    std::string_view line = fileText.substr(0, fileText.find('\n'));
    if (line.ends_with('\r'))
        line.remove_suffix(1);
    line = TrimBlanks(line);
    std::string_view digits = line;
    if (digits.starts_with('+'))
        digits.remove_prefix(1);
    if (digits.empty() || digits.size() > 9)
        return std::nullopt;
    std::int32_t value = 0;
    for (char c : digits) {
        if (!IsDigit(c))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 5)
        return std::nullopt;
    return value;
}

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

} // namespace

int LanguageFromLocale() {
    const char* locale = nullptr;
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            locale = value;
            break;
        }
    }
    if (locale == nullptr)
        return 6;
    std::string_view name(locale);
    name = name.substr(0, name.find_first_of("_.@-"));
    const std::string language = LowerAscii(name);
    if (language == "de")
        return 4;
    if (language == "en")
        return 2;
    if (language == "es")
        return 5;
    if (language == "fr")
        return 1;
    if (language == "it")
        return 3;
    return 6;
}

void Dictionary::Initialise(int localeLanguage, std::optional<std::string_view> forceLangText,
                            std::optional<std::string_view> dicoBytes) {
    std::int32_t language = localeLanguage;
    if (language < 1 || language > DictionaryColumns) {
        platform::LogWarning("dictionary: locale language {} is not 1..6, using 6", localeLanguage);
        language = DictionaryColumns;
    }
    if (forceLangText) {
        if (const auto forced = ForcedLanguage(*forceLangText)) {
            language = *forced;
            platform::LogInfo("dictionary: ForceLang.txt sets language {}", language);
        } else {
            platform::LogInfo("dictionary: ForceLang.txt ignored: its first line is not 1..5");
        }
    }
    std::vector<DictionaryEntry> entries;
    if (dicoBytes)
        entries = ParseDictionary(*dicoBytes, true);

    std::lock_guard lock(m_mutex);
    for (auto& index : m_index)
        index.clear();
    m_entries.clear();
    if (m_languageCell != nullptr)
        *m_languageCell = language;
    else
        m_language = language;
    for (DictionaryEntry& entry : entries)
        AppendLocked(std::move(entry));
}

std::string Dictionary::Translate(std::string_view text) {
    std::lock_guard lock(m_mutex);
    if (text.empty() || !TranslationOnLocked())
        return std::string(text);
    return Lookup(text);
}

std::string Dictionary::TranslateAlways(std::string_view text) {
    if (text.empty())
        return {};
    std::lock_guard lock(m_mutex);
    return Lookup(text);
}

std::string Dictionary::Lookup(std::string_view text) {
    const std::int32_t language = LanguageLocked();
    if (language == SourceLanguage || IsDecimalNumber(text))
        return std::string(text);
    // A language outside 1..6 (unit code may write any number) has no column: found texts give
    // the fallback column, unknown texts are not added.
    const bool hasColumn = language >= 1 && language <= DictionaryColumns;
    if (!hasColumn && language != m_reportedLanguage) {
        platform::LogWarning("dictionary: language {} is not 1..6; using the English column",
                             language);
        m_reportedLanguage = language;
    }
    const std::size_t languageColumn = hasColumn ? static_cast<std::size_t>(language - 1) : 0;

    std::string key = FoldAccents(text);
    for (std::size_t column = 0; column < DictionaryColumns; ++column) {
        const auto hit = m_index[column].find(key);
        if (hit == m_index[column].end())
            continue;
        // Found in the column of the current language: the text is already in that language,
        // and it keeps its own trailing space.
        if (hasColumn && column == languageColumn)
            return key;
        const DictionaryEntry& entry = m_entries[hit->second];
        std::string result = hasColumn ? entry.columns[languageColumn] : std::string();
        if (result.empty())
            result = entry.columns[FallbackColumn];
        if (result.empty())
            return std::string(text);
        if (text.ends_with(' '))
            result.push_back(' ');
        return result;
    }
    if (hasColumn) {
        // Stored folded, as it is looked up, so that the text is found from now on.
        DictionaryEntry added;
        added.columns[languageColumn] = key;
        AppendLocked(std::move(added));
    }
    return key;
}

void Dictionary::AppendLocked(DictionaryEntry entry) {
    const std::size_t position = m_entries.size();
    m_entries.push_back(std::move(entry));
    const DictionaryEntry& stored = m_entries.back();
    for (std::size_t column = 0; column < DictionaryColumns; ++column) {
        const std::string& text = stored.columns[column];
        if (!text.empty())
            m_index[column].emplace(std::string_view(text), position);
    }
}

bool Dictionary::AppendDictionary(std::string_view path) {
    const std::string hostPath = platform::HostPath(path);
    std::error_code error;
    if (!std::filesystem::is_regular_file(hostPath, error)) {
        platform::LogInfo("dictionary: no file \"{}\" to append", hostPath);
        return false;
    }
    std::ifstream file(hostPath, std::ios::binary | std::ios::ate);
    const std::streamoff size = file.is_open() ? static_cast<std::streamoff>(file.tellg()) : -1;
    std::string bytes(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
    if (size < 0 || !file.seekg(0) || !file.read(bytes.data(), size)) {
        platform::LogWarning("dictionary: cannot read \"{}\"", hostPath);
        return false;
    }
    std::vector<DictionaryEntry> entries = ParseDictionary(bytes, false);
    platform::LogInfo("dictionary: {} entries appended from \"{}\"", entries.size(), hostPath);
    AppendEntries(std::move(entries));
    return true;
}

void Dictionary::AppendEntries(std::vector<DictionaryEntry> entries) {
    std::lock_guard lock(m_mutex);
    for (DictionaryEntry& entry : entries)
        AppendLocked(std::move(entry));
}

std::int32_t Dictionary::LanguageLocked() const {
    return m_languageCell != nullptr ? *m_languageCell : m_language;
}

bool Dictionary::TranslationOnLocked() const {
    return m_translationCell != nullptr ? *m_translationCell != 0 : m_translationOn;
}

std::int32_t Dictionary::LanguageNumber() const {
    std::lock_guard lock(m_mutex);
    return LanguageLocked();
}

void Dictionary::SetLanguageNumber(std::int32_t language) {
    std::lock_guard lock(m_mutex);
    if (m_languageCell != nullptr)
        *m_languageCell = language;
    else
        m_language = language;
}

bool Dictionary::TranslationOn() const {
    std::lock_guard lock(m_mutex);
    return TranslationOnLocked();
}

void Dictionary::SetTranslationOn(bool on) {
    std::lock_guard lock(m_mutex);
    if (m_translationCell != nullptr)
        *m_translationCell = on ? 1 : 0;
    else
        m_translationOn = on;
}

void Dictionary::BindLanguageCell(std::int32_t* cell) {
    std::lock_guard lock(m_mutex);
    const std::int32_t current = LanguageLocked();
    m_languageCell = cell;
    if (cell != nullptr)
        *cell = current;
    else
        m_language = current;
}

void Dictionary::BindTranslationCell(std::uint8_t* cell) {
    std::lock_guard lock(m_mutex);
    const bool current = TranslationOnLocked();
    m_translationCell = cell;
    if (cell != nullptr)
        *cell = current ? 1 : 0;
    else
        m_translationOn = current;
}

std::size_t Dictionary::EntryCount() const {
    std::lock_guard lock(m_mutex);
    return m_entries.size();
}

} // namespace shell
