// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <string>
#include <utility>

#include "screens/TSimple.h"

namespace screens {

// The figure of an ActiveX object (kind 107). This system has no ActiveX support, so it shows
// an empty panel at the object's bounds; it keeps the control's class identifier and persisted
// property stream as the screen file gave them, so that the ActiveX commands can find the
// control, name its class and save or reload its state. GUI thread; owned by its window.
class ActiveXHostFigure : public TSimple {
public:
    using TSimple::TSimple;

    void SetControl(std::string classId, std::string propertyStream)
    {
        m_classId = std::move(classId);
        m_propertyStream = std::move(propertyStream);
    }
    void SetPropertyStream(std::string propertyStream) { m_propertyStream = std::move(propertyStream); }

    // The class identifier in its text form ("{8856F961-340A-11D0-A96B-00C04FD705A2}").
    const std::string& ClassId() const { return m_classId; }
    const std::string& PropertyStream() const { return m_propertyStream; }

private:
    std::string m_classId;
    std::string m_propertyStream;
};

} // namespace screens
