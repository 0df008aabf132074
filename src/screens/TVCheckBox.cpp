// Quorva run-time. Licensed under the MIT licence.
#include "screens/TVCheckBox.h"

#include "screens/AttributsFig.h"

namespace screens {

TVCheckBox::TVCheckBox(QWidget* parent) : QCheckBox(parent), NativeFigure(static_cast<QWidget&>(*this))
{
    setAutoFillBackground(true);
}

void TVCheckBox::Load(const AttributsFig& record)
{
    LoadShared(record, false);
}

void TVCheckBox::ApplyText()
{
    setText(ShownText());
}

} // namespace screens
