// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "screens/AttributsFig.h"
#include "screens/FigureKind.h"

namespace testsupport {

// The object record of a figure of `kind` with corners (x1, y1) and (x2, y2), as the editor
// writes it: a thin pen, Arial 13 pixels high, and `text`.
inline screens::AttributsFig Record(std::uint8_t kind, int x1, int y1, int x2, int y2,
                                    std::string text = {})
{
    screens::AttributsFig record;
    record.kind = kind;
    record.x1 = static_cast<std::int16_t>(x1);
    record.y1 = static_cast<std::int16_t>(y1);
    record.x2 = static_cast<std::int16_t>(x2);
    record.y2 = static_cast<std::int16_t>(y2);
    record.penWidth = 1;
    record.fontName = "Arial";
    record.fontHeight = -13;
    record.text = std::move(text);
    return record;
}

inline screens::AttributsFig Record(screens::FigureKind kind, int x1, int y1, int x2, int y2,
                                    std::string text = {})
{
    return Record(static_cast<std::uint8_t>(kind), x1, y1, x2, y2, std::move(text));
}

} // namespace testsupport
