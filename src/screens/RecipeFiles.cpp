// Quorva run-time. Licensed under the MIT licence.
#include "screens/RecipeFiles.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace screens::recipes {
namespace {

constexpr std::string_view kBlanks = " \t\r\n\v\f";

std::string ErrnoText()
{
    return std::strerror(errno);
}

} // namespace

std::string Trim(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(kBlanks);
    return std::string(text.substr(first, last - first + 1));
}

platform::Result<std::vector<std::string>> SplitLines(std::string_view bytes)
{
    if (bytes.size() > kMaxFileBytes)
        return platform::Fail("file of " + std::to_string(bytes.size()) + " bytes, more than " +
                              std::to_string(kMaxFileBytes));
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        const std::size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
        if (end == std::string_view::npos)
            end = bytes.size();
        std::string_view line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.size() > kMaxLineBytes)
            return platform::Fail("line " + std::to_string(lines.size() + 1) + " longer than " +
                                  std::to_string(kMaxLineBytes) + " bytes");
        if (lines.size() >= kMaxLines)
            return platform::Fail("more than " + std::to_string(kMaxLines) + " lines");
        lines.emplace_back(line);
        start = next;
    }
    return lines;
}

std::string VariableNameOf(std::string_view templateLine)
{
    const std::size_t bracket = templateLine.rfind('[');
    return Trim(templateLine.substr(0, bracket));
}

platform::Result<std::vector<std::string>> ReadTemplate(std::string_view bytes)
{
    auto lines = SplitLines(bytes);
    if (!lines)
        return platform::Fail(lines.Error());
    std::vector<std::string> names;
    names.reserve(lines->size());
    for (const std::string& line : *lines)
        names.push_back(VariableNameOf(line));
    return names;
}

platform::Result<Recipe> ReadRecipe(std::string_view bytes)
{
    auto lines = SplitLines(bytes);
    if (!lines)
        return platform::Fail(lines.Error());
    Recipe recipe;
    if (lines->empty())
        return recipe;
    recipe.formula = Trim(lines->front());
    recipe.values.reserve(lines->size() - 1);
    for (std::size_t i = 1; i < lines->size(); ++i)
        recipe.values.push_back(DecodeValue((*lines)[i]));
    return recipe;
}

std::string WriteRecipe(const Recipe& recipe)
{
    // The formula is a name: a line feed in it would split the file, so it becomes a blank.
    std::string bytes = recipe.formula;
    for (char& c : bytes)
        if (c == '\n')
            c = ' ';
    bytes += "\r\n";
    for (const std::string& value : recipe.values)
        bytes += EncodeValue(value) + "\r\n";
    return bytes;
}

std::string EncodeValue(std::string_view value)
{
    std::string line(value);
    for (char& c : line) {
        if (c == '\r')
            c = '\x01';
        else if (c == '\n')
            c = '\x02';
    }
    return line;
}

std::string DecodeValue(std::string_view line)
{
    std::string value(line);
    for (char& c : value) {
        if (c == '\x01')
            c = '\r';
        else if (c == '\x02')
            c = '\n';
    }
    return value;
}

Destination ParseDestination(std::string_view destination)
{
    const std::string trimmed = Trim(destination);
    if (trimmed.empty() || trimmed.front() != '\'')
        return {false, trimmed};
    std::string_view inside = std::string_view(trimmed).substr(1);
    if (!inside.empty() && inside.back() == '\'')
        inside.remove_suffix(1);
    return {true, Trim(inside)};
}

platform::Status WriteFileAtomically(const std::string& hostPath, std::string_view bytes)
{
    namespace fs = std::filesystem;
    const fs::path target(hostPath);
    fs::path temporary = target;
    temporary += ".tmp" + std::to_string(::getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return platform::Fail("cannot create " + temporary.string() + ": " + ErrnoText());
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            const std::string why = ErrnoText();
            ::close(fd);
            ::unlink(temporary.c_str());
            return platform::Fail("cannot write " + temporary.string() + ": " + why);
        }
        written += static_cast<std::size_t>(count);
    }
    const bool synced = ::fsync(fd) == 0;
    const std::string syncError = synced ? std::string() : ErrnoText();
    if (::close(fd) != 0 || !synced) {
        const std::string why = synced ? ErrnoText() : syncError;
        ::unlink(temporary.c_str());
        return platform::Fail("cannot write " + temporary.string() + ": " + why);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const std::string why = ErrnoText();
        ::unlink(temporary.c_str());
        return platform::Fail("cannot replace " + hostPath + ": " + why);
    }
    return {};
}

} // namespace screens::recipes
