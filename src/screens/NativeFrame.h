// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "screens/NativeFigure.h"

class QFrame;

namespace screens {

// Gives a framed control (memo, list, container window) the border of its options word: none,
// a one-pixel black line, or the sunken three-dimensional panel.
void ApplyFrameBorder(QFrame& frame, NativeBorder border);

// Frames draw their line in the window-text colour, which these controls do not use for text:
// it is kept black so that the line is the window-frame colour whatever the fore colour.
void KeepFrameLineBlack(QWidget& control);

} // namespace screens
