// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "engine/TypeCodes.h"
#include "platform/GuestMemory.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace engine {

// The unit name under which the run-time registers its own functions and variables.
inline constexpr std::string_view SystemUnitName = "SYSTEM";

// A callable function as the loader knows it: an exported function of a loaded unit, or a
// runtime function. `address` is the guest address of the function's 4-byte entry cell (for
// runtime functions: the entry itself until the entry cells are created).
struct TFuncRun {
    std::string name; // upper case
    std::string unit; // upper case: the exporting unit, or "SYSTEM"
    platform::GuestAddress address = 0;
};

// A named variable as the loader knows it: an exported variable of a loaded unit, or a system
// variable (unit "SYSTEM", element size 0, bounds 0 and 0, element type none).
struct TVarRun {
    std::string name; // as registered (not upper-cased)
    TypeCode type = TypeCode::None;
    platform::GuestAddress address = 0;
    std::int32_t lowBound = 0;
    std::int32_t highBound = 0;
    TypeCode elementType = TypeCode::None;
    std::int32_t elementSize = 0;
    std::string unit; // upper case
};

// ASCII letters upper-cased; every other byte (code-page characters) kept as it is.
inline std::string UpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

// A lookup reference: a bare name, or a name, one blank and a unit name. The name is the text
// before the first blank, the unit the rest (empty without a blank).
struct NameReference {
    std::string_view name;
    std::string_view unit;
};

inline NameReference SplitReference(std::string_view reference) {
    const std::size_t blank = reference.find(' ');
    if (blank == std::string_view::npos)
        return {reference, {}};
    return {reference.substr(0, blank), reference.substr(blank + 1)};
}

} // namespace engine
