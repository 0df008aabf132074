// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string>

#include "screens/WindowsColour.h"

namespace screens {

// The properties every figure carries besides its position and size, shared by the drawn
// figures and the native ones. Texts are bytes of the code page. A plain value: the figure
// classes own one each and apply it to what they draw.
struct FigureProperties {
    std::uint8_t kind = 0;
    std::uint32_t foreColour = kBlack;
    std::uint32_t backColour = kWhite;
    bool filled = false;
    bool transparent = true; // always the opposite of `filled`
    std::uint8_t penStyle = 0;
    std::uint8_t penWidth = 1;
    std::string fontName;
    std::int16_t fontHeight = 0;
    std::uint8_t fontStyle = 0; // kFontBold | kFontItalic | kFontUnderline | kFontStrikeOut
    std::uint8_t pageLayer = 0;
    std::int16_t linkGroup = 0;
    std::int32_t secondLinkKey = 0;
    std::int16_t options = 0;
    std::string text; // raw; the shown text is its translation
    long double value = 0;
    std::uint8_t decimals = 0; // Value: decimals; NoteBook/TabSet: page value
    std::uint16_t angle = 0;   // Text, Value, PolyLine, PolyGon: degrees below 360
    std::uint8_t displayMode = 0; // Bmp
    bool direction = false;
    std::uint8_t alignment = 0;
    std::uint8_t tabCount = 0;
    int fillLevel = 0; // 0..100
    bool fillOn = false;
    std::uint32_t fillColour = kBlack;
    bool blinking = false;
    std::uint8_t buttonState = 0; // Button, XPBUTTON: non-zero = toggle switch
    bool down = false;
    std::string className;     // upper-cased
    std::string componentName; // upper-cased object name
    std::string unitName;
};

// Applies the defaults of a kind (its colours, fill and initial value) on top of `properties`
// and sets the kind.
void ApplyKindDefaults(FigureProperties& properties, std::uint8_t kind);

// Clamps a bar or fill-level value to 0..100; not-a-number gives 0.
long double ClampPercent(long double value);

} // namespace screens
