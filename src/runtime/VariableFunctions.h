// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/GuestMemory.h"
#include "platform/Result.h"
#include "runtime/ShortString.h"

namespace engine {
class ProjectDirectories;
class Scheduler;
class VariableStore;
} // namespace engine

namespace platform {
class CpuEngine;
} // namespace platform

namespace shell {
class Dictionary;
class ProjectPackage;
} // namespace shell

namespace runtime {

class Implementations;

// Binds the functions on global variables by name (GETQRUVALUE, SETQRUVALUE, GETQRUADDR,
// GETQRUTYPE, GETVARLEN), the project directory and resources (GETPROJECTDIR, EXTRACTRES), the
// procedure dispatch DISPATCHMES and the language (SETLANGUAGE, TRANSLATE, ADDTODICO). They reach
// their subsystem through `Services`; without it they do nothing and return 0, 18 (GETQRUTYPE),
// false or the empty String. Any thread may call them.
platform::Status AddVariableFunctions(Implementations& implementations);

// The functions with their subsystem as an argument (null: the defaults above).
namespace variables {

// A global variable's value as display text, cut to 255 characters; empty for an unknown name.
ShortString GetQruValue(engine::VariableStore* store, std::string_view name);
// Sets it from text; false, nothing changed, for an unknown name or a text that does not
// convert (the reason is logged).
bool SetQruValue(engine::VariableStore* store, std::string_view name, std::string_view value);
// Its guest address; 0 for an unknown name.
std::int32_t GetQruAddr(engine::VariableStore* store, std::string_view name);
// Its type code as the variable store gives it; 18 for an unknown name.
std::int32_t GetQruType(engine::VariableStore* store, std::string_view name);

// The global variable holding a guest address: its address, its start relative to the first
// global, its type code and its size in bytes (an array element counts as the variable).
struct VariableSpan {
    std::int32_t address = 0;
    std::int32_t start = 0;
    std::int32_t type = 18;
    std::int32_t size = 0;
};
// An address before the first global gives {address, 0, 18, 0}; one at or after the end of the
// globals gives the end address with type 18 and size 0.
VariableSpan VarLength(engine::VariableStore* store, platform::GuestAddress address);

// The project directory (project path form); empty when there is none.
ShortString ProjectDirectory(const engine::ProjectDirectories* directories);
// Writes the package entry `resource` (else the disk file of that name) to `destination`,
// created or replaced; false when there is no such resource, a name is empty or the file
// cannot be written.
bool ExtractResource(const shell::ProjectPackage* package, std::string_view resource,
                     std::string_view destination);

// Calls the parameterless procedure at `address` once, at once, on `cpu` (nested in the calling
// unit code). The address must lie in the code of a loaded unit, else nothing runs (logged once
// per address). A fault in the procedure holds its unit, as a fault in a scan does. True when
// the procedure ran to its end.
bool DispatchProcedure(engine::Scheduler* scheduler, platform::CpuEngine& cpu,
                       platform::GuestAddress address);

// The current language, 1 (source) to 6; other numbers change nothing.
void SetLanguage(shell::Dictionary* dictionary, std::int32_t language);
// The text in the current language, whether translation is on or off; cut to 255 characters.
ShortString Translate(shell::Dictionary* dictionary, std::string_view text);
// Appends the entries of a dictionary file on disk; false when it cannot be read.
bool AddToDico(shell::Dictionary* dictionary, std::string_view path);

} // namespace variables

} // namespace runtime
