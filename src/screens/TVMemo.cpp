// Quorva run-time. Licensed under the MIT licence.
#include "screens/TVMemo.h"

#include "screens/AttributsFig.h"
#include "screens/NativeFrame.h"

namespace screens {

TVMemo::TVMemo(QWidget* parent) : QPlainTextEdit(parent), NativeFigure(static_cast<QWidget&>(*this))
{
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_applyingText)
            StoreTypedText(toPlainText().replace(QLatin1Char('\n'), QLatin1String("\r\n")));
    });
}

void TVMemo::Load(const AttributsFig& record)
{
    const bool horizontal = record.editOption != 0;
    setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(record.memoVScroll != 0 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setLineWrapMode(horizontal ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
    LoadShared(record, true);
}

void TVMemo::ApplyText()
{
    m_applyingText = true;
    // Memo texts keep Windows line ends.
    setPlainText(ShownText().replace(QLatin1String("\r\n"), QLatin1String("\n")));
    m_applyingText = false;
}

void TVMemo::ApplyBorder(NativeBorder border)
{
    ApplyFrameBorder(*this, border);
}

void TVMemo::ApplyColours()
{
    NativeFigure::ApplyColours();
    KeepFrameLineBlack(*this);
}

} // namespace screens
