// Quorva run-time. Licensed under the MIT licence.
#include "screens/GaugeClasses.h"

#include "screens/ClassFields.h"
#include "screens/ClassLayouts.h"

namespace screens {

TCUpDown::TCUpDown() : Component("TCUPDOWN", 145) {}

void TCUpDown::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    m_horizontal = SameNameIgnoringCase(TextField(data, "orientation"), "Hor");
    m_buttonsOnLeft = SameNameIgnoringCase(TextField(data, "buttonSide"), "Left");
    m_minimum = static_cast<int>(NumberField(data, "minimum"));
    m_maximum = static_cast<int>(NumberField(data, "maximum"));
    m_increment = static_cast<std::int32_t>(NumberField(data, "increment", 1));
    m_variable = TextField(data, "case.n1");
    ApplyHintField(data);
}

void GaugeBinding::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    m_data = data != nullptr ? *data : ClassData{};
    m_variable = TextField(data, "track.n1");
    ApplyHintField(data);
}

} // namespace screens
