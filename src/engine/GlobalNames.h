// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/GuestMemory.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace engine {

// One global variable as the variable store sees it: an exported scalar of "MVARGLOB" or one
// element of an exported array ("COL1[3]"). The name is upper case; `type` is the code the name
// tables record (elements of Real arrays are recorded as 25); `extent` is the bytes the variable
// occupies (an element's size for elements).
struct GlobalName {
    std::string name;
    platform::GuestAddress address = 0;
    std::uint8_t type = 18;
    bool realElement = false; // an element of a Real array: recorded as 25, stored as 10 bytes
    std::uint32_t extent = 0;
};

// The name tables built from "MVARGLOB.QRU": the names in address order, then a final pair with an
// empty name at the end address (type 18), a case-free index of the names, and the data size of
// the module header. A plain value; the variable store guards it with its lock.
struct GlobalNameTable {
    std::vector<GlobalName> names;                      // the end pair last, when anything was read
    std::unordered_map<std::string, std::size_t> index; // upper-case name -> first pair
    std::uint32_t dataSize = 0;

    // The pair of `upperName`, null when none (the end pair has no name and is never found).
    const GlobalName* Find(const std::string& upperName) const;
    // Named pairs, the end pair not counted.
    std::size_t NameCount() const { return names.empty() ? 0 : names.size() - 1; }
};

enum class GlobalNamesOutcome {
    Loaded,         // the whole variable table was read
    InvalidVersion, // fewer than 5 bytes, or not "QRU02"
    Damaged,        // the bytes end inside the header or the tables: the records read before stay
};

// Walks the header, the type table and the variable table of a unit module and lays out its
// exported variables from `globalsBase` on, exactly as the loader places the data area: every
// record advances the position by its size except integer literal constants (type 1), which
// take no room. An array adds one name per element ("NAME[i]", i from the low to the high bound,
// each at the element size of its element type); the array name itself is not added. Names and
// elements that would end beyond `globalsEnd` are not added, and the walk stops there, so a
// damaged module can neither reach outside the block nor make the tables grow without bound.
// `message` receives what was wrong when the outcome is not Loaded.
GlobalNamesOutcome ReadGlobalNames(std::string_view moduleBytes, platform::GuestAddress globalsBase,
                                   std::uint64_t globalsEnd, GlobalNameTable& table,
                                   std::string& message);

// The names' address order allows this search: the pair holding `address` is the last pair
// whose address is not above it. Returns the pair's index; npos when there is none (empty
// tables, or an address below the first pair).
std::size_t PairHoldingAddress(const GlobalNameTable& table, platform::GuestAddress address);

// ASCII upper case, as names are compared.
std::string UpperAscii(std::string_view text);

} // namespace engine
