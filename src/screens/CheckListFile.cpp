// Quorva run-time. Licensed under the MIT licence.
#include "screens/CheckListFile.h"

#include <fmt/format.h>

namespace screens {

std::string WriteCheckList(const std::vector<CheckListItem>& items)
{
    std::string out;
    for (const CheckListItem& item : items) {
        out += item.checked ? "1 " : "0 ";
        for (const char c : std::string_view(item.text).substr(0, kMaxCheckListText))
            out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
        out += '\n';
    }
    return out;
}

platform::Result<std::vector<CheckListItem>> ReadCheckList(std::string_view bytes)
{
    if (bytes.size() > kMaxCheckListFileSize)
        return platform::Fail(fmt::format("check list file of {} bytes is too big", bytes.size()));
    std::vector<CheckListItem> items;
    int lineNumber = 0;
    while (!bytes.empty()) {
        ++lineNumber;
        const std::size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        if (static_cast<int>(items.size()) >= kMaxCheckListItems)
            return platform::Fail(
                fmt::format("check list file holds more than {} items", kMaxCheckListItems));
        if (line.size() < 2 || (line[0] != '0' && line[0] != '1') || line[1] != ' ')
            return platform::Fail(
                fmt::format("check list file line {}: no \"1 \" or \"0 \" mark", lineNumber));
        const std::string_view text = line.substr(2);
        if (text.size() > kMaxCheckListText)
            return platform::Fail(fmt::format("check list file line {}: text longer than {} bytes",
                                              lineNumber, kMaxCheckListText));
        for (const char c : text) {
            if (static_cast<unsigned char>(c) < 0x20)
                return platform::Fail(fmt::format(
                    "check list file line {}: control character (not a text file)", lineNumber));
        }
        items.push_back(CheckListItem{std::string(text), line[0] == '1'});
    }
    return items;
}

} // namespace screens
