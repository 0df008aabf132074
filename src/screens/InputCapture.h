// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>

#include <QEvent>
#include <QObject>

namespace screens {

// The Windows virtual-key code of a Qt key (letters and digits are their upper-case
// characters, F1 is 0x70, Enter 0x0D ...); 0 for keys without one.
std::uint16_t VirtualKeyOf(int qtKey);

// Collects the mouse and key events of the screen windows as pending input events (Globals),
// for the next GUI cycle to latch: button presses, releases and double clicks with the figure
// they hit, keys with their virtual-key code, character and modifiers. It only watches: every
// event goes on to its widget. Installed on the application while it lives. GUI thread.
class InputCapture : public QObject {
public:
    InputCapture();
    ~InputCapture() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const QEvent* m_lastEvent = nullptr;
    quint64 m_lastTimestamp = 0;
    int m_lastType = 0;
};

} // namespace screens
