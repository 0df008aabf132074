// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

#include <filesystem>
#include <string>

namespace qruasm {

// The whole content of a regular file; a failure names the file and the system's reason.
platform::Result<std::string> ReadFileBytes(const std::filesystem::path& path);

} // namespace qruasm
