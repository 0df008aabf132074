// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "screens/ClassData.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace screens {

// A screen file keeps at most this many characters of a class name.
inline constexpr std::size_t kClassNameLength = 10;

// Every registered screen-object class layout, built once from the token tables on first use and
// kept for the whole process; safe to call from any thread.
const std::vector<ClassLayout>& ClassLayouts();

// The layout that a class name from a screen file stands for: the registered name whose first 10
// characters equal it, ignoring case ("PAGECONTRO" names "PageControl"). Null when none does or
// the name is empty.
const ClassLayout* FindClassLayout(std::string_view fileClassName);

// Case-insensitive comparison of ASCII letters; other bytes compare as they are.
bool SameNameIgnoringCase(std::string_view a, std::string_view b);

} // namespace screens
