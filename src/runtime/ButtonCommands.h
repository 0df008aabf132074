// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"
#include "runtime/ShortString.h"

#include <cstdint>

namespace runtime {

class Implementations;

// Binds the check box, button and radio commands, the text case commands and the drag, cursor and
// interaction commands.
platform::Status AddButtonCommands(Implementations& implementations);

// The commands as plain functions, acting on the current figure. GUI thread only. A figure of
// another kind, or none, makes a command do nothing and return 0, false or the empty String.
// Texts are code-page bytes.
namespace screencmd {

// --- Check boxes and radio buttons (kind 134) ---
void Check();
void Uncheck();
// 0 unchecked, 1 checked, 2 undetermined.
std::int32_t GetCheck();
// 0 unchecks, 2 shows the box undetermined, any other value checks.
void SetCheck(std::int32_t flag);
bool GetCheckBox();
void SetCheckBox(bool state);
// A box bound to a variable (TCCASE, TCRADIO): the variable's state, and setting the variable
// together with the box. A box without a variable: its check state.
bool GetQioBox();
void SetQioBox(bool state);
// Checks the box and unchecks the other check boxes of its link chain.
void Exclusive();
// A radio button's state; setting it checks it and unchecks the other radio buttons (TCRADIO)
// of its link chain.
bool GetRadio();
void SetRadio(bool state);

// --- Buttons ---
// Puts a drawn button down and every other button of its link chain up.
void ExclusiveButton();
// A glyph button (TCBUTTON, TCXButton): its glyph from `name` + ".Bmp"; a Bmp figure: its
// picture.
void LoadBmp(ShortString name);
// A glyph button: its glyph again from the name in its data (executable resources do not exist
// on this system).
void LoadBmpFromRes();
// Whether the current button was clicked (a glyph button: in the last cycle; a drawn button:
// released over it in this cycle).
bool Button();
// A drawn figure used as a button showing pictures (a Bmp figure): TOGGLEOWNER changes its down
// state on each press, BUTTONOWNER is down while pressed; the picture is `nDown` while down,
// `nUp` otherwise. The down state (BUTTONOWNER: also true in the cycle of a press).
bool ToggleOwner(ShortString nUp, ShortString nDown);
bool ButtonOwner(ShortString nUp, ShortString nDown);

// --- Text case ---
// Only the letters a-z and A-Z change; every other byte stays.
ShortString UpCases(ShortString text);
ShortString LoCases(ShortString text);

} // namespace screencmd

} // namespace runtime
