// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"
#include "runtime/ShortString.h"

#include <cstdint>

namespace runtime {

class Implementations;

// Binds the media player commands.
platform::Status AddMediaCommands(Implementations& implementations);

// The media player commands as plain functions, on Qt Multimedia through the media module. A
// player belongs to a figure: INITPLAYER makes the current figure's; the other commands act on
// the current figure's player, or, when the current figure has none, on the player used last.
// Without a player (or without the module) they do nothing and return 0 or false. Media names
// are project file names (code-page bytes, Windows style). Positions are milliseconds. GUI thread.
namespace screencmd {

// Makes the current figure's player (the video fills the figure; stretched, or with its aspect
// ratio kept) and opens the medium `name` when it is not empty.
void InitPlayer(ShortString name, bool stretched);
// Opens another medium in the player, stopped at its start. One that cannot be played is
// logged and leaves the player empty.
void NewMedia(ShortString name);
void PlayMedia();        // plays on from the position; from the start when at the end
void StopMedia();        // stops where it is
void PauseMedia();       // pauses a playing medium, resumes a paused one
void PauseOnlyMedia();   // pauses a playing medium
void ResumeMedia();      // plays on after a pause or a stop
void StepMedia();        // one frame on (100 ms for sound), paused
void BackMedia();        // one frame back (100 ms for sound), paused
void PreviousTrack();    // a medium is one track: to its start
void NextTrack();        // to its end
void RewindMedia();      // to the start, keeping the state
std::int32_t GetPositionMedia();
std::int32_t GetLengthMedia();
bool MediaAtZero();
bool MediaAtEnd();
bool MediaPlaying();

} // namespace screencmd

} // namespace runtime
