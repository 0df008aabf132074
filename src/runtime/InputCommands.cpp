// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ScreenCommandSupport.h"
#include "runtime/ScreenCommands.h"
#include "screens/FBase.h"
#include "screens/Figure.h"
#include "screens/InputEvents.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"

#include <cstdint>
#include <unordered_set>

namespace runtime::screencmd {

using support::Current;

namespace {

// The cycle's latched events when they happened in the current window, else null: an automatic
// unit or object sees only the events of its own window.
const screens::InputEvents* WindowEvents() {
    const screens::InputEvents& latched = screens::Globals().input.Latched();
    screens::ScreenForm* window = screens::CurrentWindow();
    if (window == nullptr || latched.window.data() != window)
        return nullptr;
    return &latched;
}

bool Flag(bool screens::InputEvents::*flag) {
    const screens::InputEvents* events = WindowEvents();
    return events != nullptr && events->*flag;
}

// Walks the current figure's link chain one step at a time; with `withObject`, past the figures
// that carry no screen object. The figure reached becomes current.
bool Step(screens::Figure* (screens::Figure::*next)() const, bool withObject) {
    screens::Figure* figure = Current();
    // A chain that loops ends where it comes back to a figure already passed.
    std::unordered_set<const screens::Figure*> passed;
    while (figure != nullptr) {
        passed.insert(figure);
        figure = (figure->*next)();
        if (figure == nullptr || passed.contains(figure))
            return false;
        if (!withObject || figure->ScreenObject() != nullptr) {
            screens::SetCurrentFigure(figure);
            return true;
        }
    }
    return false;
}

} // namespace

bool NextGroup() {
    return Step(&screens::Figure::LinkNext, false);
}
bool PreviousGroup() {
    return Step(&screens::Figure::LinkPrevious, false);
}
bool NextGroupCompo() {
    return Step(&screens::Figure::LinkNext, true);
}
bool PreviousGroupCompo() {
    return Step(&screens::Figure::LinkPrevious, true);
}

bool TopLbDown() {
    return Flag(&screens::InputEvents::leftDown);
}
bool TopRbDown() {
    return Flag(&screens::InputEvents::rightDown);
}
bool TopLbUp() {
    return Flag(&screens::InputEvents::leftUp);
}
bool TopRbUp() {
    return Flag(&screens::InputEvents::rightUp);
}
bool DoubleClick() {
    return Flag(&screens::InputEvents::doubleClick);
}
bool KeyUp() {
    return Flag(&screens::InputEvents::keyUp);
}

std::uint16_t GetVirKey() {
    const screens::InputEvents* events = WindowEvents();
    return events != nullptr ? events->virtualKey : 0;
}

ShortString GetKey() {
    const screens::InputEvents* events = WindowEvents();
    return events != nullptr ? ShortString(events->keyText) : ShortString();
}

bool IsMe() {
    const screens::InputEvents* events = WindowEvents();
    screens::Figure* figure = Current();
    return events != nullptr && figure != nullptr && events->figure.data() == &figure->Widget();
}

bool GetButton() {
    screens::FBase* drawn = support::CurrentDrawn();
    return drawn != nullptr && drawn->Down();
}

void SetButton(bool down) {
    if (screens::FBase* drawn = support::CurrentDrawn())
        drawn->SetDown(down);
}

ShortString GetTextMessage() {
    return ShortString(screens::Globals().textMessage);
}

void SetTextMessage(ShortString text) {
    screens::Globals().textMessage = text.Str();
}

} // namespace runtime::screencmd
