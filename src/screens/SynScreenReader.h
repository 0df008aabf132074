// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"
#include "screens/SynScreen.h"

#include <string_view>

namespace screens {

// The format version of a screen file from its first 13 bytes: the 13th byte as a decimal digit.
// Fails when there are fewer than 13 bytes or the digit is not 3 to 7.
platform::Result<int> ReadSynVersion(std::string_view bytes);

// Reads a whole screen file from its bytes; any thread may call it. Every read is bounded by the
// bytes. Damage in the header (too short, a version outside 3..7) gives a failure and no screen.
// Damage in an object, or a class name that no layout matches (except on ActiveX objects, whose
// controls need no class data), stops object reading: the screen keeps the header and the
// objects read before, and `stop` says which object, at which offset, and why. An object count
// of 0 or less means no objects.
platform::Result<SynScreen> ReadScreen(std::string_view bytes);

} // namespace screens
