// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>

#include "platform/Result.h"
#include "runtime/GuestValues.h"
#include "runtime/ShortString.h"

namespace runtime {

class Implementations;

// Binds DISPLAYEX, DUPLICATEFORM, WINMESS, GETPALETTECOLOR and FIRSTCOLORS.
platform::Status AddFormInstanceCommands(Implementations& implementations);

// The commands as plain functions (GUI thread).
//
// Monitors are numbered 0 for the primary screen, then 1, 2, ... for the other screens in the
// order the display system lists them. A number with no screen behind it is ignored (logged).
namespace screencmd {

// DISPLAY, then the form moves to monitor `monitor`, keeping its position relative to the
// origin of the screen it was on. An unknown monitor leaves the form where it is.
void DisplayEx(ShortString formName, std::int32_t monitor);

// Opens a second instance of the screen `formName` under the name formName + formIndice
// ("PUMP" and 2 give "PUMP2"), with its own window, figures and automatic unit, placed on
// monitor `monitor` at (newLeftPos, newTopPos) relative to that screen's origin (an unknown
// monitor: the primary screen). An instance that is already open is only shown again. Nothing
// happens (a warning is logged) for an empty or unsafe name, a negative index, a screen the
// project does not have, or an instance name that is a screen of the project itself.
void DuplicateForm(ShortString formName, std::int32_t formIndice, std::int32_t monitor,
                   std::int32_t newLeftPos, std::int32_t newTopPos);

// A Yes/No confirmation box with the text (translated); true when the operator answers Yes. No
// is the default button, and the answer when no box can be shown.
bool WinMess(ShortString text);

// The colour dialog, opened on the variable's colour (a Windows colour value); OK writes the
// chosen colour (0x00BBGGRR) and gives true, Cancel leaves the variable and gives false.
bool GetPaletteColor(Ref<std::int32_t> color);

// Sets the custom colours of the colour dialog back to the set it starts with (all white).
void FirstColors();

} // namespace screencmd

} // namespace runtime
