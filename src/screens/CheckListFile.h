// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Result.h"

namespace screens {

// One item of a check list: its text (code-page bytes) and its check mark.
struct CheckListItem {
    std::string text;
    bool checked = false;

    bool operator==(const CheckListItem&) const = default;
};

// The check list file: one line per item, "1 " (checked) or "0 " (not checked) and the item's
// text; lines end in LF (CR LF is read too). Line breaks and other control characters in a text
// are written as spaces, so that a list read back has as many items as it had. Pure functions,
// any thread.
constexpr int kMaxCheckListItems = 100000;
constexpr std::size_t kMaxCheckListText = 1024;
constexpr std::size_t kMaxCheckListFileSize = 16 * 1024 * 1024;

std::string WriteCheckList(const std::vector<CheckListItem>& items);

// Refuses (with what and which line) a file bigger than kMaxCheckListFileSize, more than
// kMaxCheckListItems lines, a line without its "1 " or "0 " mark, a text longer than
// kMaxCheckListText and control characters (binary data). An empty file is an empty list.
platform::Result<std::vector<CheckListItem>> ReadCheckList(std::string_view bytes);

} // namespace screens
