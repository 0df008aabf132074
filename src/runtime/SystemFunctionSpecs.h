// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "runtime/FunctionSpec.h"

#include <cstddef>
#include <span>
#include <string_view>

namespace runtime {

// Rows of the user-visible runtime functions, in registration order: the core built-ins first
// ("@" right after "ADDR"), then the screen-object, service and communication commands.
inline constexpr std::size_t SystemFunctionCount = 497;
inline constexpr std::size_t CoreBuiltinCount = 61; // "@" counted

// All function rows, in registration order. Static data: the views never dangle.
std::span<const FunctionSpec> SystemFunctionSpecs();

// The row of that name (exact, upper case as registered), or null.
const FunctionSpec* FindSystemFunctionSpec(std::string_view name);

} // namespace runtime
