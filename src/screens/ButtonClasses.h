// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QImage>

#include "screens/ClassData.h"
#include "screens/Component.h"

namespace screens {

class FBase;
class Figure;

// A push button with a glyph and a caption (TCBUTTON, TCXButton), on a Button figure. GUI
// thread; owned by the figure; every operation acts on the current figure (the object's own).
//
// Drawing: the figure draws its face (raised, sunken while down); the object draws over it the
// glyph and the translated caption (the figure's own text when the data has none), placed by
// the glyph position ("Left", "Right", "Top", "Bottom"), moved one pixel while down. The glyph
// is the picture glyph name + ".Bmp" from the package or the disk: a square picture is one
// glyph, a wider one two side by side (up, disabled); the colour of its bottom-left pixel is
// transparent. A disabled button shows its second glyph, or the first one greyed.
//
// Press tracking, as a push button: down while the left button is held on it (up again while
// the mouse is dragged off it), a release over it is a click, a release off it cancels (no
// click). After a click a plain button is up, a toggle button (state byte set) changed state and
// a group member stays down.
//
// First Run: loads the glyph and starts the tracking; when the group switch (fifth field of the
// button record) is set and the figure's link chain holds another Button figure whose second
// link key is 0, the button is a group member. Each Run: applies the enabled byte; a group member
// that was hollow at start is filled exactly while down, and when it was clicked (between the
// previous Run and this one) every other button of its chain goes up, so that one button of a
// group is down at a time.
class ButtonBinding : public Component {
public:
    ~ButtonBinding() override;

    void ReadData(const ClassData* data) override;
    void Run() override;
    bool HasFace() const override { return true; }
    void PaintFace(QPainter& painter, QSize size) override;

    const std::string& GlyphName() const { return m_glyphName; }
    const std::string& Caption() const { return m_caption; }
    const std::string& GlyphPosition() const { return m_glyphPosition; }
    bool Enabled() const { return m_enabled; }
    // The fifth field of the button record: the button may join a button group.
    bool GroupSwitch() const { return m_groupSwitch; }
    // The program unit the button starts, its action mode ("Pulse") and key ("F1").
    const std::string& Unit() const { return m_unit; }
    const std::string& ActionMode() const { return m_actionMode; }
    const std::string& Key() const { return m_key; }

    // The state at run time.
    bool GroupMember() const { return m_groupMember; }
    // Whether the button was clicked between the previous Run and the last one.
    bool ClickedThisCycle() const { return m_clicked; }
    // Whether the left button is held on it now.
    bool Pressed() const { return m_pressed; }
    const QImage& Glyph() const { return m_glyph; }
    int GlyphCount() const { return m_glyphCount; }

    // Program code: the enabled state (applied now and kept by every later Run).
    void SetEnabled(bool enabled);
    // Program code: loads `name` + ".Bmp" as the glyph; false (and no glyph) when there is no
    // such picture. An empty name loads the glyph named in the data.
    bool LoadGlyph(std::string_view name);

    // The press tracking, driven by the figure's mouse events (public for the event filter).
    void Press(FBase& figure);
    void Drag(FBase& figure, bool inside);
    void Release(FBase& figure, bool inside);

protected:
    ButtonBinding(std::string_view registeredName, std::int32_t kind);

private:
    void Start(FBase& figure);
    QImage GlyphToDraw(bool enabled) const;

    std::string m_glyphName;
    std::string m_caption;
    std::string m_glyphPosition = "Left";
    bool m_enabled = true;
    bool m_groupSwitch = false;
    std::string m_unit;
    std::string m_actionMode;
    std::string m_key;

    bool m_started = false;
    bool m_groupMember = false;
    bool m_hollowAtStart = false;
    bool m_pressed = false;
    bool m_downBeforePress = false;
    bool m_pendingClick = false;
    bool m_clicked = false;
    QImage m_glyph;
    int m_glyphCount = 0;
    std::unique_ptr<class ButtonPressFilter> m_filter;
};
class TCButton : public ButtonBinding {
public:
    TCButton() : ButtonBinding("TCBUTTON", 121) {}
};
class TCXButton : public ButtonBinding {
public:
    TCXButton() : ButtonBinding("TCXButton", 121) {}
};

// The figures of `figure`'s link chain, from its first to its last (the figure among them).
std::vector<Figure*> LinkChainOf(Figure& figure);

} // namespace screens
