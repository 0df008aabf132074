// Quorva run-time. Licensed under the MIT licence.
#include "screens/NativeFrame.h"

#include <QFrame>
#include <QPalette>

namespace screens {

void ApplyFrameBorder(QFrame& frame, NativeBorder border)
{
    switch (border) {
    case NativeBorder::None: frame.setFrameStyle(QFrame::NoFrame); break;
    case NativeBorder::Flat:
        frame.setFrameStyle(QFrame::Box | QFrame::Plain);
        frame.setLineWidth(1);
        break;
    case NativeBorder::Sunken: frame.setFrameStyle(QFrame::StyledPanel | QFrame::Sunken); break;
    }
}

void KeepFrameLineBlack(QWidget& control)
{
    QPalette palette = control.palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    control.setPalette(palette);
}

} // namespace screens
