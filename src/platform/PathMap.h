// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Turns a file name written by a project or unit code (Windows style, code-page bytes) into a
// host path (UTF-8): backslashes become slashes; a drive letter ("C:\data\x.txt", "d:x.txt")
// stands for the drive root; a component that does not exist as written is looked up in its
// directory ignoring ASCII letter case, since projects come from a system whose file names
// ignore case. Components with wildcards ("*", "?") are kept as written. A relative path stays
// relative to the current directory.
//
// The drive root is process-wide: set once at start-up (the project directory), before other
// threads run. Until then a drive letter maps to the current directory.
void SetDriveRoot(std::string hostDirectory);
std::string DriveRoot();

std::string HostPath(std::string_view projectPath);

// The same mapping with the case look-up but without the code-page step: for paths that are
// already UTF-8 (command lines, configuration).
std::string ResolveCase(std::string_view utf8Path);

} // namespace platform
