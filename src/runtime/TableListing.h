// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "runtime/FunctionSpec.h"

#include <string>

namespace runtime {

// The listings that `rtquorva --list-functions` and `--list-variables` print: one row per line,
// TAB-separated, in registration order, numbers in decimal.
//
// A helper:    NAME  kind  result
// A function:  NAME  kind  result  count  mode:type:name ...   (no parameter fields for count 0)
// A variable:  NAME  type
std::string HelperListingLine(const HelperSpec& helper);
std::string FunctionListingLine(const FunctionSpec& function);
std::string VariableListingLine(const SystemVariableSpec& variable);

// Every helper, then every function; every system variable. Each line ends with "\n".
std::string FunctionListing();
std::string VariableListing();

} // namespace runtime
