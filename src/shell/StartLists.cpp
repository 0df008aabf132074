// Quorva run-time. Licensed under the MIT licence.
#include "shell/StartLists.h"

namespace shell {

std::vector<std::string> SplitLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        std::size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
        if (end == std::string_view::npos)
            end = bytes.size();
        std::size_t stop = end;
        if (stop > start && bytes[stop - 1] == '\r')
            --stop;
        lines.emplace_back(bytes.substr(start, stop - start));
        start = next;
    }
    return lines;
}

bool IsBlankLine(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

std::vector<std::string> StartScreenLines(std::string_view bytes) {
    std::vector<std::string> screens;
    for (std::string& line : SplitLines(bytes)) {
        if (!IsBlankLine(line))
            screens.push_back(std::move(line));
    }
    return screens;
}

std::vector<std::string> StartUnitLines(std::string_view bytes) {
    std::vector<std::string> units;
    for (std::string& line : SplitLines(bytes)) {
        if (!line.empty())
            units.push_back(std::move(line));
    }
    return units;
}

} // namespace shell
