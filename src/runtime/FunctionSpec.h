// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "engine/TypeCodes.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace runtime {

// One declared parameter of a runtime function. The name is kept exactly as declared, blanks
// and punctuation included ("Image Number", "#Page", "On/Off").
struct ParameterSpec {
    engine::PassingMode mode;
    engine::TypeCode type;
    std::string_view name;

    friend constexpr bool operator==(const ParameterSpec&, const ParameterSpec&) = default;
};

// The parameter lists of a row without parameters still hold one entry: by value, type none,
// no name. The parameter count stays 0.
inline constexpr ParameterSpec NoParameterPlaceholder[] = {
    {engine::PassingMode::ByValue, engine::TypeCode::None, ""}};

// How arguments travel. Runtime functions use the register convention (EAX, EDX, ECX, then the
// stack pushed left to right); operating-system entries that units declare from DLLs use the
// standard convention (everything on the stack, pushed right to left, callee-clean).
enum class CallingConvention : std::uint8_t { Register, StdCall };

// The machine-level signature of one runtime function that unit code calls by name. Rows are
// constant data with static storage; the texts and the parameter span view that data.
struct FunctionSpec {
    std::string_view name;     // upper case, as unit code names it ("INTTOSTR", "@")
    engine::FunctionKind kind; // Function (has a result) or Procedure
    engine::TypeCode result;   // None for a procedure
    std::span<const ParameterSpec> parameters; // empty when the function takes none
    // Non-empty: this row calls the implementation of the named row (its signature matches).
    std::string_view sharesEntryOf{};
    // False for the row that is registered without an implementation: calling it does nothing
    // and returns the result type's default.
    bool implemented = true;
    CallingConvention convention = CallingConvention::Register;

    constexpr std::size_t ParameterCount() const { return parameters.size(); }

    // The mode, type and name lists as registered: the declared parameters, or the single
    // placeholder entry when there are none.
    constexpr std::span<const ParameterSpec> RegisteredLists() const {
        if (parameters.empty())
            return NoParameterPlaceholder;
        return parameters;
    }
};

// A code-generation helper: real x86-32 code with a private register contract. Helpers carry
// no parameter lists; the declared result type only documents what the compiler expects.
struct HelperSpec {
    std::string_view name;
    engine::FunctionKind kind;
    engine::TypeCode result;
};

// Which part of the run-time sets or reads a system variable's cell besides unit code.
// Modules: only unit code uses the cell.
enum class SystemVariableOwner : std::uint8_t {
    Modules,
    IoDriver,      // sent with every port and physical-memory request
    Ladder,        // the ladder power word of the built-ins
    Scheduler,     // scan pulses, first-scan and final-scan flags
    Screens,       // screen runtime and GUI cycle
    Clock,         // refreshed together by the runtime clock update
    Dictionary,    // language and translation switch
    VariableStore, // global-variable block base and size
    Printing,
    Alarms,  // call-back addresses
    General, // general-purpose cells for unit code and run-time code alike
};

// One system variable: a named cell the run-time owns for the whole run.
struct SystemVariableSpec {
    std::string_view name; // upper case
    engine::TypeCode type; // Integer, Real, Boolean, Byte, Word or String
    std::int32_t initial;  // for the integral types; Real and String cells start at 0 / empty
    SystemVariableOwner owner;
};

// Size in bytes of a system variable cell of this type (a Real takes 16 so that cells stay
// 16-byte aligned); 0 for a type no system variable has.
constexpr std::uint32_t CellSize(engine::TypeCode type) {
    switch (type) {
    case engine::TypeCode::String:
        return 256;
    case engine::TypeCode::Real:
        return 16;
    case engine::TypeCode::Double:
        return 8;
    case engine::TypeCode::Integer:
    case engine::TypeCode::Single:
        return 4;
    case engine::TypeCode::Word:
        return 2;
    case engine::TypeCode::Boolean:
    case engine::TypeCode::Byte:
        return 1;
    default:
        return 0;
    }
}

} // namespace runtime
