// Quorva run-time. Licensed under the MIT licence.
#include "screens/PlaceholderControl.h"

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

void FillPlaceholder(QWidget& placeholder, QWidget& control)
{
    control.setParent(&placeholder);
    control.setGeometry(placeholder.rect());
    new SizeFollower(placeholder, control);
    control.show();
}

} // namespace screens
