// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace shell {

// Number of text columns of a dictionary entry: 1 French (the source language), 2 English,
// 3 Italian, 4 German, 5 Spanish, 6 any other language.
inline constexpr int DictionaryColumns = 6;

// One entry of the language dictionary; columns[0] is column 1. Texts are code-page bytes.
struct DictionaryEntry {
    std::array<std::string, DictionaryColumns> columns;
};

// Replaces accented a and e letters by their plain letters, byte by byte: the code-page values
// 0xE8..0xEB become "e" and 0xE0..0xE5 become "a"; with a code page other than Windows-1252, a
// byte that stands for U+00E8, U+00E9, U+00EA (-> "e") or U+00E0 (-> "a") is folded as well.
// Upper-case letters and all other bytes are kept.
std::string FoldAccents(std::string_view codePageText);

// Parses a dictionary file. The file is text in the system code page, lines ending in CR LF or
// LF; UTF-8 with a byte-order mark and UTF-16 (LE or BE) with a byte-order mark are accepted too
// and converted to the code page (a character the code page cannot hold becomes "?"). Each line
// holds up to six TAB-separated columns taken from the left: missing columns stay empty, text
// after a sixth TAB stays in column 6. A line whose columns 1, 2, 3, 4 and 6 are all empty is
// skipped (column 5 alone does not make an entry). Column 1 is folded with FoldAccents when
// `foldFirstColumn` is set. Never fails: any bytes give some list of entries.
std::vector<DictionaryEntry> ParseDictionary(std::string_view fileBytes, bool foldFirstColumn);

} // namespace shell
