// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

#include <string>
#include <string_view>

// Reading and writing the files the tools take and make.
namespace toolfiles {

// The whole content of a regular file; a failure names the file and the system's reason.
platform::Result<std::string> ReadWholeFile(const std::string& path);

// Writes `path` completely or not at all: a temporary file beside it is renamed over it.
platform::Status WriteFileAtomically(const std::string& path, std::string_view bytes);

} // namespace toolfiles
