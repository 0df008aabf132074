// Quorva run-time. Licensed under the MIT licence.
#include "viewers/Mnemonics.h"

#include "platform/CodePage.h"

namespace viewers {

Mnemonics Mnemonics::Parse(std::string_view text) {
    Mnemonics list;
    text = text.substr(0, kMaxBytes);
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        Mnemonic entry;
        const std::size_t first = line.find('\t');
        entry.name = std::string(line.substr(0, first));
        if (first != std::string_view::npos) {
            const std::string_view rest = line.substr(first + 1);
            const std::size_t second = rest.find('\t');
            entry.text1 = std::string(rest.substr(0, second));
            if (second != std::string_view::npos)
                entry.text2 = std::string(rest.substr(second + 1));
        }
        if (entry.name.empty())
            continue;
        const std::string key = platform::UpperAscii(entry.name);
        if (list.m_index.contains(key))
            continue;
        list.m_index.emplace(key, list.m_entries.size());
        list.m_entries.push_back(std::move(entry));
    }
    return list;
}

const Mnemonic* Mnemonics::Find(std::string_view name) const {
    if (name.empty() || m_index.empty())
        return nullptr;
    const auto found = m_index.find(platform::UpperAscii(name));
    return found == m_index.end() ? nullptr : &m_entries[found->second];
}

} // namespace viewers
