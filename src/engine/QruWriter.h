// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "engine/QruModule.h"
#include "platform/Result.h"

#include <string>

namespace engine {

// Says whether a module can be written so that ReadQruModule gives it back: every text fits a
// short string (fix-up names 1..254 bytes, since 0 and 255 are the list's markers, except an
// empty name that only repeats an empty one), attached files have a kind without blanks and a
// non-empty stored name, no size is negative, the data size holds the variables and entry cells,
// and entry offsets and fix-up sites lie inside the code. The failure names the first problem.
platform::Status CheckQruModule(const QruModule& module);

// The module's exact byte layout. The code size written is the size of `code`; the attachments
// flag is set when the header asks for it or attachments are present. A fix-up that repeats the
// previous entry's name is written with the 0 byte. Meant for modules that pass CheckQruModule;
// for others the bytes still follow the layout (texts are cut to fit, an attached file without
// a name is left out) but may not read back as the same module. Any thread may call it.
std::string WriteQruModule(const QruModule& module);

} // namespace engine
