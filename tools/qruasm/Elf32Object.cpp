// Quorva run-time. Licensed under the MIT licence.
#include "Elf32Object.h"

#include <fmt/format.h>

namespace qruasm {
namespace {

constexpr std::size_t kHeaderSize = 52;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kSymbolSize = 16;
constexpr std::size_t kRelSize = 8;
constexpr std::size_t kRelaSize = 12;
constexpr std::uint16_t kRelocatable = 1;
constexpr std::uint16_t kMachine386 = 3;
constexpr std::string_view kMagic = "\x7f"
                                    "ELF";

std::uint16_t U16(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[at]) |
                                      static_cast<std::uint8_t>(bytes[at + 1]) << 8);
}

std::uint32_t U32(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

// A NUL-terminated name at `offset` inside a string table.
platform::Result<std::string> Name(std::string_view table, std::uint32_t offset) {
    if (offset >= table.size())
        return platform::Fail(fmt::format("name offset {} lies outside its string table", offset));
    std::size_t end = table.find('\0', offset);
    if (end == std::string_view::npos)
        return platform::Fail(fmt::format("name at {} has no terminating NUL", offset));
    return std::string(table.substr(offset, end - offset));
}

bool Fits(std::uint64_t offset, std::uint64_t size, std::size_t total) {
    return offset <= total && size <= total - offset;
}

} // namespace

std::string_view Elf32Object::Section::Bytes(std::string_view file) const {
    return type == kNoBits ? std::string_view() : file.substr(offset, size);
}

std::uint32_t Elf32Object::FindSection(std::string_view name) const {
    for (std::size_t i = 1; i < m_sections.size(); ++i) {
        if (m_sections[i].name == name)
            return static_cast<std::uint32_t>(i);
    }
    return 0;
}

platform::Result<Elf32Object> Elf32Object::Parse(std::string bytes) {
    Elf32Object object;
    object.m_bytes = std::move(bytes);
    std::string_view file = object.m_bytes;
    if (file.size() < kHeaderSize || file.substr(0, 4) != kMagic)
        return platform::Fail("not an ELF object");
    if (file[4] != 1 || file[5] != 1)
        return platform::Fail("not a 32-bit little-endian ELF object");
    if (U16(file, 16) != kRelocatable || U16(file, 18) != kMachine386)
        return platform::Fail("not a relocatable x86-32 object");
    std::uint32_t sectionTable = U32(file, 32);
    std::uint16_t entrySize = U16(file, 46);
    std::uint16_t count = U16(file, 48);
    std::uint16_t namesIndex = U16(file, 50);
    if (entrySize != kSectionHeaderSize || count == 0 || namesIndex >= count ||
        !Fits(sectionTable, std::uint64_t{count} * kSectionHeaderSize, file.size()))
        return platform::Fail("the section header table is damaged");

    for (std::uint16_t i = 0; i < count; ++i) {
        std::size_t at = sectionTable + std::size_t{i} * kSectionHeaderSize;
        Section section;
        section.type = U32(file, at + 4);
        section.flags = U32(file, at + 8);
        section.offset = U32(file, at + 16);
        section.size = U32(file, at + 20);
        section.link = U32(file, at + 24);
        section.info = U32(file, at + 28);
        if (section.type != kNoBits && !Fits(section.offset, section.size, file.size()))
            return platform::Fail(fmt::format("section {} runs past the end of the file", i));
        object.m_sections.push_back(section);
    }
    std::string_view names = object.m_sections[namesIndex].Bytes(file);
    for (std::uint16_t i = 1; i < count; ++i) {
        auto name = Name(names, U32(file, sectionTable + std::size_t{i} * kSectionHeaderSize));
        if (!name)
            return platform::Fail(fmt::format("section {}: {}", i, name.Error()));
        object.m_sections[i].name = std::move(name.Value());
    }

    for (std::uint16_t i = 1; i < count; ++i) {
        const Section& section = object.m_sections[i];
        if (section.type != kSymbolTable)
            continue;
        if (!object.m_symbols.empty())
            return platform::Fail("the object has two symbol tables");
        if (section.size % kSymbolSize != 0 || section.link >= count)
            return platform::Fail("the symbol table is damaged");
        std::string_view strings = object.m_sections[section.link].Bytes(file);
        std::string_view table = section.Bytes(file);
        for (std::size_t at = 0; at < table.size(); at += kSymbolSize) {
            Symbol symbol;
            symbol.value = U32(table, at + 4);
            symbol.type = static_cast<std::uint8_t>(table[at + 12]) & 0xf;
            symbol.section = U16(table, at + 14);
            if (symbol.type == kSectionSymbol && symbol.section < count) {
                symbol.name = object.m_sections[symbol.section].name;
            } else if (std::uint32_t nameAt = U32(table, at); nameAt != 0) {
                auto name = Name(strings, nameAt);
                if (!name)
                    return platform::Fail(
                        fmt::format("symbol {}: {}", at / kSymbolSize, name.Error()));
                symbol.name = std::move(name.Value());
            }
            object.m_symbols.push_back(std::move(symbol));
        }
    }

    for (std::uint16_t i = 1; i < count; ++i) {
        const Section& section = object.m_sections[i];
        if (section.type != kRel && section.type != kRela)
            continue;
        RelocationSection relocations;
        relocations.target = section.info;
        relocations.withAddends = section.type == kRela;
        std::size_t size = relocations.withAddends ? kRelaSize : kRelSize;
        if (section.size % size != 0 || section.info >= count || section.info == 0)
            return platform::Fail(fmt::format("relocation section {} is damaged", section.name));
        std::string_view table = section.Bytes(file);
        std::uint32_t targetSize = object.m_sections[section.info].size;
        for (std::size_t at = 0; at < table.size(); at += size) {
            Relocation relocation;
            relocation.offset = U32(table, at);
            std::uint32_t info = U32(table, at + 4);
            relocation.symbol = info >> 8;
            relocation.type = static_cast<std::uint8_t>(info & 0xff);
            if (relocation.symbol >= object.m_symbols.size() || relocation.offset >= targetSize)
                return platform::Fail(
                    fmt::format("relocation {} of {} is damaged", at / size, section.name));
            relocations.relocations.push_back(relocation);
        }
        object.m_relocations.push_back(std::move(relocations));
    }
    return object;
}

std::string RelocationTypeName(std::uint8_t type) {
    switch (type) {
    case 1:
        return "R_386_32";
    case 2:
        return "R_386_PC32";
    case 3:
        return "R_386_GOT32";
    case 4:
        return "R_386_PLT32";
    case 9:
        return "R_386_GOTOFF";
    case 10:
        return "R_386_GOTPC";
    case 20:
        return "R_386_16";
    case 21:
        return "R_386_PC16";
    case 22:
        return "R_386_8";
    case 23:
        return "R_386_PC8";
    default:
        return fmt::format("type {}", type);
    }
}

} // namespace qruasm
