// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <string>
#include <string_view>

#include "platform/Result.h"

namespace platform {

// Texts of projects and unit code are single-byte strings of one Windows code page; they are
// kept as bytes and converted only where they meet UTF-8 (Qt, file names on the disk, logs).
// The code page is process-wide, Windows-1252 unless configured; set it before threads start.

// Names the code page by its iconv name ("WINDOWS-1252", "CP1250" ...); fails for a name that
// iconv does not know, leaving the current one.
Status SetSystemCodePage(std::string_view iconvName);
std::string SystemCodePage();

// Bytes of the code page to UTF-8. A byte the code page leaves undefined becomes the Unicode
// character of the same number, as Windows does, so that nothing is lost.
std::string CodePageToUtf8(std::string_view bytes);

// UTF-8 to bytes of the code page. A character the code page cannot hold becomes "?", except
// that U+0080..U+00FF standing for a byte the code page leaves undefined becomes that byte again
// (the inverse of CodePageToUtf8). A byte that is not part of well-formed UTF-8 (stray, truncated,
// overlong, surrogate) is kept as it is.
std::string Utf8ToCodePage(std::string_view utf8);

// The text with the ASCII letters a-z upper-cased and every other byte kept: how names (units,
// screens, objects, classes) are compared and stored whatever the code page.
std::string UpperAscii(std::string_view text);

} // namespace platform
