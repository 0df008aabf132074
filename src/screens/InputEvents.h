// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string>

#include <QPointer>
#include <QWidget>

namespace screens {

class ScreenForm;

// The key and mouse events of one GUI cycle: collected by the windows as they come (pending),
// latched at the start of a cycle for the units and objects of that cycle, then cleared.
struct InputEvents {
    bool leftDown = false;
    bool rightDown = false;
    bool leftUp = false;
    bool rightUp = false;
    bool doubleClick = false;
    bool keyDown = false;
    bool keyUp = false;
    std::uint16_t virtualKey = 0; // Windows virtual-key code of the last key
    std::string keyText;          // its character, code-page bytes (empty for keys without one)
    bool alt = false;
    bool shift = false;
    bool ctrl = false;
    int x = 0;                    // mouse position in the window of the event
    int y = 0;
    QPointer<QWidget> figure;     // widget of the figure the last event hit (or had the focus)
    QPointer<ScreenForm> window;  // window of the last event

    bool Any() const {
        return leftDown || rightDown || leftUp || rightUp || doubleClick || keyDown || keyUp;
    }
};

// The pending and the latched events. Written and read on the GUI thread.
class InputLatch {
public:
    InputEvents& Pending() { return m_pending; }
    const InputEvents& Latched() const { return m_latched; }
    // Starts a cycle: the pending events become the cycle's, and pending starts empty.
    void Latch() {
        m_latched = m_pending;
        m_pending = InputEvents{};
    }
    void Clear() {
        m_pending = InputEvents{};
        m_latched = InputEvents{};
    }

private:
    InputEvents m_pending;
    InputEvents m_latched;
};

} // namespace screens
