// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <optional>
#include <string>

#include <QIcon>

#include "screens/SynScreen.h"

namespace screens {

class ScreenForm;

// Sets a window up from a screen file's header: bounds, background colour, translated caption
// (also the application title for the main window), stay-on-top, border (dialog, without
// caption bar, sizeable or fixed), border icons, centring, tool window. A version 7 screen adds
// its size limits (zero maxima meaning the screen's available size) and its icon image. The
// window becomes the current window. GUI thread.
void SetUpWindow(ScreenForm& window, const SynHeader& header,
                 const std::optional<SynExtendedBlock>& extended);

// The window icon from the 2238-byte icon image of a screen file; null when the image holds no
// icon Qt can read.
QIcon IconFromImage(const std::string& image);

// After the objects: the main window's close permission and the MDI frame or child set-up
// (a child window is placed in the frame's workspace, with the header's rectangle again), the
// maximized state.
void FinishWindow(ScreenForm& window, const SynHeader& header);

} // namespace screens
