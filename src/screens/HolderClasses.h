// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include <QPoint>

#include "screens/Component.h"

namespace screens {

// The property holders: classes whose class data describes, for the editor, what the screen's
// automatic unit does with the figure. At run time they never run; loading applies the hint of
// their data to the figure and, for point lists, the rotation centre. GUI thread; owned by the
// figure.
class PropertyHolder : public Component {
public:
    void ReadData(const ClassData* data) override;

protected:
    PropertyHolder(std::string_view registeredName, std::int32_t kind);
};

// Shapes.
class TCLigne : public PropertyHolder {
public:
    TCLigne() : PropertyHolder("TCLigne", 100) {}
};
class TCRect : public PropertyHolder {
public:
    TCRect() : PropertyHolder("TCRect", 101) {}
};
class TCRound : public PropertyHolder {
public:
    TCRound() : PropertyHolder("TCRound", 102) {}
};
class TCCircle : public PropertyHolder {
public:
    TCCircle() : PropertyHolder("TCCircle", 103) {}
};
class TCEllipse : public PropertyHolder {
public:
    TCEllipse() : PropertyHolder("TCEllipse", 104) {}
};
class TCArc : public PropertyHolder {
public:
    TCArc() : PropertyHolder("TCArc", 110) {}
};
class TCFrame : public PropertyHolder {
public:
    TCFrame() : PropertyHolder("TCFRAME", 115) {}
};
class TCSupp : public PropertyHolder {
public:
    TCSupp() : PropertyHolder("TCSUPP", 127) {}
};
class TCShade : public PropertyHolder {
public:
    TCShade() : PropertyHolder("TCSHADE", 144) {}
};

// Point lists: loading also gives the figure (a drawn one) the rotation centre of the data,
// -1, -1 when the data holds none. The centre is kept for the figure's later turns.
class PointListHolder : public PropertyHolder {
public:
    void ReadData(const ClassData* data) override;
    QPoint RotationCentre() const { return m_rotationCentre; }

protected:
    using PropertyHolder::PropertyHolder;

private:
    QPoint m_rotationCentre{-1, -1};
};
class TCPolyLine : public PointListHolder {
public:
    TCPolyLine() : PointListHolder("TCPolyLine", 105) {}
};
class TCPolygone : public PointListHolder {
public:
    TCPolygone() : PointListHolder("TCPolygone", 112) {}
};

// Values and bars.
class TCValue : public PropertyHolder {
public:
    TCValue() : PropertyHolder("TCVALUE", 122) {}
};
class TCBarV : public PropertyHolder {
public:
    TCBarV() : PropertyHolder("TCBARV", 123) {}
};
class TCBarH : public PropertyHolder {
public:
    TCBarH() : PropertyHolder("TCBARH", 124) {}
};

// Texts and group boxes.
class TCTexte : public PropertyHolder {
public:
    TCTexte() : PropertyHolder("TCTexte", 106) {}
};
class TCGroup : public PropertyHolder {
public:
    TCGroup() : PropertyHolder("TCGROUP", 116) {}
};

// Pictures and program blocks.
class TCBitmap : public PropertyHolder {
public:
    TCBitmap() : PropertyHolder("TCBitmap", 133) {}
};

// Lists.
class TCListbox : public PropertyHolder {
public:
    TCListbox() : PropertyHolder("TCListbox", 128) {}
};
class TCCombo : public PropertyHolder {
public:
    TCCombo() : PropertyHolder("TCCOMBO", 136) {}
};

// The 24 name strings of menu commands (no hint). The menu commands of the program read them.
class TCMenu : public Component {
public:
    static constexpr std::size_t kNameCount = 24;

    TCMenu();
    void ReadData(const ClassData* data) override;
    const std::array<std::string, kNameCount>& Names() const { return m_names; }

private:
    std::array<std::string, kNameCount> m_names;
};

} // namespace screens
