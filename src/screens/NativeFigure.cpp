// Quorva run-time. Licensed under the MIT licence.
#include "screens/NativeFigure.h"

#include <algorithm>

#include <QEvent>
#include <QPalette>
#include <QPointer>
#include <QWidget>

#include "platform/CodePage.h"
#include "screens/AttributsFig.h"
#include "screens/FigureDock.h"
#include "screens/FigureFont.h"
#include "screens/ScreenGlobals.h"
#include "screens/WindowsColour.h"

namespace screens {

// Re-docks an aligned control when it gets a new parent or its parent changes size.
class AlignmentKeeper : public QObject {
public:
    AlignmentKeeper(NativeFigure& figure, QWidget& control) : QObject(&control), m_figure(figure), m_control(control)
    {
        control.installEventFilter(this);
        Watch();
    }

    void Watch()
    {
        if (m_parent == m_control.parentWidget())
            return;
        if (m_parent != nullptr)
            m_parent->removeEventFilter(this);
        m_parent = m_control.parentWidget();
        if (m_parent != nullptr)
            m_parent->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &m_control && event->type() == QEvent::ParentChange) {
            Watch();
            m_figure.ApplyAlignment();
        } else if (watched == m_parent && event->type() == QEvent::Resize) {
            m_figure.ApplyAlignment();
        }
        return false;
    }

private:
    NativeFigure& m_figure;
    QWidget& m_control;
    QPointer<QWidget> m_parent;
};

NativeFigure::NativeFigure(QWidget& control) : m_control(control) {}

NativeFigure::~NativeFigure()
{
    // The keeper watches the control and its parent; it goes before the control does.
    delete m_keeper;
}

NativeBorder NativeFigure::BorderFromOptions(std::int16_t options)
{
    bool line = true;
    if ((options & 1) != 0)
        line = false;
    if ((options & 2) != 0)
        line = true;
    if (!line)
        return NativeBorder::None;
    return (options & 4) != 0 ? NativeBorder::Sunken : NativeBorder::Flat;
}

void NativeFigure::LoadShared(const AttributsFig& record, bool withOptions)
{
    FigureProperties& p = MutableProperties();
    p.foreColour = record.foreColour;
    p.backColour = record.backColour;
    p.fontName = record.fontName;
    p.fontHeight = record.fontHeight;
    p.fontStyle = static_cast<std::uint8_t>((record.bold != 0 ? kFontBold : 0) | (record.italic != 0 ? kFontItalic : 0) |
        (record.underline != 0 ? kFontUnderline : 0) | (record.strikeOut != 0 ? kFontStrikeOut : 0));
    p.pageLayer = record.pageLayer;
    p.linkGroup = record.linkGroup;
    p.text = record.text;
    p.alignment = record.alignment;
    if (withOptions) {
        p.options = record.options;
        m_border = BorderFromOptions(record.options);
    }
    const int x1 = std::min(record.x1, record.x2), x2 = std::max(record.x1, record.x2);
    const int y1 = std::min(record.y1, record.y2), y2 = std::max(record.y1, record.y2);
    m_control.setGeometry(x1, y1, x2 - x1, y2 - y1);

    ApplyColours();
    ApplyFont();
    ApplyText();
    if (withOptions)
        ApplyBorder(m_border);
    ApplyAlignment();
}

void NativeFigure::Changed(FigureChange change)
{
    switch (change) {
    case FigureChange::Look: ApplyColours(); break;
    case FigureChange::Text: ApplyText(); break;
    case FigureChange::Font: ApplyFont(); break;
    case FigureChange::Page: ApplyPage(); break;
    case FigureChange::Geometry: ApplyAlignment(); break;
    case FigureChange::Value:
    case FigureChange::Angle: break;
    }
}

QString NativeFigure::ShownText() const
{
    return QString::fromStdString(platform::CodePageToUtf8(DisplayText(Properties().text)));
}

void NativeFigure::StoreTypedText(const QString& text)
{
    MutableProperties().text = platform::Utf8ToCodePage(text.toStdString());
}

void NativeFigure::ApplyColours()
{
    const QColor fore = WindowsColour(Properties().foreColour);
    const QColor back = WindowsColour(Properties().backColour);
    QPalette palette = m_control.palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Text, fore);
        palette.setColor(group, QPalette::WindowText, fore);
        palette.setColor(group, QPalette::ButtonText, fore);
        palette.setColor(group, QPalette::Base, back);
        palette.setColor(group, QPalette::Window, back);
        palette.setColor(group, QPalette::Button, back);
    }
    m_control.setPalette(palette);
}

void NativeFigure::ApplyFont()
{
    m_control.setFont(FigureFont(Properties().fontName, Properties().fontHeight, Properties().fontStyle));
}

void NativeFigure::ApplyPage()
{
    m_control.setVisible(OnCurrentPage());
}

void NativeFigure::ApplyAlignment()
{
    const std::uint8_t alignment = Properties().alignment;
    if (alignment == 0 || alignment > 5)
        return;
    if (m_keeper == nullptr)
        m_keeper = new AlignmentKeeper(*this, m_control);
    // Docked figures of one parent, drawn or native, are laid out together in creation order.
    if (QWidget* parent = m_control.parentWidget())
        DockFigures(*parent);
}

} // namespace screens
