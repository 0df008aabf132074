// Quorva run-time. Licensed under the MIT licence.
#include "screens/ListClasses.h"

#include "screens/ClassFields.h"

namespace screens {
namespace {

std::uint8_t ByteField(const ClassData* data, std::string_view name)
{
    return static_cast<std::uint8_t>(NumberField(data, name));
}

} // namespace

ListView::ListView() : Component("ListView", 145) {}

void ListView::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    m_firstSetting = ByteField(data, "b1");
    m_secondSetting = ByteField(data, "b2");
    m_items = ItemsField(data, "items");
    m_settings = TextField(data, "r1");
}

CheckListBox::CheckListBox() : Component("CheckListBox", 128) {}

Sout::Sout() : Component("Sout", 145) {}

void Sout::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    m_lines = ItemsField(data, "lines");
    m_setting = ByteField(data, "b1");
}

} // namespace screens
