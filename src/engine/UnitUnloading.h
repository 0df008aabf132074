// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "engine/ProgramRecords.h"
#include "platform/GuestMemory.h"

#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace platform {
class CpuEngine;
}
namespace shell {
class ProjectPackage;
}

namespace engine {

class Loader;

// What unit code may safely ask of the loader while it runs: the checks that keep a load or an
// unload it asks for from freeing code that is still running or still linked to. All of them
// read the program list; call them only while no scheduler pass can change it (scheduling
// paused, or from inside the pass itself).

// The loaded units whose code is on the call chain of `cpu`'s thread: the code that made the
// current call and every unit code below it on the guest stack (nested calls such as CALLTASK
// run on the same stack, under the interrupted code). A stack word that merely looks like a
// return address counts too: the answer errs on the side of "running". nullopt when the stack
// cannot be read (then nothing can be ruled out).
std::optional<std::set<std::string>> UnitsOnCallChain(const platform::CpuEngine& cpu,
                                                      const platform::GuestMemory& memory,
                                                      const ProgramList& programs);

// The name of a loaded unit (other than `unit` itself and those in `alsoGoing`) that is linked
// to `unit`: one that lists it among the units it uses, or whose code holds an address inside
// `unit`'s data area (its variables and entry cells), which is what a fix-up to one of its
// exports leaves there. Empty when none is.
std::string UnitLinkedTo(const ProgramList& programs, const platform::GuestMemory& memory,
                         const TProgRun& unit, const std::set<std::string>& alsoGoing = {});

// `name` with every loaded unit that uses it, directly or through others: what unloading `name`
// takes away.
std::set<std::string> UnitWithDependents(const ProgramList& programs, std::string_view name);

// What loading `path` would unload before placing the new code, as the loader decides it: a unit
// loaded with another stamp goes with its dependents, and a used unit that changed on disk
// makes the loader unload and reload every unit. Units whose module cannot be read, or that are
// current already, change nothing.
struct LoadImpact {
    std::set<std::string> unloaded; // unit names (upper case)
    bool everything = false;        // every loaded unit is unloaded and loaded again
};
LoadImpact PredictLoad(const Loader& loader, const ProgramList& programs,
                       const shell::ProjectPackage* package, std::string_view path);

} // namespace engine
