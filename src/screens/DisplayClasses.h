// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>

#include <QPointer>
#include <QWidget>

#include "screens/ClassData.h"
#include "screens/Component.h"

namespace screens {

// The axis, a display drawn from its class data. (The grid is in GridClasses.h, the alarm list
// and alarm grid in AlarmClasses.h, the trend objects in the trends library.)

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
