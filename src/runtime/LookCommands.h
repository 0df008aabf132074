// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>

#include "platform/Result.h"
#include "runtime/GuestValues.h"
#include "runtime/ShortString.h"

namespace runtime {

class Implementations;

// Binds the font, picture handle and window border commands.
platform::Status AddLookCommands(Implementations& implementations);

// The commands as plain functions (GUI thread). Without their target (a current figure, a
// Bmp figure, a current window) they do nothing and return 0.
namespace screencmd {

// The current figure's font name, keeping its height and style.
void SetFontName(ShortString fontName);
// The current figure's font style: bold 1, italic 2, underline 4, strike-out 8; other bits are
// ignored.
void SetFontStyle(std::int32_t fontStyle);

// Loads a bitmap file (through the package, then the disk; a name without extension also tries
// ".Bmp") and returns its picture handle, with its width, height and palette size (the colour
// count of a bitmap of 8 bits per pixel or fewer, else 0). A missing or damaged file, or a full
// handle table, gives 0 and sets the three to 0. Opening the same name again reloads it under
// the same handle.
std::int32_t OpenBmp(ShortString bitmapName, Ref<std::int32_t> width, Ref<std::int32_t> height,
                     Ref<std::int32_t> palette);
// The current Bmp figure shows the picture of that handle; an unknown handle changes nothing.
void SetHandleBmp(std::int32_t handle);
// The handle of the picture the current Bmp figure shows (given one the first time it is
// asked); 0 for another figure or a figure without a picture.
std::int32_t GetHandleBmp();

// The current window's smallest and largest size; 0 (or less) = no limit. A maximum below the
// minimum is raised to it.
void RestrictWinSize(std::int32_t widthMin, std::int32_t heightMin, std::int32_t widthMax,
                     std::int32_t heightMax);
// The current window's border: 0 none, 1 single (fixed size), 2 sizeable, 3 dialog, 4 tool
// window, 5 sizeable tool window; other codes change nothing. A window inside an MDI frame keeps
// its frame and takes only the fixed or sizeable part.
void SetBorderStyle(std::uint16_t borderStyle);

} // namespace screencmd

} // namespace runtime
