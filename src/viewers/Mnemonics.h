// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace viewers {

// One line of the mnemonics file: a variable name and its two texts (code-page bytes).
struct Mnemonic {
    std::string name;
    std::string text1;
    std::string text2;
};

// The mnemonics list ("MNEMOS"): one entry per non-empty line, fields separated by TAB: the
// name, text 1, and the rest of the line as text 2 (empty without a second TAB). Lines end in LF
// or CR LF. Names are found ignoring ASCII case; when a name comes twice, the first line holds.
// A plain value; any thread.
class Mnemonics {
public:
    // What Parse takes at most; the rest of a larger text is ignored.
    static constexpr std::size_t kMaxBytes = 16u * 1024 * 1024;

    // Never fails: lines without a name are skipped.
    static Mnemonics Parse(std::string_view text);

    // The entry of a variable name, or null.
    const Mnemonic* Find(std::string_view name) const;
    std::size_t Size() const { return m_entries.size(); }
    bool Empty() const { return m_entries.empty(); }

private:
    std::vector<Mnemonic> m_entries;
    std::unordered_map<std::string, std::size_t> m_index; // upper-cased name -> entry
};

} // namespace viewers
