// Quorva run-time. Licensed under the MIT licence.
#pragma once

class QWidget;

namespace screens {

class Figure;

// The current figure on the first Run of a class that builds its control then, marking `built`
// (the class's own flag); null on every later Run and when there is no current figure.
Figure* PlaceholderOnFirstRun(bool& built);

// Puts a control where a placeholder figure was, as its sibling: same parent, bounds, palette and
// font, right above the placeholder in the stacking order (so that a placeholder shown again
// stays covered) and with the placeholder's visibility; the placeholder is hidden. Called once
// the control is set up. GUI thread.
void ReplacePlaceholder(QWidget& placeholder, QWidget& control);

// Puts a native control in place of a class's placeholder figure: the control becomes a child
// of the placeholder's widget and covers it whole, following its size. The placeholder thus
// keeps doing what every figure does (bounds, visibility, page layer, docking, hint), and the
// commands that act on the current figure move, hide and show the control with it. The control
// takes the placeholder's palette and font by inheritance. GUI thread.
void FillPlaceholder(QWidget& placeholder, QWidget& control);

} // namespace screens
