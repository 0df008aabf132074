// Quorva run-time. Licensed under the MIT licence.
#include "screens/FigureText.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <fmt/format.h>

#include <QFontMetrics>
#include <QPainter>
#include <QTextOption>

#include "platform/CodePage.h"
#include "screens/FigureFont.h"
#include "screens/FigureKind.h"
#include "screens/FigureProperties.h"
#include "screens/ScreenGlobals.h"
#include "screens/WindowsColour.h"

namespace screens {
namespace {

constexpr int kMaxDecimals = 18;
constexpr int kFieldWidth = 15;
constexpr int kTabStopChars = 8;

QString FromCodePage(const std::string& bytes)
{
    return QString::fromStdString(platform::CodePageToUtf8(bytes));
}

long RoundHalfEven(double value)
{
    return std::lrint(value);
}

} // namespace

std::string FormatValue(long double value, int decimals)
{
    if (std::isnan(value))
        return "Nan";
    if (std::isinf(value))
        return value > 0 ? "+Inf" : "-Inf";
    decimals = std::clamp(decimals, 0, kMaxDecimals);
    std::string text = fmt::format("{:>{}.{}f}", value, kFieldWidth, decimals);
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

QFont FigureFontOf(const FigureProperties& properties)
{
    return FigureFont(properties.fontName, properties.fontHeight, properties.fontStyle);
}

QString ShownText(const FigureProperties& properties)
{
    if (properties.kind == static_cast<std::uint8_t>(FigureKind::Value))
        return QString::fromStdString(FormatValue(properties.value, properties.decimals));
    return FromCodePage(DisplayText(properties.text));
}

bool KeepsItsSize(const QString& shown)
{
    return shown.contains(QLatin1Char('#'));
}

QSize TextFigureSize(const QFontMetrics& metrics, const QString& shown, int angle)
{
    const int w = metrics.horizontalAdvance(shown);
    const int h = metrics.height();
    if (angle % 360 == 0)
        return QSize(w, h);
    const double radians = angle * std::numbers::pi / 180.0;
    return QSize(h + static_cast<int>(RoundHalfEven(std::fabs(std::cos(radians)) * w)),
                 h + static_cast<int>(RoundHalfEven(std::fabs(std::sin(radians)) * w)));
}

void PaintFigureText(QPainter& painter, QSize size, const FigureProperties& properties, const QString& shown)
{
    if (properties.filled)
        painter.fillRect(QRect(QPoint(0, 0), size), WindowsColour(properties.backColour));
    const QFont font = FigureFontOf(properties);
    painter.setFont(font);
    painter.setPen(WindowsColour(properties.foreColour));
    painter.setBrush(Qt::NoBrush);
    const bool isText = properties.kind == static_cast<std::uint8_t>(FigureKind::Text);
    if (isText && KeepsItsSize(shown)) {
        QString wrapped = shown;
        wrapped.replace(QLatin1Char('#'), QLatin1Char(' '));
        QTextOption option(Qt::AlignHCenter | Qt::AlignTop);
        option.setWrapMode(QTextOption::WordWrap);
        option.setTabStopDistance(kTabStopChars * QFontMetricsF(font).averageCharWidth());
        painter.drawText(QRectF(0, 0, size.width(), size.height()), wrapped, option);
        return;
    }
    if (properties.angle % 360 == 0) {
        painter.drawText(QRect(QPoint(0, 0), size), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, shown);
        return;
    }
    // Turned text: the unturned text box, centred on the figure and turned about its centre
    // (angles count anticlockwise).
    const QFontMetrics metrics(font);
    const qreal w = metrics.horizontalAdvance(shown);
    const qreal h = metrics.height();
    painter.save();
    painter.translate(size.width() / 2.0, size.height() / 2.0);
    painter.rotate(-static_cast<qreal>(properties.angle));
    painter.drawText(QRectF(-w / 2, -h / 2, w, h), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, shown);
    painter.restore();
}

} // namespace screens
