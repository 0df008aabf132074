// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ConversionFunctions.h"
#include "runtime/ScreenCommandSupport.h"
#include "runtime/ScreenCommands.h"
#include "screens/FBase.h"
#include "screens/FigureKind.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/WindowsColour.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <algorithm>
#include <cstdint>

namespace runtime::screencmd {

using screens::FigureKind;
using support::BoundsOf;
using support::Current;
using support::CurrentDrawn;
using support::SetBoundsOf;

namespace {

bool IsKind(const screens::Figure& figure, FigureKind kind) {
    return figure.Properties().kind == static_cast<std::uint8_t>(kind);
}

// Edit fields and combo boxes: the kinds whose value is their text.
bool HasTextValue(const screens::Figure& figure) {
    return IsKind(figure, FigureKind::Edit) || IsKind(figure, FigureKind::ComboBox);
}

// The text a native control shows, as code-page bytes.
std::string ControlText(screens::Figure& figure) {
    QWidget& widget = figure.Widget();
    if (auto* edit = dynamic_cast<QLineEdit*>(&widget))
        return support::FromQt(edit->text());
    if (auto* combo = dynamic_cast<QComboBox*>(&widget))
        return support::FromQt(combo->currentText());
    if (auto* memo = dynamic_cast<QPlainTextEdit*>(&widget))
        return support::FromQt(memo->toPlainText());
    return figure.Properties().text;
}

} // namespace

void SetXOrg(std::int32_t xOrg) {
    screens::Figure* figure = Current();
    if (figure == nullptr)
        return;
    const QRect bounds = BoundsOf(*figure);
    if (xOrg == bounds.x())
        return;
    const long long right = static_cast<long long>(bounds.x()) + bounds.width();
    SetBoundsOf(*figure, xOrg, bounds.y(), right - xOrg, bounds.height());
}

void SetYOrg(std::int32_t yOrg) {
    screens::Figure* figure = Current();
    if (figure == nullptr)
        return;
    const QRect bounds = BoundsOf(*figure);
    if (yOrg == bounds.y())
        return;
    const long long bottom = static_cast<long long>(bounds.y()) + bounds.height();
    SetBoundsOf(*figure, bounds.x(), yOrg, bounds.width(), bottom - yOrg);
}

std::int32_t GetXOrg() {
    screens::Figure* figure = Current();
    return figure != nullptr ? BoundsOf(*figure).x() : 0;
}

std::int32_t GetYOrg() {
    screens::Figure* figure = Current();
    return figure != nullptr ? BoundsOf(*figure).y() : 0;
}

void SetXFin(std::int32_t xEnd) {
    screens::Figure* figure = Current();
    if (figure == nullptr)
        return;
    const QRect bounds = BoundsOf(*figure);
    SetBoundsOf(*figure, bounds.x(), bounds.y(), static_cast<long long>(xEnd) - bounds.x(),
                bounds.height());
}

void SetYFin(std::int32_t yEnd) {
    screens::Figure* figure = Current();
    if (figure == nullptr)
        return;
    const QRect bounds = BoundsOf(*figure);
    SetBoundsOf(*figure, bounds.x(), bounds.y(), bounds.width(),
                static_cast<long long>(yEnd) - bounds.y());
}

std::int32_t GetXFin() {
    screens::Figure* figure = Current();
    if (figure == nullptr)
        return 0;
    const QRect bounds = BoundsOf(*figure);
    return bounds.x() + bounds.width();
}

std::int32_t GetYFin() {
    screens::Figure* figure = Current();
    if (figure == nullptr)
        return 0;
    const QRect bounds = BoundsOf(*figure);
    return bounds.y() + bounds.height();
}

void Displace(std::int32_t dx, std::int32_t dy) {
    screens::Figure* figure = Current();
    if (figure == nullptr || (dx == 0 && dy == 0))
        return;
    const QRect bounds = BoundsOf(*figure);
    SetBoundsOf(*figure, static_cast<long long>(bounds.x()) + dx,
                static_cast<long long>(bounds.y()) + dy, bounds.width(), bounds.height());
}

void ODisplace(std::int32_t dx, std::int32_t dy) {
    screens::Figure* figure = Current();
    if (figure == nullptr || (dx == 0 && dy == 0))
        return;
    const QRect bounds = BoundsOf(*figure);
    SetBoundsOf(
        *figure, static_cast<long long>(bounds.x()) + dx, static_cast<long long>(bounds.y()) + dy,
        static_cast<long long>(bounds.width()) - dx, static_cast<long long>(bounds.height()) - dy);
}

void OEnlarge(std::int32_t dx, std::int32_t dy) {
    screens::Figure* figure = Current();
    if (figure == nullptr || (dx == 0 && dy == 0))
        return;
    const QRect bounds = BoundsOf(*figure);
    SetBoundsOf(*figure, bounds.x(), bounds.y(), static_cast<long long>(bounds.width()) + dx,
                static_cast<long long>(bounds.height()) + dy);
}

void SetValue(long double value) {
    if (screens::FBase* drawn = CurrentDrawn()) {
        drawn->SetValue(value);
        return;
    }
    screens::Figure* figure = Current();
    if (figure == nullptr || !HasTextValue(*figure) || value == GetValue())
        return;
    // Written as VAL reads it back, so that GETVALUE returns what was set.
    figure->SetText(RealToText(value, '.').Str());
}

long double GetValue() {
    screens::Figure* figure = Current();
    if (figure == nullptr)
        return 0;
    if (HasTextValue(*figure))
        return ValText(ControlText(*figure)).value;
    if (screens::FBase* drawn = CurrentDrawn())
        return drawn->Properties().value;
    return 0;
}

void SetColor(std::int32_t colour) {
    if (screens::Figure* figure = Current())
        figure->SetForeColour(static_cast<std::uint32_t>(colour));
}

void SetFillColor(std::int32_t colour) {
    if (screens::Figure* figure = Current())
        figure->SetBackColour(static_cast<std::uint32_t>(colour));
}

std::int32_t GetColor() {
    screens::Figure* figure = Current();
    return figure != nullptr ? static_cast<std::int32_t>(figure->Properties().foreColour) : 0;
}

std::int32_t GetFillColor() {
    screens::Figure* figure = Current();
    return figure != nullptr ? static_cast<std::int32_t>(figure->Properties().backColour) : 0;
}

void SetPenWidth(std::int32_t width) {
    if (screens::FBase* drawn = CurrentDrawn())
        drawn->SetPenWidth(static_cast<std::uint8_t>(std::clamp(width, 0, 255)));
}

std::int32_t GetPenWidth() {
    screens::FBase* drawn = CurrentDrawn();
    return drawn != nullptr ? drawn->Properties().penWidth : 0;
}

void SetNDecimales(std::int32_t decimals) {
    if (screens::FBase* drawn = CurrentDrawn())
        drawn->SetDecimals(static_cast<std::uint8_t>(std::clamp(decimals, 0, 255)));
}

std::int32_t GetNDecimales() {
    screens::FBase* drawn = CurrentDrawn();
    return drawn != nullptr ? drawn->Properties().decimals : 0;
}

void Filled() {
    if (screens::FBase* drawn = CurrentDrawn())
        drawn->SetFilled(true);
}

void Unfilled() {
    if (screens::FBase* drawn = CurrentDrawn())
        drawn->SetFilled(false);
}

bool IsFilled() {
    screens::FBase* drawn = CurrentDrawn();
    return drawn != nullptr && drawn->Properties().filled;
}

std::int32_t WinBkgndColor() {
    screens::ScreenForm* window = screens::CurrentWindow();
    if (window == nullptr)
        return 0;
    // The client area paints the screen's background when there is one, else the form does.
    const QWidget& painted = window->HasClient() ? window->Client() : *window;
    return static_cast<std::int32_t>(
        screens::ToWindowsColour(painted.palette().color(painted.backgroundRole())));
}

void StretchBmp(std::int32_t state) {
    // A picture that shapes its window (display mode 2) is not drawn in the figure: it stays.
    screens::FBase* drawn = CurrentDrawn();
    if (drawn != nullptr && IsKind(*drawn, FigureKind::Bmp) && drawn->Properties().displayMode != 2)
        drawn->SetDisplayMode(state != 0 ? 1 : 0);
}

} // namespace runtime::screencmd
