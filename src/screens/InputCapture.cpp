// Quorva run-time. Licensed under the MIT licence.
#include "screens/InputCapture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include "platform/CodePage.h"
#include "screens/Figure.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"

namespace screens {

namespace {

// The figure a widget belongs to: the widget itself or the nearest parent that is a figure
// (the inner parts of a native control).
QWidget* FigureWidgetOf(QWidget* widget)
{
    for (QWidget* current = widget; current != nullptr; current = current->parentWidget()) {
        if (FigureOf(current) != nullptr)
            return current;
        if (dynamic_cast<ScreenForm*>(current) != nullptr)
            break;
    }
    return nullptr;
}

void NoteModifiers(InputEvents& pending, Qt::KeyboardModifiers modifiers)
{
    pending.alt = modifiers.testFlag(Qt::AltModifier);
    pending.shift = modifiers.testFlag(Qt::ShiftModifier);
    pending.ctrl = modifiers.testFlag(Qt::ControlModifier);
}

} // namespace

std::uint16_t VirtualKeyOf(int key)
{
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return static_cast<std::uint16_t>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return static_cast<std::uint16_t>(0x70 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace: return 0x08;
    case Qt::Key_Tab: case Qt::Key_Backtab: return 0x09;
    case Qt::Key_Return: case Qt::Key_Enter: return 0x0D;
    case Qt::Key_Shift: return 0x10;
    case Qt::Key_Control: return 0x11;
    case Qt::Key_Alt: return 0x12;
    case Qt::Key_Pause: return 0x13;
    case Qt::Key_CapsLock: return 0x14;
    case Qt::Key_Escape: return 0x1B;
    case Qt::Key_Space: return 0x20;
    case Qt::Key_PageUp: return 0x21;
    case Qt::Key_PageDown: return 0x22;
    case Qt::Key_End: return 0x23;
    case Qt::Key_Home: return 0x24;
    case Qt::Key_Left: return 0x25;
    case Qt::Key_Up: return 0x26;
    case Qt::Key_Right: return 0x27;
    case Qt::Key_Down: return 0x28;
    case Qt::Key_Print: return 0x2C;
    case Qt::Key_Insert: return 0x2D;
    case Qt::Key_Delete: return 0x2E;
    case Qt::Key_Asterisk: return 0x6A;
    case Qt::Key_Plus: return 0x6B;
    case Qt::Key_Minus: return 0xBD;
    case Qt::Key_Period: return 0xBE;
    case Qt::Key_Comma: return 0xBC;
    case Qt::Key_NumLock: return 0x90;
    case Qt::Key_ScrollLock: return 0x91;
    default: return 0;
    }
}

InputCapture::InputCapture()
{
    if (QCoreApplication* application = QCoreApplication::instance())
        application->installEventFilter(this);
}

InputCapture::~InputCapture()
{
    if (QCoreApplication* application = QCoreApplication::instance())
        application->removeEventFilter(this);
}

bool InputCapture::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    const bool mouse = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
                       type == QEvent::MouseButtonDblClick;
    const bool key = type == QEvent::KeyPress || type == QEvent::KeyRelease;
    if (!mouse && !key)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr)
        return false;
    // An event that a widget leaves unhandled goes on to its parents as the same object: only
    // its first delivery, to the widget it hit, is recorded.
    const auto* input = static_cast<QInputEvent*>(event);
    if (event == m_lastEvent && input->timestamp() == m_lastTimestamp && static_cast<int>(type) == m_lastType)
        return false;
    m_lastEvent = event;
    m_lastTimestamp = input->timestamp();
    m_lastType = static_cast<int>(type);
    ScreenForm* form = FormOf(*widget);
    if (form == nullptr)
        return false;
    InputEvents& pending = Globals().input.Pending();
    pending.window = form;
    if (mouse) {
        auto* mouseEvent = static_cast<QMouseEvent*>(event);
        const bool left = mouseEvent->button() == Qt::LeftButton;
        const bool right = mouseEvent->button() == Qt::RightButton;
        if (type == QEvent::MouseButtonPress) {
            pending.leftDown |= left;
            pending.rightDown |= right;
        } else if (type == QEvent::MouseButtonRelease) {
            pending.leftUp |= left;
            pending.rightUp |= right;
        } else {
            pending.doubleClick = true;
        }
        const QPoint position = widget->mapTo(form, mouseEvent->position().toPoint());
        pending.x = position.x();
        pending.y = position.y();
        pending.figure = FigureWidgetOf(widget);
        NoteModifiers(pending, mouseEvent->modifiers());
        return false;
    }
    auto* keyEvent = static_cast<QKeyEvent*>(event);
    if (type == QEvent::KeyPress)
        pending.keyDown = true;
    else
        pending.keyUp = true;
    pending.virtualKey = VirtualKeyOf(keyEvent->key());
    pending.keyText = platform::Utf8ToCodePage(keyEvent->text().left(1).toStdString());
    NoteModifiers(pending, keyEvent->modifiers());
    if (QWidget* focused = FigureWidgetOf(QApplication::focusWidget()))
        pending.figure = focused;
    return false;
}

} // namespace screens
