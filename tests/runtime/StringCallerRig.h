// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "UnitCallerRig.h"
#include "runtime/ConversionFunctions.h"
#include "runtime/StringFunctions.h"

#include <memory>
#include <string>
#include <string_view>

namespace testsupport {

// Guest memory with the runtime library (conversion and String built-ins bound, the rest
// placeholders) and the STRINGCALLER unit placed in it, for calling the built-ins from unit code
// through their entry cells. Each String variable of the unit is followed by a 16-byte guard
// that the tests fill with a pattern and check. One thread: the one that created it.
class StringCallerRig : public UnitCallerRig {
public:
    static constexpr std::uint8_t kGuard = 0xA5;

    static platform::Result<std::unique_ptr<StringCallerRig>> Create(const std::string& unitFile) {
        std::unique_ptr<StringCallerRig> rig(new StringCallerRig());
        platform::Status built = rig->Build(
            {&runtime::AddConversionFunctions, &runtime::AddStringFunctions}, unitFile);
        if (!built)
            return platform::Fail(built.Error());
        rig->FillGuards();
        return rig;
    }

    // Writes all 256 bytes of a String variable: `text` after its length byte, then `fill`.
    void SetStringFilled(const std::string& variable, std::string_view text, std::uint8_t fill) {
        std::string stored(256, static_cast<char>(fill));
        stored[0] = static_cast<char>(text.size());
        stored.replace(1, text.size(), text);
        memory->WriteBytes(Address(variable), stored.data(), 256);
    }

    void FillGuards() { UnitCallerRig::FillGuards({"GIN", "GIN2", "GOUT", "GDST"}, kGuard); }
    bool GuardsIntact() const { return GuardsHold({"GIN", "GIN2", "GOUT", "GDST"}, kGuard); }

private:
    StringCallerRig() = default;
};

} // namespace testsupport
