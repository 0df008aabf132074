// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"
#include "runtime/ShortString.h"

namespace runtime {

class Implementations;

// Binds the Grafcet viewer commands (WINGRAFCET and its siblings).
platform::Status AddGrafcetCommands(Implementations& implementations);

// The Grafcet viewer commands as plain functions. They take no figure: each acts on the viewer
// registered for the current figure (by its name). Without a current figure, or called from
// another thread than the screens' (a cyclic unit on the scan thread), they do nothing, with a
// warning in the log. GUI thread.
namespace screencmd {

// Finds or makes the current figure's viewer and loads the chart `name` into it (".Gr7" is
// appended when the file name has no "."). A chart that does not exist changes nothing; a
// damaged one is logged and changes nothing.
void WinGrafcet(ShortString name);
// Reads the steps' states and redraws those that changed.
void WinGrafcetRefresh();
void WinGrafcetZoomIn();
void WinGrafcetZoomOut();
// Empties the viewer and unregisters it: it stays on the screen, empty, until a later
// WINGRAFCET for the figure makes a new viewer in its place.
void WinGrafcetClear();

} // namespace screencmd

} // namespace runtime
