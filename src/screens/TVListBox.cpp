// Quorva run-time. Licensed under the MIT licence.
#include "screens/TVListBox.h"

#include "screens/AttributsFig.h"
#include "screens/NativeFrame.h"

namespace screens {

TVListBox::TVListBox(QWidget* parent) : QListWidget(parent), NativeFigure(static_cast<QWidget&>(*this)) {}

void TVListBox::Load(const AttributsFig& record)
{
    LoadShared(record, false);
}

void TVListBox::ApplyText()
{
    setWindowTitle(ShownText());
}

void TVListBox::ApplyColours()
{
    NativeFigure::ApplyColours();
    KeepFrameLineBlack(*this);
}

} // namespace screens
