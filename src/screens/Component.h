// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

class QPainter;
class QSize;

namespace screens {

struct ClassData;

// The base of every screen-object class: the object a figure carries when its record names a
// class. It reads its class data, may draw the figure's face, and may want to run once per GUI
// cycle. An object does not hold its figure: while one of its operations runs, the current
// figure (Globals) is its figure and the current window its window.
//
// Each instance is counted in the class registry under its registered name for as long as it
// lives. GUI thread only; owned by its figure.
class Component {
public:
    // `registeredName` is the name of the class's registry row ("TCBUTTON"); `kind` the figure
    // kind the class belongs to.
    Component(std::string_view registeredName, std::int32_t kind);
    virtual ~Component();
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    const std::string& RegisteredName() const { return m_registeredName; }
    std::int32_t Kind() const { return m_kind; }
    bool RunEachCycle() const { return m_runEachCycle; }
    bool Blinking() const { return m_blinking; }
    void SetBlinking(bool blinking) { m_blinking = blinking; }
    bool Loaded() const { return m_loaded; }
    bool DesignFlag() const { return m_designFlag; }

    // Reads the class data of the object's record (null when the file holds none for it). The
    // base sets the loaded flag; classes take what they need and call it.
    virtual void ReadData(const ClassData* data);
    // Once right after loading and then once per GUI cycle, for objects that run each cycle.
    virtual void Run() {}
    // Attaches a linked figure (classes that work with one).
    virtual void Link() {}
    // The blink step: a figure that does not blink is shown; a blinking one toggles its
    // visibility on each 500 ms pulse. Acts on the current figure.
    virtual void BlinkStep(bool pulse500ms);
    // Draws the figure's face over its shape; `size` is the size the figure draws in. Called by
    // the figure's own paint, with the figure being painted as the current figure.
    virtual void PaintFace(QPainter& painter, QSize size);
    // Whether PaintFace draws anything (the figure installs it as its face painter only then).
    virtual bool HasFace() const { return false; }
    // The design-time description (two texts); empty at run time.
    virtual std::pair<std::string, std::string> Description() const { return {}; }
    // The design-time materialise operation: sets the design flag.
    virtual void Materialise() { m_designFlag = true; }

protected:
    // Classes without cyclic work call this in their constructor.
    void SetRunEachCycle(bool run) { m_runEachCycle = run; }

private:
    std::string m_registeredName;
    std::int32_t m_kind = 0;
    bool m_designFlag = false;
    bool m_runEachCycle = true;
    bool m_blinking = false;
    bool m_loaded = false;
};

} // namespace screens
