// Quorva run-time. Licensed under the MIT licence.
#include "screens/PlaceholderControl.h"

#include "screens/ScreenGlobals.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>

namespace screens {
namespace {

// Keeps a control the size of its placeholder. Owned by the control, so it goes with it.
class SizeFollower : public QObject {
public:
    SizeFollower(QWidget& placeholder, QWidget& control)
        : QObject(&control), m_control(&control)
    {
        placeholder.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize && m_control != nullptr)
            if (auto* placeholder = qobject_cast<QWidget*>(watched))
                m_control->setGeometry(placeholder->rect());
        return false;
    }

private:
    QPointer<QWidget> m_control;
};

} // namespace

Figure* PlaceholderOnFirstRun(bool& built)
{
    if (built)
        return nullptr;
    Figure* placeholder = CurrentFigure();
    if (placeholder != nullptr)
        built = true;
    return placeholder;
}

void ReplacePlaceholder(QWidget& placeholder, QWidget& control)
{
    if (control.parentWidget() != placeholder.parentWidget())
        control.setParent(placeholder.parentWidget());
    control.setGeometry(placeholder.geometry());
    control.setPalette(placeholder.palette());
    control.setFont(placeholder.font());
    control.setAutoFillBackground(true);
    control.stackUnder(&placeholder);
    placeholder.stackUnder(&control);
    control.setVisible(!placeholder.isHidden());
    placeholder.hide();
}

void FillPlaceholder(QWidget& placeholder, QWidget& control)
{
    control.setParent(&placeholder);
    control.setGeometry(placeholder.rect());
    new SizeFollower(placeholder, control);
    control.show();
}

} // namespace screens
