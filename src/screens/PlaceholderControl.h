// Quorva run-time. Licensed under the MIT licence.
#pragma once

class QWidget;

namespace screens {

// Puts a native control in place of a class's placeholder figure: the control becomes a child
// of the placeholder's widget and covers it whole, following its size. The placeholder thus
// keeps doing what every figure does (bounds, visibility, page layer, docking, hint), and the
// commands that act on the current figure move, hide and show the control with it. The control
// takes the placeholder's palette and font by inheritance. GUI thread.
void FillPlaceholder(QWidget& placeholder, QWidget& control);

} // namespace screens
