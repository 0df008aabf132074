// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Result.h"

namespace screens {

// Reading and writing the small text files of the tree view and the check list. Names are
// project paths (code-page bytes, backslashes), mapped to the host through platform::HostPath.
// Any thread.

// True when a regular file of that name exists.
bool ListFileExists(std::string_view projectPath);

// The whole file; refused (with the path and why) when it cannot be read or is bigger than
// `maxSize`.
platform::Result<std::string> ReadListFile(std::string_view projectPath, std::uint64_t maxSize);

// Writes `bytes` as the file's new content through a temporary file beside it that replaces the
// file only once complete, so that a failed write never leaves half a file. A name with
// wildcards ("*", "?") is refused.
platform::Status WriteListFile(std::string_view projectPath, std::string_view bytes);

} // namespace screens
