// Quorva run-time. Licensed under the MIT licence.
#include "screens/DisplayClasses.h"

#include "screens/ClassFields.h"

namespace screens {

TCAlarm::TCAlarm() : Component("TCALARM", 128) {}

void TCAlarm::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    ApplyHintField(data);
}

TCGAlarm::TCGAlarm() : Component("TCGALARM", 145) {}

void TCGAlarm::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    for (std::size_t i = 0; i < kColumnCount; ++i)
        m_captions[i] = TextField(data, "columnCaption" + std::to_string(i + 1));
    for (std::size_t i = 0; i < kFilterCount; ++i)
        m_filters[i] = TextField(data, "filter" + std::to_string(i + 1));
    m_columnSettings = TextField(data, "r1");
    ApplyHintField(data);
}

void ChartHolder::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    m_data = data != nullptr ? *data : ClassData{};
    ApplyHintField(data);
}

void TCShTrend::ReadData(const ClassData* data)
{
    ChartHolder::ReadData(data);
    m_settings = TextField(data, "settings");
}

void TCGrille::ReadData(const ClassData* data)
{
    ChartHolder::ReadData(data);
    m_columns = ItemsField(data, "columns");
}

} // namespace screens
