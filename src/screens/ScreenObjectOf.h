// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "screens/Component.h"
#include "screens/Figure.h"

namespace screens {

// The screen object attached to `figure` when it is of class T, else null (also for a null
// figure). The commands reach the object behind the current figure this way.
template <class T> T* ScreenObjectOf(Figure* figure)
{
    if (figure == nullptr)
        return nullptr;
    return dynamic_cast<T*>(figure->ScreenObject());
}

} // namespace screens
