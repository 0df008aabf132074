// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "runtime/FunctionSpec.h"

#include <cstddef>
#include <span>

namespace runtime {

// The code-generation helpers, in registration order (they come before every function row).
inline constexpr std::size_t SystemHelperCount = 23;

std::span<const HelperSpec> SystemHelperSpecs();

} // namespace runtime
