// Quorva run-time. Licensed under the MIT licence.
#include "screens/ControlClasses.h"

#include "screens/ClassFields.h"
#include "screens/ClassLayouts.h"

namespace screens {

TCEdit::TCEdit() : Component("TCEdit", 114) {}

void TCEdit::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    m_variable = TextField(data, "edit.variable");
    m_minimum = TextField(data, "edit.minimum");
    m_maximum = TextField(data, "edit.maximum");
    ApplyHintField(data);
}

void CheckBinding::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    m_variable = TextField(data, "case.n1");
    ApplyHintField(data);
}

void ButtonBinding::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    m_glyphName = TextField(data, "glyphName");
    m_caption = TextField(data, "caption");
    if (const FieldValue* position = data != nullptr ? data->Find("glyphPosition") : nullptr)
        m_glyphPosition = position->bytes;
    m_enabled = NumberField(data, "b1", 1) != 0;
    m_groupSwitch = NumberField(data, "button.b3") != 0;
    m_unit = TextField(data, "button.unit");
    m_actionMode = TextField(data, "button.actionMode");
    m_key = TextField(data, "button.key");
    ApplyHintField(data);
}

} // namespace screens
