// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Result.h"

// The recipe files: the template (".Rct"), one line per variable, and the recipe (".For"), the
// formula name then one value per template line. Lines end in CR LF when written; LF alone or a
// missing last line end read as well. Values keep their line breaks as characters 1 (CR) and 2
// (LF). Pure text work (no Qt, no globals) so that it can be fuzzed; any thread.
namespace screens::recipes {

// What a reader accepts; larger files are refused as damaged.
inline constexpr std::size_t kMaxFileBytes = 1024 * 1024;
inline constexpr std::size_t kMaxLines = 10000;
inline constexpr std::size_t kMaxLineBytes = 4096;

struct Recipe {
    std::string formula;
    std::vector<std::string> values; // line breaks restored

    bool operator==(const Recipe&) const = default;
};

// The text without blanks (spaces, tabs, line-end characters) at either end.
std::string Trim(std::string_view text);

// The lines of a file, without their line ends; why not when it breaks a limit.
platform::Result<std::vector<std::string>> SplitLines(std::string_view bytes);

// The variable a template line names: the line without everything from its last "[", trimmed.
std::string VariableNameOf(std::string_view templateLine);

// The variable names of a template, one per line (empty names included, so that the lines of a
// recipe keep lining up with them).
platform::Result<std::vector<std::string>> ReadTemplate(std::string_view bytes);

// A recipe file: the first line trimmed is the formula; each further line a value.
platform::Result<Recipe> ReadRecipe(std::string_view bytes);
// The file for a recipe (what ReadRecipe reads back).
std::string WriteRecipe(const Recipe& recipe);

// A value as one line: CR becomes character 1, LF character 2; and back.
std::string EncodeValue(std::string_view value);
std::string DecodeValue(std::string_view line);

// A recipe object's destination: a literal in single quotes gives its text, trimmed; anything
// else is the name of the string variable that holds the file name.
struct Destination {
    bool literal = false;
    std::string text; // the file name (literal) or the variable name
};
Destination ParseDestination(std::string_view destination);

// Writes `bytes` to `hostPath` through a temporary file in the same directory that is then
// renamed over it, so that the file is either the old one or the whole new one.
platform::Status WriteFileAtomically(const std::string& hostPath, std::string_view bytes);

} // namespace screens::recipes
