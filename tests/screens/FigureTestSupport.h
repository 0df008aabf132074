// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <QColor>
#include <QImage>
#include <QWidget>

#include "screens/AttributsFig.h"
#include "screens/FBase.h"
#include "screens/FigureKind.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/TSimple.h"

namespace figuretest {

// A colour no figure of the tests draws with: what shows where a figure draws nothing.
inline const QColor kBackground(0x12, 0x34, 0x56);
// The kind byte of a figure kind, as records hold it.
constexpr std::uint8_t Kind(screens::FigureKind kind) { return static_cast<std::uint8_t>(kind); }
inline const QColor kRed(255, 0, 0);
inline const QColor kBlue(0, 0, 255);
inline const QColor kGreen(0, 255, 0);
inline const QColor kWhite(255, 255, 255);
inline const QColor kBlack(0, 0, 0);
inline const QColor kGrey(128, 128, 128);

// Colour values of the records (0x00BBGGRR).
constexpr std::uint32_t kRecordRed = 0x000000FF;
constexpr std::uint32_t kRecordBlue = 0x00FF0000;
constexpr std::uint32_t kRecordGreen = 0x0000FF00;
constexpr std::uint32_t kRecordBlack = 0x00000000;

// A record of `kind` from (x1, y1) to (x2, y2): black one-pixel solid pen, blue back colour,
// filled.
inline screens::AttributsFig Record(std::uint8_t kind, int x1, int y1, int x2, int y2)
{
    screens::AttributsFig record;
    record.kind = kind;
    record.x1 = static_cast<std::int16_t>(x1);
    record.y1 = static_cast<std::int16_t>(y1);
    record.x2 = static_cast<std::int16_t>(x2);
    record.y2 = static_cast<std::int16_t>(y2);
    record.foreColour = kRecordBlack;
    record.backColour = kRecordBlue;
    record.filled = 1;
    record.penWidth = 1;
    record.penStyle = 0;
    record.fontName = "Arial";
    record.fontHeight = -13;
    return record;
}

// A figure made the way the screen loader makes one: created in the window, marked as loading,
// given its kind, loaded from the record, then finished.
inline screens::FBase* MakeFigure(screens::ScreenForm& form, const screens::AttributsFig& record)
{
    auto* figure = new screens::FBase(&form);
    figure->SetLoading(true);
    figure->SetKind(record.kind);
    figure->Load(record);
    figure->SetLoading(false);
    figure->show();
    return figure;
}

// The widget as drawn over kBackground, pixel for pixel (nothing of its parent shows).
inline QImage Render(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(kBackground);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

inline QColor Pixel(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y);
}

// "r,g,b" of a pixel, so that a failing comparison says what was there.
inline std::string ColourText(const QColor& colour)
{
    return std::to_string(colour.red()) + "," + std::to_string(colour.green()) + "," + std::to_string(colour.blue());
}

// How many pixels of row `y` have `colour`.
inline int CountInRow(const QImage& image, int y, const QColor& colour)
{
    int count = 0;
    for (int x = 0; x < image.width(); ++x)
        count += image.pixelColor(x, y) == colour ? 1 : 0;
    return count;
}

// The first column of row `y` with `colour`, or -1.
inline int FirstInRow(const QImage& image, int y, const QColor& colour)
{
    for (int x = 0; x < image.width(); ++x)
        if (image.pixelColor(x, y) == colour)
            return x;
    return -1;
}

// The first row of column `x` (from the top) with `colour`, or -1.
inline int FirstInColumn(const QImage& image, int x, const QColor& colour)
{
    for (int y = 0; y < image.height(); ++y)
        if (image.pixelColor(x, y) == colour)
            return y;
    return -1;
}

// A window placeholder (kind 145) in the form's client area, as the loader makes one for a class
// that puts a native control in its place, shown and made the current figure.
inline screens::TSimple* MakePlaceholder(screens::ScreenForm& form, int x1, int y1, int x2, int y2,
                                         std::string className, std::string objectName)
{
    auto* placeholder = new screens::TSimple(&form.Client());
    placeholder->SetLoading(true);
    placeholder->SetKind(145);
    placeholder->Load(Record(145, x1, y1, x2, y2));
    placeholder->SetLoading(false);
    placeholder->SetNames(std::move(className), std::move(objectName));
    placeholder->show();
    screens::SetCurrentFigure(placeholder);
    return placeholder;
}

} // namespace figuretest

#define EXPECT_PIXEL(image, x, y, colour)                                                                              \
    EXPECT_EQ(figuretest::ColourText(figuretest::Pixel((image), (x), (y))), figuretest::ColourText(colour))          \
        << "at (" << (x) << ", " << (y) << ")"
