// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "UnitCallerRig.h"
#include "runtime/ConversionFunctions.h"
#include "runtime/DateFunctions.h"

#include <memory>
#include <string>

namespace testsupport {

// The runtime library with the conversion and date functions bound and the DATECALLER unit, for
// calling the date, time and number format functions from unit code through their entry cells.
// The String result GOUT is followed by a 16-byte guard that no call may touch.
class DateCallerRig : public UnitCallerRig {
public:
    static constexpr std::uint8_t kGuard = 0x5A;

    static platform::Result<std::unique_ptr<DateCallerRig>> Create(const std::string& unitFile) {
        std::unique_ptr<DateCallerRig> rig(new DateCallerRig());
        platform::Status built =
            rig->Build({&runtime::AddConversionFunctions, &runtime::AddDateFunctions}, unitFile);
        if (!built)
            return platform::Fail(built.Error());
        rig->FillGuards({"GOUT"}, kGuard);
        return rig;
    }

    bool GuardIntact() const { return GuardsHold({"GOUT"}, kGuard); }

private:
    DateCallerRig() = default;
};

} // namespace testsupport
