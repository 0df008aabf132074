// Quorva run-time. Licensed under the MIT licence.
#include "screens/TVEdit.h"

#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>

#include "screens/AttributsFig.h"
#include "screens/WindowsColour.h"

namespace screens {

namespace {

// The application's style, except that password characters show as "*".
class StarPasswordStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
        QStyleHintReturn* returnData) const override
    {
        if (hint == QStyle::SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// One style for every password edit, owned by the application.
QStyle* PasswordStyle()
{
    static QPointer<StarPasswordStyle> style;
    if (style.isNull()) {
        style = new StarPasswordStyle;
        style->setParent(qApp);
    }
    return style.data();
}

} // namespace

TVEdit::TVEdit(std::uint8_t editOption, QWidget* parent)
    : QLineEdit(parent), NativeFigure(static_cast<QWidget&>(*this)), m_editOption(editOption)
{
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) { StoreTypedText(text); });
}

void TVEdit::Load(const AttributsFig& record)
{
    if (record.password != 0) {
        setStyle(PasswordStyle());
        setEchoMode(QLineEdit::Password);
    } else {
        setEchoMode(QLineEdit::Normal);
    }
    LoadShared(record, true);
}

void TVEdit::ApplyText()
{
    setText(ShownText());
}

void TVEdit::ApplyBorder(NativeBorder border)
{
    // A flat border is a one-pixel line drawn over a frameless edit.
    setFrame(border == NativeBorder::Sunken);
    setTextMargins(border == NativeBorder::Flat ? QMargins(1, 1, 1, 1) : QMargins());
    update();
}

void TVEdit::paintEvent(QPaintEvent* event)
{
    QLineEdit::paintEvent(event);
    if (Border() != NativeBorder::Flat)
        return;
    QPainter painter(this);
    painter.setPen(WindowsColour(kBlack));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace screens
