// Quorva run-time. Licensed under the MIT licence.
#include "screens/NativeClasses.h"

#include "screens/ClassFields.h"

namespace screens {
namespace {

std::uint8_t ByteField(const ClassData* data, std::string_view name)
{
    return static_cast<std::uint8_t>(NumberField(data, name));
}

} // namespace

void OneByteControl::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    m_setting = ByteField(data, "b1");
}

Splitter::Splitter() : Component("Splitter", 101) {}

void Splitter::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    m_settings = TextField(data, "r1");
    m_setting = ByteField(data, "b1");
}

MPopUp::MPopUp() : Component("MPopUp", 133) {}

void MPopUp::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    m_text = TextField(data, "s1");
    m_menuLines = ItemsField(data, "menuLines");
}

} // namespace screens
