// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <QSize>
#include <QString>

class QPainter;

namespace screens {

struct FigureProperties;

// Draws a Group: the back colour when filled, an etched frame whose top edge runs through the
// middle of the caption line, the caption in the fore colour near the top-left corner.
void PaintGroupFace(QPainter& painter, QSize size, const FigureProperties& properties, const QString& caption);

} // namespace screens
