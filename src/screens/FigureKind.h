// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace screens {

// The kind code of an object record: which figure a screen object builds.
enum class FigureKind : std::uint8_t {
    Line = 100,
    Rectang = 101,
    RoundRec = 102,
    Circle = 103,
    Ellipse = 104,
    PolyLine = 105,
    Text = 106,
    ActiveX = 107,
    Arc = 110,
    PolyGon = 112,
    Edit = 114,
    Frame = 115,
    Group = 116,
    Button = 121,
    Value = 122,
    BarV = 123,
    BarH = 124,
    Supp = 127,
    ListBox = 128,
    Bmp = 133,
    CheckBox = 134,
    ComboBox = 136,
    NoteBook = 143,
    Shade = 144,
    Window = 145,
    TabSet = 146,
    XpButton = 147,
};

// The figure class a kind builds. None: the record is read and skipped.
enum class FigureClass : std::uint8_t { None, TracePoint, Extension, ActiveX, Edit, ListBox, CheckBox, ComboBox, Simple };

constexpr FigureClass FigureClassOf(std::uint8_t code)
{
    switch (static_cast<FigureKind>(code)) {
    case FigureKind::Line:
    case FigureKind::Rectang:
    case FigureKind::RoundRec:
    case FigureKind::Circle:
    case FigureKind::Ellipse:
    case FigureKind::Arc:
    case FigureKind::Frame:
    case FigureKind::BarV:
    case FigureKind::BarH:
    case FigureKind::Supp:
    case FigureKind::Shade:
        return FigureClass::TracePoint;
    case FigureKind::PolyLine:
    case FigureKind::Text:
    case FigureKind::PolyGon:
    case FigureKind::Group:
    case FigureKind::Button:
    case FigureKind::Value:
    case FigureKind::Bmp:
    case FigureKind::NoteBook:
    case FigureKind::TabSet:
    case FigureKind::XpButton:
        return FigureClass::Extension;
    case FigureKind::ActiveX:
        return FigureClass::ActiveX;
    case FigureKind::Edit:
        return FigureClass::Edit;
    case FigureKind::ListBox:
        return FigureClass::ListBox;
    case FigureKind::CheckBox:
        return FigureClass::CheckBox;
    case FigureKind::ComboBox:
        return FigureClass::ComboBox;
    case FigureKind::Window:
        return FigureClass::Simple;
    }
    return FigureClass::None;
}

// Kinds whose record carries a point list after the attributes.
constexpr bool HasPointList(std::uint8_t code)
{
    return code == static_cast<std::uint8_t>(FigureKind::PolyLine) ||
           code == static_cast<std::uint8_t>(FigureKind::PolyGon);
}

// The kind's name as the editor writes it ("Line", "BarV", "XPBUTTON"); for the native kinds a
// descriptive name ("Edit", "ListBox"). Empty for codes that build no figure.
std::string_view FigureKindName(std::uint8_t code);
// The code of a kind name (ignoring case), for the tools that read JSON.
std::optional<std::uint8_t> FigureKindFromName(std::string_view name);

} // namespace screens
