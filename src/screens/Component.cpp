// Quorva run-time. Licensed under the MIT licence.
#include "screens/Component.h"

#include <QWidget>

#include "screens/Figure.h"
#include "screens/ScreenGlobals.h"

namespace screens {

Component::Component(std::string_view registeredName, std::int32_t kind)
    : m_registeredName(registeredName), m_kind(kind)
{
    Globals().classes.CountInstance(m_registeredName, true);
}

Component::~Component()
{
    Globals().classes.CountInstance(m_registeredName, false);
}

void Component::ReadData(const ClassData*)
{
    m_loaded = true;
}

void Component::BlinkStep(bool pulse500ms)
{
    Figure* figure = CurrentFigure();
    if (figure == nullptr)
        return;
    QWidget& widget = figure->Widget();
    if (!m_blinking)
        widget.setVisible(true);
    else if (pulse500ms)
        widget.setVisible(!widget.isVisible());
}

void Component::PaintFace(QPainter&, QSize) {}

} // namespace screens
