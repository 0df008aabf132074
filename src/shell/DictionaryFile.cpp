// Quorva run-time. Licensed under the MIT licence.
#include "shell/DictionaryFile.h"

#include "platform/CodePage.h"

namespace shell {

namespace {

using FoldMap = std::array<char, 256>;

FoldMap BuildFoldMap() {
    FoldMap map{};
    for (unsigned byte = 0; byte < map.size(); ++byte) {
        char folded = static_cast<char>(byte);
        if (byte >= 0xE8 && byte <= 0xEB) {
            folded = 'e';
        } else if (byte >= 0xE0 && byte <= 0xE5) {
            folded = 'a';
        } else if (byte >= 0x80) {
            // Code pages other than Windows-1252 may hold these letters at other values.
            const std::string utf8 =
                platform::CodePageToUtf8(std::string(1, static_cast<char>(byte)));
            if (utf8 == "\xC3\xA9" || utf8 == "\xC3\xA8" || utf8 == "\xC3\xAA")
                folded = 'e';
            else if (utf8 == "\xC3\xA0")
                folded = 'a';
        }
        map[byte] = folded;
    }
    return map;
}

// The fold map of the current code page, built again when the code page changes. Per thread, so
// that no lock is held while folding.
const FoldMap& CurrentFoldMap() {
    struct Cache {
        std::string codePage;
        FoldMap map{};
        bool built = false;
    };
    thread_local Cache cache;
    std::string codePage = platform::SystemCodePage();
    if (!cache.built || cache.codePage != codePage) {
        cache.map = BuildFoldMap();
        cache.codePage = std::move(codePage);
        cache.built = true;
    }
    return cache.map;
}

void AppendUtf8(std::string& out, char32_t codePoint) {
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

// UTF-16 text (without its byte-order mark) to UTF-8. An unpaired surrogate becomes U+FFFD; an
// odd last byte is dropped.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    auto unitAt = [&](std::size_t index) -> char32_t {
        const auto first = static_cast<unsigned char>(bytes[index]);
        const auto second = static_cast<unsigned char>(bytes[index + 1]);
        return bigEndian ? static_cast<char32_t>((first << 8) | second)
                         : static_cast<char32_t>((second << 8) | first);
    };
    std::string out;
    out.reserve(bytes.size());
    const std::size_t units = bytes.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        char32_t unit = unitAt(2 * i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
            const char32_t low = unitAt(2 * (i + 1));
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (unit >= 0xD800 && unit <= 0xDFFF)
            unit = 0xFFFD;
        AppendUtf8(out, unit);
    }
    return out;
}

// The file's text in the code page: files with a byte-order mark are converted, others are taken
// as code-page bytes already.
std::string ToCodePage(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return platform::Utf8ToCodePage(bytes.substr(3));
    if (bytes.starts_with("\xFF\xFE"))
        return platform::Utf8ToCodePage(Utf16ToUtf8(bytes.substr(2), false));
    if (bytes.starts_with("\xFE\xFF"))
        return platform::Utf8ToCodePage(Utf16ToUtf8(bytes.substr(2), true));
    return std::string(bytes);
}

DictionaryEntry SplitLine(std::string_view line) {
    DictionaryEntry entry;
    for (int column = 0; column < DictionaryColumns - 1; ++column) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) {
            entry.columns[static_cast<std::size_t>(column)] = std::string(line);
            return entry;
        }
        entry.columns[static_cast<std::size_t>(column)] = std::string(line.substr(0, tab));
        line.remove_prefix(tab + 1);
    }
    // Column 6 keeps the rest of the line, TABs included.
    entry.columns[DictionaryColumns - 1] = std::string(line);
    return entry;
}

bool IsSkipped(const DictionaryEntry& entry) {
    const auto& c = entry.columns;
    return c[0].empty() && c[1].empty() && c[2].empty() && c[3].empty() && c[5].empty();
}

} // namespace

std::string FoldAccents(std::string_view codePageText) {
    const FoldMap& map = CurrentFoldMap();
    std::string out(codePageText);
    for (char& c : out)
        c = map[static_cast<unsigned char>(c)];
    return out;
}

std::vector<DictionaryEntry> ParseDictionary(std::string_view fileBytes, bool foldFirstColumn) {
    const std::string text = ToCodePage(fileBytes);
    std::vector<DictionaryEntry> entries;
    std::string_view rest(text);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        DictionaryEntry entry = SplitLine(line);
        if (IsSkipped(entry))
            continue;
        if (foldFirstColumn)
            entry.columns[0] = FoldAccents(entry.columns[0]);
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace shell
