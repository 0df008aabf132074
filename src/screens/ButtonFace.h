// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <QSize>
#include <QString>

class QPainter;

namespace screens {

struct FigureProperties;

// Draws the face of a Button (the classic raised face, sunken while down) or an XPBUTTON (a
// rounded face that darkens while down), with the caption centred in the fore colour ("&" marks
// a mnemonic, as in captions of the editor). The down state is the properties' `down`.
void PaintButtonFace(QPainter& painter, QSize size, const FigureProperties& properties, const QString& caption,
                     bool roundedStyle);

} // namespace screens
