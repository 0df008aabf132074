// Quorva run-time. Licensed under the MIT licence.
#include "platform/Log.h"
#include "screens/MenuScript.h"
#include "shell/StartLists.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

namespace {

// Every entry keeps the shape the parser promises: structure numbers, separators "-", no
// backslash left in an item caption, and no deeper nesting than allowed.
void CheckEntries(const std::vector<screens::MenuEntry>& entries, std::size_t depth) {
    using Kind = screens::MenuEntry::Kind;
    for (const screens::MenuEntry& entry : entries) {
        switch (entry.kind) {
        case Kind::Popup:
            if (entry.number != screens::kPopupCommand || depth >= screens::kMaxMenuDepth)
                std::abort();
            CheckEntries(entry.children, depth + 1);
            break;
        case Kind::Separator:
            if (entry.number != screens::kSeparatorCommand || entry.caption != "-")
                std::abort();
            break;
        case Kind::Item:
            if (entry.caption.find('\\') != std::string::npos || !entry.children.empty())
                std::abort();
            break;
        }
    }
}

} // namespace

// Damaged lines are logged; keep the fuzzer's output to its own findings.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    platform::log::SetLevel(platform::LogLevel::Off);
    return 0;
}

// The input is read twice: split into lines as a menu script, and whole as a menu template. A
// converted template must be a balanced script whose every item lies inside a sub-menu.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckEntries(screens::ParseMenuScript(shell::SplitLines(bytes)).bar, 0);

    const auto lines = screens::MenuResourceToScript(std::span<const std::uint8_t>(data, size));
    if (!lines) {
        if (size >= 4)
            std::abort();
        return 0;
    }
    if (lines->size() < 3 || (*lines)[0] != "BIDON" || (*lines)[1] != "BIDON" ||
        lines->back() != "END")
        std::abort();
    const screens::MenuModel model = screens::ParseMenuScript(*lines);
    CheckEntries(model.bar, 0);
    for (const screens::MenuEntry& entry : model.bar) {
        if (entry.kind != screens::MenuEntry::Kind::Popup)
            std::abort();
    }
    return 0;
}
