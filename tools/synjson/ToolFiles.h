// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

#include <string>

namespace synjson {

// The whole content of a regular file; a failure names the file and the system's reason.
platform::Result<std::string> ReadWholeFile(const std::string& path);

// Writes through a temporary file beside `path`, renamed over it at the end, so that a failure
// leaves no half-written file.
platform::Status WriteFileAtomically(const std::string& path, const std::string& bytes);

} // namespace synjson
