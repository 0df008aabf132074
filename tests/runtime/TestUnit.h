// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "engine/FunctionCollection.h"
#include "platform/GuestMemory.h"
#include "platform/Result.h"

namespace testsupport {

// A unit module placed in guest memory for tests of the calling contract, the way the loader
// places units: one block of data area + code, variables in table order (integer constants
// take no room), then one entry cell per function record holding its code address; variable
// fix-ups resolved against the unit's own variables, function fix-ups against `functions`
// (the run-time's rows) and then the unit's own functions.
struct TestUnit {
    platform::GuestAddress block = 0;
    platform::GuestAddress code = 0;
    std::map<std::string, platform::GuestAddress> variables; // upper-case names
    std::map<std::string, platform::GuestAddress> entries;   // function name -> code address
};

platform::Result<TestUnit> PlaceTestUnit(platform::GuestMemory& memory,
                                         const engine::FunctionCollection& functions,
                                         std::string_view moduleBytes);

} // namespace testsupport
