// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "screens/ClassData.h"

namespace screens {

// Reading single fields of an object's class data for the screen-object classes. Data may be
// null, of another layout or cut short (a damaged file): a field that is not there reads as the
// fallback, so a class always ends up with defined values.

// The bytes of a text or raw field; empty when absent.
std::string TextField(const ClassData* data, std::string_view name);
// The number of a byte or integer field; `fallback` when absent.
std::int64_t NumberField(const ClassData* data, std::string_view name, std::int64_t fallback = 0);
// The items of a list, caption or column field; empty when absent.
std::vector<std::string> ItemsField(const ClassData* data, std::string_view name);

// Applies the "hint" field, when the data has one that is not empty, to the current figure
// (translated as its tooltip, the raw text kept as its design hint).
void ApplyHintField(const ClassData* data);

} // namespace screens
