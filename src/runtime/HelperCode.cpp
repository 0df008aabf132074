// Quorva run-time. Licensed under the MIT licence.
#include "runtime/HelperCode.h"

#include "Helpers.inc"

#include <array>
#include <utility>

namespace runtime {

namespace {

namespace code = guest_asm::helpers;

constexpr std::array<std::pair<std::string_view, std::uint32_t>, 23> kEntries = {{
    {"MOD", code::kMOD},
    {"SHL", code::kSHL},
    {"SHR", code::kSHR},
    {"ORINT", code::kORINT},
    {"ANDINT", code::kANDINT},
    {"XORINT", code::kXORINT},
    {"DIVZERO", code::kDIVZERO},
    {"EXT2INT", code::kEXT2INT},
    {"EXT2INTESI", code::kEXT2INTESI},
    {"BYTE2INT", code::kBYTE2INT},
    {"WORD2INT", code::kWORD2INT},
    {"EAX2REAL", code::kEAX2REAL},
    {"ESI2REAL", code::kESI2REAL},
    {"INT2BYTE", code::kINT2BYTE},
    {"STOREBYTEORMAXBYTE", code::kSTOREBYTEORMAXBYTE},
    {"STOREWORDORMAXWORD", code::kSTOREWORDORMAXWORD},
    {"STOREINTORMAXINTEGER", code::kSTOREINTORMAXINTEGER},
    {"PSTRCPY", code::kPSTRCPY},
    {"PSTRCAT", code::kPSTRCAT},
    {"PSTRCMP", code::kPSTRCMP},
    {"PSTRCPYX", code::kPSTRCPYX},
    {"PSTRCATX", code::kPSTRCATX},
    {"PSTRAFFECTX", code::kPSTRAFFECTX},
}};

} // namespace

platform::Result<HelperCode> HelperCode::Place(platform::GuestMemory& memory) {
    std::optional<platform::GuestAddress> base =
        memory.AllocateRuntime(static_cast<std::uint32_t>(code::kCode.size()), 16);
    if (!base || !memory.PlaceCode(*base, code::kCode, code::kRelocations))
        return platform::Fail("no room in guest memory for the helper routines");
    return HelperCode(*base);
}

platform::GuestAddress HelperCode::EntryOf(std::string_view name) const {
    for (const auto& [helper, offset] : kEntries) {
        if (helper == name)
            return m_base + offset;
    }
    return 0;
}

} // namespace runtime
