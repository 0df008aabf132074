// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <string>

#include <QFont>
#include <QSize>
#include <QString>

class QFontMetrics;
class QPainter;

namespace screens {

struct FigureProperties;

// Texts of Text and Value figures: what they show, how big a Text figure makes itself, and the
// drawing. Pure functions of the properties; GUI thread (fonts).

// The number a Value figure shows: written in a field of 15 with `decimals` decimals (at most
// 18, more than an extended number holds), leading blanks removed: 3.14159 with 2 -> "3.14".
// Not-a-number shows "Nan", infinities "+Inf" and "-Inf".
std::string FormatValue(long double value, int decimals);

// The figure's font.
QFont FigureFontOf(const FigureProperties& properties);

// The text a figure shows: the number of a Value figure; otherwise the translation of its raw
// text (the raw text when there is none), as Unicode.
QString ShownText(const FigureProperties& properties);

// A Text figure whose shown text holds "#" keeps its size and draws word-wrapped.
bool KeepsItsSize(const QString& shown);

// The size of a Text figure: the text's width w and height h at angle 0, or for an angle a
// (h + round(|cos a| x w), h + round(|sin a| x w)).
QSize TextFigureSize(const QFontMetrics& metrics, const QString& shown, int angle);

// Draws a Text or Value figure of `size`: the back colour first when filled; the text in the fore
// colour from the top-left corner, turned about the figure's centre when the angle is not 0; a
// text with "#" word-wrapped and centred, each "#" shown as a blank, tabs expanded.
void PaintFigureText(QPainter& painter, QSize size, const FigureProperties& properties, const QString& shown);

} // namespace screens
