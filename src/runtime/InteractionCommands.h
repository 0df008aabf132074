// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"
#include "runtime/GuestValues.h"
#include "runtime/ShortString.h"

#include <cstdint>

namespace runtime {

class Implementations;

// Binds the drag, cursor and interaction commands and ARRIVE/DEPART (MENUSTR is a menu
// function). Called by AddButtonCommands.
platform::Status AddInteractionCommands(Implementations& implementations);

// The commands as plain functions, acting on the current figure or window. GUI thread only.
// Without a target they do nothing and return 0, false or the empty String.
namespace screencmd {

// --- Drag and drop between figures ---
// Starts a drag carrying `value` (an empty value cancels the drag). It stays pending until a
// DROP takes it or the next DRAG replaces it.
void Drag(ShortString value);
// Takes the pending drag when the left button was released over the current figure in this
// cycle; GETDROP then returns its text.
bool Drop();
ShortString GetDrop();
// The current figure's object name.
ShortString GetFigName();

// --- Scroll bars, cursor, blinking, focus ---
// Shows (as needed) or hides a scrolling control's horizontal or vertical scroll bar.
void ValidXScroll(bool visible);
void ValidYScroll(bool visible);
// The hourglass over the whole application, and back to the normal cursor.
void CursorWait();
void CursorNormal();
// Switches the current figure's blinking on or off; the new state.
bool BlinkN();
// When the current figure's text differs from `text`: `text` takes it and the result is true.
bool StrChange(StringRef text);
// Takes the keyboard focus from the current figure; whether it had it.
bool LooseFocus();
// True once when the current figure has got the keyboard focus (ARRIVE) or lost it (DEPART)
// since the previous call of the same command for it.
bool Arrive();
bool Depart();

// --- Operator actions ---
// Lets the operator drag the current figure with the left button: true while it moves.
bool MoveFig();
// A momentary button: `state` is true while the current button figure is held down or the key
// with virtual-key code `key` (0: none) is held. The figure shows the key's state.
void PushButton(BitRef state, std::uint16_t key);
// A toggle button: each press of the current figure or of `key` inverts `state`; a button
// figure shows `state` as its down state.
void ToggleButton(BitRef state, std::uint16_t key);
// Enables or disables the current figure (a glyph button keeps the state for its later Runs).
void ValidButton(bool state);
// Maps `value` linearly from the input range onto the output range; an empty input range gives
// the low end of the output range. Not clamped.
long double Scale(long double value, long double inLow, long double inHigh, long double outLow,
                  long double outHigh);
// The current figure as a slider knob travelling `pixelMax` pixels from where it was at the
// first call (vertical: upwards from there, horizontal: to the right). While the operator drags
// it, its position sets `variable` (low..high); otherwise it follows `variable`.
void SliderVertical(Ref<long double> variable, std::int32_t pixelMax, long double low,
                    long double high);
void SliderHorizontal(Ref<long double> variable, std::int32_t pixelMax, long double low,
                      long double high);
// Whether there is a current window and it is shown.
bool WindowValid();
// Whether the operator may close the current window.
void SetCanClose(bool canClose);

} // namespace screencmd

} // namespace runtime
