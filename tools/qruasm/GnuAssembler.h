// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qruasm {

// Source lines of the code bytes, from the assembler's listing: the line whose code starts at or
// most closely before an offset of .text.
class LineMap {
public:
    static LineMap FromListing(std::string_view listing);
    void Add(std::uint32_t offset, int line) { m_starts.emplace_back(offset, line); }
    int LineOf(std::uint32_t offset) const; // 0 when unknown

private:
    std::vector<std::pair<std::uint32_t, int>> m_starts;
};

struct AssemblerOutput {
    std::string object;   // the ELF32 relocatable object
    std::string messages; // the assembler's warnings, naming the source file
    LineMap lines;
};

// Assembles `assembly` with GNU as in 32-bit mode (`as --32`), run as a child process in a
// temporary directory that is removed afterwards. `sourceName` replaces the temporary file's
// name in the assembler's messages, so they point at the user's source. The failure text is
// the assembler's own messages. One thread at a time per process (it spawns and waits).
platform::Result<AssemblerOutput> Assemble(std::string_view assembly, const std::string& sourceName,
                                           const std::string& assemblerProgram);

} // namespace qruasm
