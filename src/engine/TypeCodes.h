// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <iterator>
#include <string_view>

namespace engine {

// The one-byte type code of a variable, parameter or result, shared by unit modules, the
// runtime function table and the variable store.
enum class TypeCode : std::uint8_t {
    RealValue = 0,      // 10-byte extended real (initialised like Real)
    IntegerLiteral = 1, // integer literal constant: takes no room
    StringLiteral = 2,  // string literal constant: 256 bytes
    Boolean = 3,
    Integer = 4,        // 32-bit signed
    Real = 5,           // 10-byte extended real
    Boolean6 = 6,       // Boolean, as 3
    Byte = 7,
    String = 9,         // short string, 256 bytes
    Array = 10,
    ObjectReference = 16,
    Bit = 17,           // parameter only: a Boolean held as one bit of a 32-bit word array
    None = 18,          // no result; element type of a non-array
    Untyped = 19,       // by-reference parameter of any type
    Word = 20,          // 16-bit unsigned
    Record = 22,
    FourBytes = 23,
    Single = 24,
    Double = 25,
    ValueList = 26,     // open list of 8-byte entries
};

// Passing mode of a parameter.
enum class PassingMode : std::uint8_t { ByReference = 0, ByValue = 1 };

// Kind of a function row or record.
enum class FunctionKind : std::uint8_t { Function = 11, Procedure = 12 };

constexpr std::uint8_t ToByte(TypeCode code) { return static_cast<std::uint8_t>(code); }

// A short English name of a type code for tools and messages; empty for codes without a meaning.
constexpr std::string_view TypeCodeName(std::uint8_t code) {
    // clang-format off
    constexpr std::string_view kNames[] = {
        "RealValue", "IntegerLiteral", "StringLiteral", "Boolean", "Integer",   // 0..4
        "Real", "Boolean6", "Byte", "", "String",                             // 5..9
        "Array", "", "", "", "",                                              // 10..14
        "", "ObjectReference", "Bit", "None", "Untyped",                      // 15..19
        "Word", "", "Record", "FourBytes", "Single",                          // 20..24
        "Double", "ValueList"};                                               // 25, 26
    // clang-format on
    return code < std::size(kNames) ? kNames[code] : std::string_view{};
}

} // namespace engine
