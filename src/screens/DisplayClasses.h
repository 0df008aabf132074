// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "screens/ClassData.h"
#include "screens/Component.h"

namespace screens {

// The displays fed from elsewhere each cycle: the alarm list and alarm grid (from the alarm
// manager), the trend, the scrolling trend, the grid and the axis. Loading keeps what their
// cyclic work needs and applies the hint; Run does nothing yet. GUI thread; owned by the figure.

// The alarm list shown in a list-box figure.
class TCAlarm : public Component {
public:
    TCAlarm();
    void ReadData(const ClassData* data) override;
};

// The alarm grid: five column captions, two filter texts (literals or string-variable names),
// untranslated as in the data, and 20 bytes of column settings.
class TCGAlarm : public Component {
public:
    static constexpr std::size_t kColumnCount = 5;
    static constexpr std::size_t kFilterCount = 2;

    TCGAlarm();
    void ReadData(const ClassData* data) override;
    const std::array<std::string, kColumnCount>& ColumnCaptions() const { return m_captions; }
    const std::array<std::string, kFilterCount>& Filters() const { return m_filters; }
    const std::string& ColumnSettings() const { return m_columnSettings; }

private:
    std::array<std::string, kColumnCount> m_captions;
    std::array<std::string, kFilterCount> m_filters;
    std::string m_columnSettings;
};

// Trend, grid and axis: their settings lie mostly in raw fields whose meaning is the editor's;
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
class TCAxis : public ChartHolder {
public:
    TCAxis() : ChartHolder("TCAxis", 145) {}
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

// The grid: one 4-byte raw item per column.
class TCGrille : public ChartHolder {
public:
    TCGrille() : ChartHolder("TCGrille", 145) {}
    void ReadData(const ClassData* data) override;
    const std::vector<std::string>& Columns() const { return m_columns; }

private:
    std::vector<std::string> m_columns;
};

} // namespace screens
