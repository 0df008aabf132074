// Quorva run-time. Licensed under the MIT licence.
#include "screens/ServiceClasses.h"

#include "screens/ClassFields.h"

namespace screens {

TCDDE::TCDDE() : Component("TCDDE", 133) {}

void TCDDE::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    m_server = TextField(data, "dde.n1");
    m_item = TextField(data, "dde.n2");
    m_topic = TextField(data, "dde.n3");
    m_macro = TextField(data, "dde.n4");
    m_request = NumberField(data, "dde.b1") != 0;
    m_secondSwitch = static_cast<std::uint8_t>(NumberField(data, "dde.b2"));
    m_variable = TextField(data, "dde.n5");
    m_condition = TextField(data, "dde.n6");
}

void RecipeBinding::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    m_formula = TextField(data, "formula.n1");
    m_destination = TextField(data, "formula.n2");
    m_trigger = TextField(data, "formula.n3");
}

} // namespace screens
