// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <QPointer>
#include <QWidget>

#include "screens/ClassData.h"
#include "screens/Component.h"

namespace screens {

// The displays fed from elsewhere each cycle: the trend and the scrolling trend, and the axis.
// Loading keeps what their cyclic work needs and applies the hint; the trend classes do nothing
// in Run yet. GUI thread; owned by the figure. (The grid is in GridClasses.h, the alarm list and
// alarm grid in AlarmClasses.h.)

// Trend and scrolling trend: their settings lie mostly in raw fields whose meaning is the editor's;
// the whole data is kept for the cyclic work to decode.
class ChartHolder : public Component {
public:
    void ReadData(const ClassData* data) override;
    const ClassData& Data() const { return m_data; }

protected:
    ChartHolder(std::string_view registeredName, std::int32_t kind)
        : Component(registeredName, kind)
    {
    }

private:
    ClassData m_data;
};
class TCTrend : public ChartHolder {
public:
    TCTrend() : ChartHolder("TCTREND", 145) {}
};

// The scrolling trend: its chart's 1251-byte settings block (all zero when the file ended
// before it).
class TCShTrend : public ChartHolder {
public:
    TCShTrend() : ChartHolder("TCShTrend", 145) {}
    void ReadData(const ClassData* data) override;
    const std::string& Settings() const { return m_settings; }

private:
    std::string m_settings;
};

// The axis's settings as its class data holds them: the range (two extended reals), the
// orientation switch, then the number of divisions, the minor ticks per division, the decimals
// of the labels and the colour; the last two 4-byte fields are kept unread. Values outside sane
// ranges fall back to defaults (0..100, ten divisions, no minor ticks, no decimals, black).
struct AxisSettings {
    static constexpr int kMaxDivisions = 100;
    static constexpr int kMaxMinorTicks = 20;
    static constexpr int kMaxDecimals = 10;

    double minimum = 0;
    double maximum = 100;
    bool vertical = false;
    int divisions = 10;
    int minorTicks = 0;
    int decimals = 0;
    std::uint32_t colour = 0;
};

// The axis: a drawn scale in place of its placeholder window figure. Its first Run with a
// current figure puts the scale in the placeholder's parent with its bounds, back colour and
// font and hides the placeholder; later Runs do nothing. A horizontal axis has its line along
// the top with ticks and labels below it, the minimum on the left; a vertical one its line
// along the right edge with labels on its left, the minimum at the bottom. GUI thread only.
class TCAxis : public Component {
public:
    TCAxis();
    ~TCAxis() override;
    void ReadData(const ClassData* data) override;
    void Run() override;

    const AxisSettings& Settings() const { return m_settings; }
    // The scale once built, else null.
    QWidget* Scale() const;
    // The pixel (x for a horizontal axis, y for a vertical one) where the scale draws `value`,
    // -1 before it is built.
    int PixelOf(double value) const;

private:
    AxisSettings m_settings;
    bool m_built = false;
    QPointer<QWidget> m_scale;
};

} // namespace screens
