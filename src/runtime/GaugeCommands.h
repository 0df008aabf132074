// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>

#include "platform/Result.h"

namespace runtime {

class Implementations;

// Binds the slider, track bar and up-down commands, and the angle and flood-fill commands of
// drawn figures.
platform::Status AddGaugeCommands(Implementations& implementations);

// The commands as plain functions, acting on the current figure (GUI thread). A current figure
// without the object or figure class a command serves makes it do nothing and return 0 or false.
namespace screencmd {

// --- slider (attached TSLIDER) ---
// Whether the operator moved the slider since the last call (the call clears it).
bool SliderChange();
// Moves the slider to `qioValue` only when that value differs from the one given at the
// previous call; true when it did. An operator's move is thus not undone by an unchanged value.
bool SliderQioChange(long double qioValue);
long double GetSlider();
void SetSlider(long double position); // clamped into the slider's range

// --- track bars (attached TCTRACKBAR or STrackBar) ---
bool TrackChange();
bool TrackQioChange(std::int32_t qioValue);
std::int32_t GetTrackBar();
void SetTrackBar(std::int32_t position);
// The lowest and the highest position of the track; a start not below the end (or an end not
// above the start) is refused and nothing changes.
void SetTrackStart(std::int32_t position);
void SetTrackEnd(std::int32_t position);

// --- up-down (attached TCUPDOWN) ---
std::int32_t GetUpDown();
// Sets the spin position (clamped to its limits) and writes it into the attached edit.
void SetUpDown(std::int32_t value);

// --- drawn figures ---
// The rotation of texts, values and point lists, 0..359.
std::int32_t GetAngle();
// Any angle, negative ones too, is taken modulo 360.
void SetAngle(std::int32_t angle);
// The fill level: on or off, its colour and its height in percent (clamped to 0..100).
void FloodFill(bool isFlood, std::int32_t colour, std::int32_t percent);

} // namespace screencmd

} // namespace runtime
