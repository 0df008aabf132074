// Quorva run-time. Licensed under the MIT licence.
#include "screens/HolderClasses.h"

#include "screens/ClassFields.h"
#include "screens/FBase.h"
#include "screens/ScreenGlobals.h"

namespace screens {

PropertyHolder::PropertyHolder(std::string_view registeredName, std::int32_t kind)
    : Component(registeredName, kind)
{
    SetRunEachCycle(false);
}

void PropertyHolder::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    ApplyHintField(data);
}

void PointListHolder::ReadData(const ClassData* data)
{
    PropertyHolder::ReadData(data);
    const auto x = NumberField(data, "rotationCentreX", -1);
    const auto y = NumberField(data, "rotationCentreY", -1);
    m_rotationCentre = QPoint(static_cast<int>(x), static_cast<int>(y));
    // Only drawn figures turn; an object attached to anything else keeps the centre to itself.
    if (auto* figure = dynamic_cast<FBase*>(CurrentFigure()))
        figure->SetRotationCentre(m_rotationCentre);
}

TCMenu::TCMenu() : Component("TCMENU", 133)
{
    SetRunEachCycle(false);
}

void TCMenu::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    for (std::size_t i = 0; i < kNameCount; ++i)
        m_names[i] = TextField(data, "menu.n" + std::to_string(i + 1));
}

} // namespace screens
