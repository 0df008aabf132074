// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"
#include "runtime/ShortString.h"

namespace runtime {

class Implementations;

// Binds WINLADDER, WINLADDERREFRESH, WINLADDERZOOMIN, WINLADDERZOOMOUT and WINLADDERCLEAR: unit
// code shows a ladder diagram in place of the current figure and drives it (viewers/LadderViewer.h).
// They act on the viewer registered under the current figure's name and do nothing without one,
// or when called from another thread than the GUI's. WINLADDER's name is a project file name
// (".lad" appended when it holds no ".").
platform::Status AddLadderViewerCommands(Implementations& implementations);

namespace screencmd {
void WinLadder(ShortString ladderName);
void WinLadderRefresh();
void WinLadderZoomIn();
void WinLadderZoomOut();
void WinLadderClear();
} // namespace screencmd

} // namespace runtime
