// Quorva run-time. Licensed under the MIT licence.
#include "screens/DisplayClasses.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include <QFontMetrics>
#include <QPainter>

#include "platform/Extended.h"
#include "screens/ClassFields.h"
#include "screens/Figure.h"
#include "screens/PlaceholderControl.h"
#include "screens/ScreenGlobals.h"
#include "screens/WindowsColour.h"

namespace screens {
namespace {

constexpr int kMajorTick = 6;
constexpr int kMinorTick = 3;
constexpr double kLargestEnd = 1e15;

std::int32_t Int32Of(std::string_view bytes, std::int32_t fallback)
{
    std::int32_t value = fallback;
    if (bytes.size() >= sizeof value)
        std::memcpy(&value, bytes.data(), sizeof value);
    return value;
}

// An end of the range: a finite extended real of sane size, else nothing.
std::optional<double> RangeEnd(std::string_view bytes)
{
    if (bytes.size() < platform::kExtendedSize)
        return std::nullopt;
    const long double value = platform::FromExtended(bytes.data());
    if (!std::isfinite(value) || std::fabs(value) > kLargestEnd)
        return std::nullopt;
    return static_cast<double>(value);
}

// The scale drawn for an axis: the line, a major tick and a label at each division, minor ticks
// between.
class AxisScale final : public QWidget {
public:
    AxisScale(const AxisSettings& settings, QWidget* parent) : QWidget(parent), m_settings(settings)
    {
    }

    int PixelOf(double value) const
    {
        const double fraction =
            (value - m_settings.minimum) / (m_settings.maximum - m_settings.minimum);
        if (m_settings.vertical) {
            const int top = EndMargin();
            const int bottom = height() - 1 - EndMargin();
            return static_cast<int>(std::lround(bottom - fraction * (bottom - top)));
        }
        const int left = EndMargin();
        const int right = width() - 1 - EndMargin();
        return static_cast<int>(std::lround(left + fraction * (right - left)));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QColor colour = WindowsColour(m_settings.colour);
        painter.setPen(QPen(colour, 0));
        painter.setFont(font());
        const QFontMetrics metrics(font());
        const int divisions = m_settings.divisions;
        const int steps = divisions * (m_settings.minorTicks + 1);
        const int last = m_settings.vertical ? width() - 1 : 0;
        if (m_settings.vertical)
            painter.drawLine(last, PixelOf(m_settings.minimum), last, PixelOf(m_settings.maximum));
        else
            painter.drawLine(PixelOf(m_settings.minimum), 0, PixelOf(m_settings.maximum), 0);
        for (int step = 0; step <= steps; ++step) {
            const bool major = step % (m_settings.minorTicks + 1) == 0;
            const double value = m_settings.minimum +
                                 (m_settings.maximum - m_settings.minimum) * step / steps;
            const int at = PixelOf(value);
            const int length = major ? kMajorTick : kMinorTick;
            if (m_settings.vertical)
                painter.drawLine(last - length, at, last, at);
            else
                painter.drawLine(at, 0, at, length);
            if (!major)
                continue;
            const QString label = Label(value);
            if (m_settings.vertical) {
                const QRect box(0, at - metrics.height() / 2, last - kMajorTick - 2,
                                metrics.height());
                painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, label);
            } else {
                const int labelWidth = metrics.horizontalAdvance(label);
                painter.drawText(QRect(at - labelWidth / 2 - 1, kMajorTick + 1, labelWidth + 2,
                                       metrics.height()),
                                 Qt::AlignCenter, label);
            }
        }
    }

private:
    QString Label(double value) const
    {
        return QString::number(value, 'f', m_settings.decimals);
    }

    // Room at both ends for half a label, within a quarter of the length.
    int EndMargin() const
    {
        const QFontMetrics metrics(font());
        int half = metrics.height() / 2;
        if (!m_settings.vertical)
            half = std::max(metrics.horizontalAdvance(Label(m_settings.minimum)),
                            metrics.horizontalAdvance(Label(m_settings.maximum))) /
                       2 +
                   1;
        return std::clamp(half, 0, (m_settings.vertical ? height() : width()) / 4);
    }

    AxisSettings m_settings;
};

} // namespace

TCAxis::TCAxis() : Component("TCAxis", 145) {}

TCAxis::~TCAxis()
{
    delete m_scale.data();
}

void TCAxis::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    AxisSettings settings;
    const std::optional<double> minimum = RangeEnd(TextField(data, "r1"));
    const std::optional<double> maximum = RangeEnd(TextField(data, "r2"));
    if (minimum && maximum && *minimum != *maximum) {
        settings.minimum = *minimum;
        settings.maximum = *maximum;
    }
    settings.vertical = NumberField(data, "b1") != 0;
    const std::int32_t divisions = Int32Of(TextField(data, "r3"), 0);
    if (divisions >= 1 && divisions <= AxisSettings::kMaxDivisions)
        settings.divisions = divisions;
    settings.minorTicks =
        std::clamp(Int32Of(TextField(data, "r4"), 0), 0, AxisSettings::kMaxMinorTicks);
    settings.decimals =
        std::clamp(Int32Of(TextField(data, "r5"), 0), 0, AxisSettings::kMaxDecimals);
    settings.colour = static_cast<std::uint32_t>(Int32Of(TextField(data, "r6"), 0));
    m_settings = settings;
    ApplyHintField(data);
}

void TCAxis::Run()
{
    Figure* placeholder = PlaceholderOnFirstRun(m_built);
    if (placeholder == nullptr)
        return;
    QWidget& old = placeholder->Widget();
    auto* scale = new AxisScale(m_settings, old.parentWidget());
    ReplacePlaceholder(old, *scale);
    m_scale = scale;
}

QWidget* TCAxis::Scale() const
{
    return m_scale.data();
}

int TCAxis::PixelOf(double value) const
{
    const auto* scale = dynamic_cast<const AxisScale*>(m_scale.data());
    return scale != nullptr ? scale->PixelOf(value) : -1;
}

} // namespace screens
