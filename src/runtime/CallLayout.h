// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "runtime/FunctionSpec.h"

namespace runtime {

// Where one 32-bit argument word, or a by-value real, lies when a runtime function is entered:
// in EAX, EDX or ECX, or on the stack at an offset from ESP (the return address is at 0).
struct ArgumentLocation {
    enum class Place : std::uint8_t { Eax, Edx, Ecx, Stack };
    Place place = Place::Stack;
    std::uint32_t stackOffset = 0;

    bool InRegister() const { return place != Place::Stack; }
};

// How a parameter arrives: the machine-level class its type and passing mode give it.
enum class ArgumentClass : std::uint8_t {
    Integer,      // by value, 32-bit
    Boolean,      // by value, low byte
    Byte,         // by value, low byte
    Word,         // by value, low 16 bits
    Real,         // by value on the stack, 12 bytes (10 used)
    Double,       // by value on the stack, 8 bytes
    Single,       // by value on the stack, 4 bytes
    StringValue,  // pointer to the caller's String; the callee copies it
    StringRef,    // pointer + hidden highest index
    BitRef,       // pointer to the word array + hidden bit number
    ValueList,    // pointer to the first entry + hidden last index
    Reference,    // pointer to a typed variable
    Untyped,      // pointer alone
};

struct ParameterLayout {
    ArgumentClass argumentClass;
    ArgumentLocation value;
    std::optional<ArgumentLocation> hidden; // StringRef, BitRef, ValueList
};

// The machine-level layout of one runtime function's arguments, worked out once from its
// signature: register-class words fill EAX, EDX, ECX left to right, then go on the stack;
// by-value reals always go on the stack; arguments are pushed left to right and the callee
// removes `stackBytes` on return; a String result is written to a buffer whose address comes
// as one more register-class argument after all others.
struct CallLayout {
    std::vector<ParameterLayout> parameters;
    std::optional<ArgumentLocation> resultBuffer;
    std::uint32_t stackBytes = 0;
};

CallLayout ComputeCallLayout(const FunctionSpec& spec);

ArgumentClass ClassOf(const ParameterSpec& parameter);

} // namespace runtime
