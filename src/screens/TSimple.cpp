// Quorva run-time. Licensed under the MIT licence.
#include "screens/TSimple.h"

#include "screens/AttributsFig.h"

namespace screens {

TSimple::TSimple(QWidget* parent) : QFrame(parent), NativeFigure(static_cast<QWidget&>(*this))
{
    setAutoFillBackground(true);
    setFrameStyle(QFrame::NoFrame);
}

void TSimple::Load(const AttributsFig& record)
{
    LoadShared(record, false);
}

void TSimple::ApplyText()
{
    setWindowTitle(ShownText());
}

} // namespace screens
