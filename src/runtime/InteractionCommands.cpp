// Quorva run-time. Licensed under the MIT licence.
#include "runtime/InteractionCommands.h"

#include "runtime/ListBoxCommands.h"
#include "runtime/RuntimeLibrary.h"
#include "runtime/ScreenCommandSupport.h"
#include "screens/ButtonClasses.h"
#include "screens/Component.h"
#include "screens/FBase.h"
#include "screens/Figure.h"
#include "screens/FigureKind.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/ScreenObjectOf.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCursor>
#include <QVariant>
#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace runtime {

namespace screencmd {

using support::Current;

namespace {

// What the commands remember between calls about one figure lives on its widget, so that it
// goes with the figure.
constexpr const char* kArriveFocus = "quorva.arriveFocus";
constexpr const char* kDepartFocus = "quorva.departFocus";
constexpr const char* kPushKeyHeld = "quorva.pushKeyHeld";
constexpr const char* kMoveGrab = "quorva.moveGrab";
constexpr const char* kSliderBase = "quorva.sliderBase";
constexpr const char* kSliderGrab = "quorva.sliderGrab";

bool HasFocus(QWidget& widget) {
    QWidget* focused = QApplication::focusWidget();
    return focused != nullptr && (focused == &widget || widget.isAncestorOf(focused));
}

bool IsButtonKind(const screens::Figure& figure) {
    const std::uint8_t kind = figure.Properties().kind;
    return kind == static_cast<std::uint8_t>(screens::FigureKind::Button) ||
           kind == static_cast<std::uint8_t>(screens::FigureKind::XpButton);
}

const screens::InputEvents& Latched() {
    return screens::Globals().input.Latched();
}

bool PressedOn(QWidget& widget) {
    return Latched().leftDown && Latched().figure == &widget;
}

bool LeftButtonHeld() {
    return (QGuiApplication::mouseButtons() & Qt::LeftButton) != 0;
}

// The mouse position in the coordinates of the widget's parent.
QPoint MouseInParent(QWidget& widget) {
    QWidget* parent = widget.parentWidget();
    return parent != nullptr ? parent->mapFromGlobal(QCursor::pos()) : QCursor::pos();
}

// Starts, continues or ends the operator's drag of a widget; the grab offset while it drags.
std::optional<QPoint> Grab(QWidget& widget, const char* property) {
    if (PressedOn(widget))
        widget.setProperty(property, MouseInParent(widget) - widget.pos());
    const QVariant grab = widget.property(property);
    if (!grab.isValid())
        return std::nullopt;
    if (!LeftButtonHeld() || (Latched().leftUp && Latched().figure == &widget)) {
        widget.setProperty(property, QVariant());
        return std::nullopt;
    }
    return grab.toPoint();
}

void SetScrollBar(bool horizontal, bool visible) {
    screens::Figure* figure = Current();
    if (figure == nullptr)
        return;
    auto* area = dynamic_cast<QAbstractScrollArea*>(&figure->Widget());
    if (area == nullptr)
        return;
    const Qt::ScrollBarPolicy policy = visible ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    if (horizontal)
        area->setHorizontalScrollBarPolicy(policy);
    else
        area->setVerticalScrollBarPolicy(policy);
}

bool FocusChange(const char* property, bool arriving) {
    screens::Figure* figure = Current();
    if (figure == nullptr)
        return false;
    QWidget& widget = figure->Widget();
    const bool has = HasFocus(widget);
    const bool had = widget.property(property).toBool();
    widget.setProperty(property, has);
    return arriving ? (has && !had) : (!has && had);
}

void Slider(Ref<long double> variable, std::int32_t pixelMax, long double low, long double high,
            bool vertical) {
    screens::Figure* figure = Current();
    if (figure == nullptr || pixelMax <= 0 || !(high != low) || !std::isfinite(low) ||
        !std::isfinite(high))
        return;
    QWidget& widget = figure->Widget();
    if (!widget.property(kSliderBase).isValid())
        widget.setProperty(kSliderBase, widget.pos());
    const QPoint base = widget.property(kSliderBase).toPoint();
    const long double span = high - low;
    if (const std::optional<QPoint> grab = Grab(widget, kSliderGrab)) {
        const QPoint wanted = MouseInParent(widget) - *grab;
        const int pixel =
            std::clamp(vertical ? base.y() - wanted.y() : wanted.x() - base.x(), 0, pixelMax);
        variable.Set(low + span * pixel / pixelMax);
        widget.move(vertical ? QPoint(base.x(), base.y() - pixel)
                             : QPoint(base.x() + pixel, base.y()));
        return;
    }
    const std::optional<long double> value = variable.Get();
    if (!value || std::isnan(*value))
        return;
    const long double fraction = std::clamp((*value - low) / span, 0.0L, 1.0L);
    const int pixel = static_cast<int>(std::lround(fraction * pixelMax));
    const QPoint at =
        vertical ? QPoint(base.x(), base.y() - pixel) : QPoint(base.x() + pixel, base.y());
    if (widget.pos() != at)
        widget.move(at);
}

} // namespace

void Drag(ShortString value) {
    screens::ScreenGlobals& globals = screens::Globals();
    if (value.Empty())
        globals.dragText.reset();
    else
        globals.dragText = value.Str();
}

bool Drop() {
    screens::ScreenGlobals& globals = screens::Globals();
    screens::Figure* figure = Current();
    screens::ScreenForm* window = screens::CurrentWindow();
    const screens::InputEvents& input = Latched();
    if (!globals.dragText || figure == nullptr || window == nullptr || !input.leftUp ||
        input.window != window)
        return false;
    // The release is reported to the figure the drag started on: the drop target is the figure
    // under the mouse.
    QWidget& widget = figure->Widget();
    if (!widget.isVisibleTo(window))
        return false;
    const QRect area(widget.mapTo(window, QPoint(0, 0)), widget.size());
    if (!area.contains(input.x, input.y))
        return false;
    globals.droppedText = *globals.dragText;
    globals.dragText.reset();
    return true;
}

ShortString GetDrop() {
    return ShortString(screens::Globals().droppedText);
}

ShortString GetFigName() {
    screens::Figure* figure = Current();
    return figure != nullptr ? ShortString(figure->Properties().componentName) : ShortString();
}

void ValidXScroll(bool visible) {
    SetScrollBar(true, visible);
}

void ValidYScroll(bool visible) {
    SetScrollBar(false, visible);
}

void CursorWait() {
    const QCursor* cursor = QGuiApplication::overrideCursor();
    if (cursor == nullptr || cursor->shape() != Qt::WaitCursor)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void CursorNormal() {
    // However often the hourglass was asked for, one call ends it.
    while (QGuiApplication::overrideCursor() != nullptr)
        QGuiApplication::restoreOverrideCursor();
}

bool BlinkN() {
    screens::Figure* figure = Current();
    if (figure == nullptr)
        return false;
    const bool blinking = !figure->Properties().blinking;
    if (screens::Component* object = figure->ScreenObject())
        object->SetBlinking(blinking);
    figure->SetBlinking(blinking);
    return blinking;
}

bool StrChange(StringRef text) {
    if (Current() == nullptr)
        return false;
    const ShortString now = GetText();
    if (now == text.Get())
        return false;
    return text.Set(now.View());
}

bool LooseFocus() {
    screens::Figure* figure = Current();
    if (figure == nullptr || !HasFocus(figure->Widget()))
        return false;
    if (QWidget* focused = QApplication::focusWidget())
        focused->clearFocus();
    return true;
}

bool Arrive() {
    return FocusChange(kArriveFocus, true);
}

bool Depart() {
    return FocusChange(kDepartFocus, false);
}

bool MoveFig() {
    screens::Figure* figure = Current();
    if (figure == nullptr)
        return false;
    QWidget& widget = figure->Widget();
    const std::optional<QPoint> grab = Grab(widget, kMoveGrab);
    if (!grab)
        return false;
    const QPoint at = MouseInParent(widget) - *grab;
    if (widget.pos() != at)
        widget.move(std::clamp(at.x(), support::kMinCoordinate, support::kMaxCoordinate),
                    std::clamp(at.y(), support::kMinCoordinate, support::kMaxCoordinate));
    return true;
}

void PushButton(BitRef state, std::uint16_t key) {
    screens::Figure* figure = Current();
    if (figure == nullptr)
        return;
    QWidget& widget = figure->Widget();
    const screens::InputEvents& input = Latched();
    bool keyHeld = widget.property(kPushKeyHeld).toBool();
    if (key != 0 && input.virtualKey == key && (input.keyDown || input.keyUp)) {
        const bool held = input.keyDown && !input.keyUp;
        auto* button = dynamic_cast<screens::FBase*>(figure);
        if (held != keyHeld && button != nullptr && IsButtonKind(*button))
            button->SetDown(held);
        keyHeld = held;
        widget.setProperty(kPushKeyHeld, keyHeld);
    }
    auto* button = dynamic_cast<screens::FBase*>(figure);
    const bool down = button != nullptr && IsButtonKind(*button) && button->Down();
    state.Set(keyHeld || down || (input.leftDown && input.figure == &widget));
}

void ToggleButton(BitRef state, std::uint16_t key) {
    screens::Figure* figure = Current();
    if (figure == nullptr)
        return;
    const screens::InputEvents& input = Latched();
    const bool pressed =
        PressedOn(figure->Widget()) || (key != 0 && input.keyDown && input.virtualKey == key);
    std::optional<bool> value = state.Get();
    if (!value)
        return;
    if (pressed) {
        value = !*value;
        state.Set(*value);
    }
    auto* button = dynamic_cast<screens::FBase*>(figure);
    if (button != nullptr && IsButtonKind(*button) && button->Down() != *value)
        button->SetDown(*value);
}

void ValidButton(bool state) {
    screens::Figure* figure = Current();
    if (figure == nullptr)
        return;
    if (auto* glyphButton = screens::ScreenObjectOf<screens::ButtonBinding>(figure)) {
        glyphButton->SetEnabled(state);
        return;
    }
    figure->Widget().setEnabled(state);
}

long double Scale(long double value, long double inLow, long double inHigh, long double outLow,
                  long double outHigh) {
    if (inHigh == inLow)
        return outLow;
    return outLow + (value - inLow) * (outHigh - outLow) / (inHigh - inLow);
}

void SliderVertical(Ref<long double> variable, std::int32_t pixelMax, long double low,
                    long double high) {
    Slider(variable, pixelMax, low, high, true);
}

void SliderHorizontal(Ref<long double> variable, std::int32_t pixelMax, long double low,
                      long double high) {
    Slider(variable, pixelMax, low, high, false);
}

bool WindowValid() {
    screens::ScreenForm* window = screens::CurrentWindow();
    return window != nullptr && window->isVisible();
}

void SetCanClose(bool canClose) {
    if (screens::ScreenForm* window = screens::CurrentWindow())
        window->SetCanClose(canClose);
}

} // namespace screencmd

using namespace screencmd;

platform::Status AddInteractionCommands(Implementations& implementations) {
    Implementations& in = implementations;
    for (const platform::Status& added : {
             in.Add<&Drag>("DRAG"),
             in.Add<&Drop>("DROP"),
             in.Add<&GetDrop>("GETDROP"),
             in.Add<&GetFigName>("GETFIGNAME"),
             in.Add<&ValidXScroll>("VALIDXSCROLL"),
             in.Add<&ValidYScroll>("VALIDYSCROLL"),
             in.Add<&CursorWait>("CURSORWAIT"),
             in.Add<&CursorNormal>("CURSORNORMAL"),
             in.Add<&BlinkN>("BLINKN"),
             in.Add<&StrChange>("STRCHANGE"),
             in.Add<&LooseFocus>("LOOSEFOCUS"),
             in.Add<&Arrive>("ARRIVE"),
             in.Add<&Depart>("DEPART"),
             in.Add<&MoveFig>("MOVEFIG"),
             in.Add<&PushButton>("PUSHBUTTON"),
             in.Add<&ToggleButton>("TOGGLEBUTTON"),
             in.Add<&ValidButton>("VALIDBUTTON"),
             in.Add<&Scale>("SCALE"),
             in.Add<&SliderVertical>("SLIDERVERTICAL"),
             in.Add<&SliderHorizontal>("SLIDERHORIZONTAL"),
             in.Add<&WindowValid>("WINDOWVALID"),
             in.Add<&SetCanClose>("SETCANCLOSE"),
         }) {
        if (!added)
            return added;
    }
    return {};
}

} // namespace runtime
