// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string>

namespace screens {

// The attribute record of one object of a screen file: what every figure is built from. Texts
// are bytes of the system code page, as stored. The comments give each field's position in the
// record as the editor lays it out; the drawing rules refer to fields by those positions.
struct AttributsFig {
    std::uint8_t kind = 0;            // 0: kind code (FigureKind)
    std::string parentName;           // 1: container name, at most 15 characters; empty = window
    std::int16_t linkGroup = 0;       // 17
    std::string text;                 // 19: caption, shown text, picture file name (<= 255)
    std::uint8_t pageValue = 0;       // 275: decimals of Value; page value of NoteBook/TabSet
    std::string className;            // 276: screen-object class, at most 10 characters
    std::int16_t x1 = 0;              // 287
    std::int16_t y1 = 0;              // 289
    std::int16_t x2 = 0;              // 291
    std::int16_t y2 = 0;              // 293
    std::uint32_t foreColour = 0;     // 295: pen and text colour
    std::uint8_t penStyle = 0;        // 299: 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, 5 none
    std::uint8_t penWidth = 0;        // 300
    std::uint32_t backColour = 0;     // 302: fill colour
    std::uint8_t filled = 0;          // 306
    std::string fontName;             // 307: at most 31 characters
    std::int16_t fontHeight = 0;      // 339: negative = character height in pixels
    std::uint8_t bold = 0;            // 341
    std::uint8_t italic = 0;          // 342
    std::uint8_t underline = 0;       // 343
    std::uint8_t strikeOut = 0;       // 344
    std::uint8_t pageLayer = 0;       // 345: 0 = every page
    std::uint8_t tabCount = 0;        // 346: NoteBook and TabSet
    std::uint8_t multiLine = 0;       // 347: Edit builds a memo
    std::uint8_t sorted = 0;          // 349: ComboBox
    std::uint8_t alignment = 0;       // 352: 0 none, 1 top, 2 bottom, 3 left, 4 right, 5 client
    std::uint8_t editOption = 0;      // 353: edit option, memo horizontal scroll bar, layout switch
    std::uint8_t memoVScroll = 0;     // 354: memo vertical scroll bar
    std::uint8_t password = 0;        // 355: characters shown as "*"
    std::uint16_t angle = 0;          // 356: degrees (Text, Value); for Bmp the low byte is the display mode
    std::string objectName;           // 360: at most 15 characters
    std::int16_t options = 0;         // 376: bit 0 no border, bit 1 single border, bit 2 3-D look
    std::int32_t secondLinkKey = 0;   // 378
    std::string unitName;             // 382: program block's unit (<= 255)
    std::string arguments;            // 638: program block's argument list, any length

    std::uint8_t DisplayMode() const { return static_cast<std::uint8_t>(angle & 0xFF); }

    bool operator==(const AttributsFig&) const = default;
};

} // namespace screens
