// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <QPointer>

#include "screens/Component.h"

class QDateTimeEdit;
class QMenu;
class QTextEdit;
class QToolBar;
class QWidget;

namespace screens {

class Figure;

// The classes that put a native control in place of their placeholder figure: rich edit, cool
// bar, splitter, date-time picker and pop-up menu. The first Run with a current figure builds
// the control (the control fills its placeholder, see PlaceholderControl.h); later Runs do
// nothing. Each object owns what it built. GUI thread; owned by the figure.

// A native control of one settings byte (rich edit, cool bar, date-time picker).
class OneByteControl : public Component {
public:
    ~OneByteControl() override;
    void ReadData(const ClassData* data) override;
    void Run() override;
    std::uint8_t Setting() const { return m_setting; }
    // The control once built, else null.
    QWidget* Control() const { return m_control.data(); }

protected:
    OneByteControl(std::string_view registeredName, std::int32_t kind)
        : Component(registeredName, kind)
    {
    }
    virtual QWidget* Build(Figure& placeholder) = 0;

private:
    std::uint8_t m_setting = 0;
    bool m_built = false;
    QPointer<QWidget> m_control;
};

// A rich text editor; its settings byte is kept, not interpreted. The text edit commands find it
// through Editor().
class RichEdit : public OneByteControl {
public:
    RichEdit() : OneByteControl("RichEdit", 145) {}
    QTextEdit* Editor() const;

protected:
    QWidget* Build(Figure& placeholder) override;
};

// A tool-bar strip: the placeholder keeps the figures placed on it (they are loaded into it by
// parent name) and gets a tool-bar background under them. Its settings byte is kept, not
// interpreted.
class CoolBar : public OneByteControl {
public:
    CoolBar() : OneByteControl("CoolBar", 145) {}
    QToolBar* Strip() const;

protected:
    QWidget* Build(Figure& placeholder) override;
};

// A date and time entry opening on the current date and time with a calendar drop-down. The
// settings byte chooses what it shows: 1 the time, anything else the date.
class DateTimePicker : public OneByteControl {
public:
    DateTimePicker() : OneByteControl("DateTimePicker", 145) {}
    QDateTimeEdit* Picker() const;
    bool ShowsTime() const { return Setting() == 1; }

protected:
    QWidget* Build(Figure& placeholder) override;
};

// A handle that resizes the figures beside it. It lies across the longer side of its
// placeholder (taller than wide: a vertical bar dragged left and right). Dragging it moves it
// and resizes the figures whose edge touches it (within two pixels, overlapping it): those
// before it grow or shrink, those after it move their near edge. No figure is made smaller than
// the minimum size. Data: the minimum size (32-bit; 30 when not between 1 and 10000), then a
// byte: non-zero draws the handle with a raised bevel.
class Splitter : public Component {
public:
    Splitter();
    ~Splitter() override;
    void ReadData(const ClassData* data) override;
    void Run() override;

    const std::string& Settings() const { return m_settings; } // 4 raw bytes
    std::uint8_t Setting() const { return m_setting; }
    int MinimumSize() const { return m_minimumSize; }
    bool Vertical() const;
    QWidget* Handle() const { return m_handle.data(); }
    // Moves the handle by `delta` pixels across its bar (clamped so that no neighbour goes
    // below the minimum size); returns the distance moved.
    int Drag(int delta);

private:
    std::string m_settings;
    std::uint8_t m_setting = 0;
    int m_minimumSize = 30;
    bool m_built = false;
    QPointer<QWidget> m_placeholder;
    QPointer<QWidget> m_handle;
};

// A pop-up menu: a leading text and its menu lines. Its first Run builds the menu (lines
// translated; a line "-" is a separator) and shows it when the operator presses the right
// button on its figure or on a figure linked to it. Choosing a line makes it the menu choice
// that program code reads (MENUSTR: its caption; MENUID: its position among the lines, from 1).
class MPopUp : public Component {
public:
    MPopUp();
    ~MPopUp() override;
    void ReadData(const ClassData* data) override;
    void Run() override;

    const std::string& Text() const { return m_text; }
    const std::vector<std::string>& MenuLines() const { return m_menuLines; }
    QMenu* Menu() const;

private:
    void Watch(QWidget& widget);

    std::string m_text;
    std::vector<std::string> m_menuLines;
    QPointer<QMenu> m_menu;
    QPointer<QObject> m_watcher;
    std::vector<QPointer<QWidget>> m_watched;
};

} // namespace screens
