// Quorva run-time. Licensed under the MIT licence.
#include "screens/FigureKind.h"

#include <array>
#include <utility>

namespace screens {
namespace {

constexpr std::array<std::pair<std::uint8_t, std::string_view>, 27> kKindNames{{
    {100, "Line"},     {101, "Rectang"},  {102, "RoundRec"}, {103, "Circle"},  {104, "Ellipse"},
    {105, "PolyLine"}, {106, "Text"},     {107, "ActiveX"},  {110, "Arc"},     {112, "PolyGon"},
    {114, "Edit"},     {115, "Frame"},    {116, "Group"},    {121, "Button"},  {122, "Value"},
    {123, "BarV"},     {124, "BarH"},     {127, "Supp"},     {128, "ListBox"}, {133, "Bmp"},
    {134, "CheckBox"}, {136, "ComboBox"}, {143, "NoteBook"}, {144, "Shade"},   {145, "Window"},
    {146, "TabSet"},   {147, "XPBUTTON"},
}};

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

} // namespace

std::string_view FigureKindName(std::uint8_t code)
{
    for (const auto& [kind, name] : kKindNames)
        if (kind == code)
            return name;
    return {};
}

std::optional<std::uint8_t> FigureKindFromName(std::string_view name)
{
    for (const auto& [kind, kindName] : kKindNames)
        if (EqualIgnoringCase(kindName, name))
            return kind;
    return std::nullopt;
}

} // namespace screens
