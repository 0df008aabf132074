// Quorva run-time. Licensed under the MIT licence.
#include "screens/Figure.h"

#include <cmath>
#include <utility>

#include <QWidget>

#include "platform/CodePage.h"
#include "screens/Component.h"
#include "screens/FigureKind.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"

namespace screens {

Figure::Figure() = default;

// The screen object goes first: its destructor counts it out of the registry while the figure
// is still whole.
Figure::~Figure()
{
    m_screenObject.reset();
}

void Figure::AttachScreenObject(std::unique_ptr<Component> object)
{
    m_screenObject = std::move(object);
    ScreenObjectAttached();
}

void Figure::SetNames(std::string className, std::string componentName)
{
    m_properties.className = std::move(className);
    m_properties.componentName = std::move(componentName);
    // The widget carries the object name too (its bytes one to one): containers and figures are
    // found by it.
    Widget().setObjectName(QString::fromLatin1(m_properties.componentName.data(),
                                               static_cast<qsizetype>(m_properties.componentName.size())));
}

void Figure::SetLinkKeys(std::int32_t secondLinkKey, std::string unitName)
{
    m_properties.secondLinkKey = secondLinkKey;
    m_properties.unitName = std::move(unitName);
}

Figure* Figure::LinkNext() const
{
    return FigureOf(m_linkNext.data());
}

Figure* Figure::LinkPrevious() const
{
    return FigureOf(m_linkPrevious.data());
}

void Figure::SetLinkNext(Figure* next)
{
    m_linkNext = next != nullptr ? &next->Widget() : nullptr;
}

void Figure::SetLinkPrevious(Figure* previous)
{
    m_linkPrevious = previous != nullptr ? &previous->Widget() : nullptr;
}

void Figure::ApplyHint(const std::string& text)
{
    if (text.empty())
        return;
    if (m_designHint.empty())
        m_designHint = text;
    const QString hint = QString::fromStdString(platform::CodePageToUtf8(DisplayText(text)));
    QWidget& widget = Widget();
    if (widget.toolTip() != hint)
        widget.setToolTip(hint);
}

void Figure::SetKind(std::uint8_t kind)
{
    ApplyKindDefaults(m_properties, kind);
    KindChanged();
    Notify(FigureChange::Look);
}

void Figure::Notify(FigureChange change)
{
    if (m_loading || m_properties.kind == 0)
        return;
    Changed(change);
}

void Figure::SetForeColour(std::uint32_t colour)
{
    m_properties.foreColour = colour;
    Globals().screenChanged = true;
    Notify(FigureChange::Look);
}

void Figure::SetBackColour(std::uint32_t colour)
{
    m_properties.backColour = colour;
    Globals().screenChanged = true;
    Notify(FigureChange::Look);
}

void Figure::SetFilled(bool filled)
{
    m_properties.filled = filled;
    m_properties.transparent = !filled;
    Globals().screenChanged = true;
    Notify(FigureChange::Look);
}

void Figure::SetPenStyle(std::uint8_t style)
{
    m_properties.penStyle = style;
    Notify(FigureChange::Look);
}

void Figure::SetPenWidth(std::uint8_t width)
{
    m_properties.penWidth = width;
    Notify(FigureChange::Look);
}

void Figure::SetFont(std::string name, std::int16_t height, std::uint8_t style)
{
    m_properties.fontName = std::move(name);
    m_properties.fontHeight = height;
    m_properties.fontStyle = style;
    Notify(FigureChange::Font);
}

void Figure::SetPageLayer(std::uint8_t layer)
{
    m_properties.pageLayer = layer;
    Notify(FigureChange::Page);
}

void Figure::SetFillLevel(int level)
{
    m_properties.fillLevel = level < 0 ? 0 : (level > 100 ? 100 : level);
    Notify(FigureChange::Look);
}

void Figure::SetFillOn(bool on)
{
    m_properties.fillOn = on;
    Notify(FigureChange::Look);
}

void Figure::SetFillColour(std::uint32_t colour)
{
    m_properties.fillColour = colour;
    Notify(FigureChange::Look);
}

void Figure::SetBlinking(bool blinking)
{
    const bool was = m_properties.blinking;
    m_properties.blinking = blinking;
    // A figure that stops blinking shows again (where its page shows it).
    if (was && !blinking)
        Widget().setVisible(OnCurrentPage());
}

void Figure::SetText(std::string text)
{
    m_properties.text = std::move(text);
    Notify(FigureChange::Text);
}

void Figure::SetValue(long double value)
{
    const auto kind = static_cast<FigureKind>(m_properties.kind);
    m_properties.value = (kind == FigureKind::BarV || kind == FigureKind::BarH) ? ClampPercent(value) : value;
    Notify(FigureChange::Value);
}

void Figure::SetDecimals(std::uint8_t decimals)
{
    m_properties.decimals = decimals;
    Notify(FigureChange::Value);
}

void Figure::SetAngle(int degrees)
{
    while (degrees >= 360)
        degrees -= 360;
    m_properties.angle = static_cast<std::uint16_t>(degrees < 0 ? 0 : degrees);
    Notify(FigureChange::Angle);
}

bool Figure::OnCurrentPage() const
{
    const std::uint8_t layer = m_properties.pageLayer;
    if (layer == 0)
        return true;
    const ScreenForm* form = FormOf(const_cast<Figure*>(this)->Widget());
    const int page = form != nullptr ? form->CurrentPage() : 0;
    const auto kind = static_cast<FigureKind>(m_properties.kind);
    if (kind == FigureKind::NoteBook || kind == FigureKind::TabSet)
        return page >= layer && page <= layer + m_properties.tabCount;
    return page == layer;
}

Figure* FigureOf(QWidget* widget)
{
    return dynamic_cast<Figure*>(widget);
}

} // namespace screens
