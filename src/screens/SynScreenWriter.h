// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"
#include "screens/SynScreen.h"

#include <string>

namespace screens {

// Writes a screen file in the format version of `screen.header.version` (3 to 7; the extended
// block only in version 7, with defaults when the screen has none). ReadScreen gives the same
// screen back. Refused, with a message naming the object and field: a version outside 3..7, a text
// longer than its field holds, raw fields of the wrong size, more than 32767 objects, an object
// whose class name names a layout but whose class data is missing or of another layout, and data
// that does not belong to the object's kind. `stop` and `warnings` are not written. Any thread.
platform::Result<std::string> WriteScreen(const SynScreen& screen);

} // namespace screens
