// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <string>
#include <vector>

namespace screens {

// Writes an image of every open screen window into `directory` (made when missing) as
// NAME + `suffix` + ".png", NAME being the screen name upper-cased. The written paths; a file
// that cannot be written is logged and left out. GUI thread.
std::vector<std::string> WriteScreenshots(const std::string& directory, const std::string& suffix);

} // namespace screens
