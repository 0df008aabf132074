// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qruasm {

// What qruasm needs of a 32-bit little-endian x86 relocatable object (as GNU as writes it):
// its sections, its symbol table and its REL relocations. Parsing checks every offset, size and
// index against the file, so the accessors never reach outside it. A plain value; one thread.
class Elf32Object {
public:
    static constexpr std::uint32_t kProgBits = 1;
    static constexpr std::uint32_t kSymbolTable = 2;
    static constexpr std::uint32_t kRela = 4;
    static constexpr std::uint32_t kNoBits = 8;
    static constexpr std::uint32_t kRel = 9;
    static constexpr std::uint32_t kAllocFlag = 2;
    static constexpr std::uint16_t kUndefinedSection = 0;
    static constexpr std::uint8_t kSectionSymbol = 3;
    static constexpr std::uint8_t kRelocation32 = 1;   // R_386_32
    static constexpr std::uint8_t kRelocationPc32 = 2; // R_386_PC32

    struct Section {
        std::string name;
        std::uint32_t type = 0, flags = 0, offset = 0, size = 0, link = 0, info = 0;
        std::string_view Bytes(std::string_view file) const; // empty for NOBITS
    };
    struct Symbol {
        std::string name; // a section symbol is named after its section
        std::uint32_t value = 0;
        std::uint8_t type = 0;     // low nibble of st_info
        std::uint16_t section = 0; // index, 0 = undefined
    };
    struct Relocation {
        std::uint32_t offset = 0; // in the target section
        std::uint32_t symbol = 0; // index into Symbols()
        std::uint8_t type = 0;
    };
    struct RelocationSection {
        std::uint32_t target = 0; // section the relocations apply to
        bool withAddends = false; // RELA: qruasm does not accept these
        std::vector<Relocation> relocations;
    };

    static platform::Result<Elf32Object> Parse(std::string bytes);

    const std::string& Bytes() const { return m_bytes; }
    const std::vector<Section>& Sections() const { return m_sections; }
    const std::vector<Symbol>& Symbols() const { return m_symbols; }
    const std::vector<RelocationSection>& Relocations() const { return m_relocations; }
    // Index of the first section with this name, or 0 when there is none.
    std::uint32_t FindSection(std::string_view name) const;

private:
    std::string m_bytes;
    std::vector<Section> m_sections;
    std::vector<Symbol> m_symbols;
    std::vector<RelocationSection> m_relocations;
};

// "R_386_32", "R_386_PC32" ... or "type N".
std::string RelocationTypeName(std::uint8_t type);

} // namespace qruasm
