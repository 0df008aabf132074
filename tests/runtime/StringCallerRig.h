// Quorva run-time. Licensed under the MIT licence.
#pragma once

// Also built into a benchmark, which has no test include path: relative includes.
#include "../LibraryRig.h"

#include "TestUnit.h"
#include "engine/FunctionCollection.h"
#include "engine/VariableCollection.h"
#include "platform/CpuEngine.h"
#include "platform/GuestMemory.h"
#include "runtime/ConversionFunctions.h"
#include "runtime/GuestValues.h"
#include "runtime/RuntimeLibrary.h"
#include "runtime/StringFunctions.h"

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>

namespace testsupport {

// Guest memory with the runtime library (conversion and String built-ins bound, the rest
// placeholders) and the STRINGCALLER unit placed in it, for calling the built-ins from unit code
// through their entry cells. Each String variable of the unit is followed by a 16-byte guard
// that the tests fill with a pattern and check. One thread: the one that created it.
class StringCallerRig : public LibraryRig {
public:
    static constexpr std::uint8_t kGuard = 0xA5;
    static constexpr const char* kGuards[] = {"GIN", "GIN2", "GOUT", "GDST"};

    static platform::Result<std::unique_ptr<StringCallerRig>> Create(const std::string& unitFile) {
        std::unique_ptr<StringCallerRig> rig(new StringCallerRig());
        platform::Status built = rig->BuildLibrary(
            {&runtime::AddConversionFunctions, &runtime::AddStringFunctions});
        if (!built)
            return platform::Fail(built.Error());
        std::ifstream in(unitFile, std::ios::binary);
        if (!in)
            return platform::Fail("cannot read " + unitFile);
        const std::string bytes{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
        auto unit = PlaceTestUnit(*rig->memory, rig->functions, bytes);
        if (!unit)
            return platform::Fail(unit.Error());
        rig->unit = unit.Value();
        auto cpu = platform::CpuEngine::Create(*rig->memory);
        if (!cpu)
            return platform::Fail(cpu.Error());
        rig->cpu = std::move(cpu.Value());
        rig->FillGuards();
        return rig;
    }

    platform::GuestAddress Address(const std::string& variable) const {
        return unit.variables.at(variable);
    }
    // Runs one procedure of the unit (DOCOPY, DOVAL ...).
    platform::Status Run(const std::string& procedure) {
        return cpu->CallUnitCode(unit.entries.at(procedure));
    }

    void SetString(const std::string& variable, std::string_view text) {
        runtime::WriteGuestString(*memory, Address(variable), runtime::ShortString(text));
    }
    // Writes all 256 bytes of a String variable: `text` after its length byte, then `fill`.
    void SetStringFilled(const std::string& variable, std::string_view text, std::uint8_t fill) {
        std::string stored(256, static_cast<char>(fill));
        stored[0] = static_cast<char>(text.size());
        stored.replace(1, text.size(), text);
        memory->WriteBytes(Address(variable), stored.data(), 256);
    }
    std::string GetString(const std::string& variable) const {
        return runtime::ReadGuestString(*memory, Address(variable)).Str();
    }
    template <typename T> void Set(const std::string& variable, T value) {
        memory->Write<T>(Address(variable), value);
    }
    template <typename T> T Get(const std::string& variable) const {
        return memory->Read<T>(Address(variable)).value_or(T{});
    }
    void SetReal(const std::string& variable, long double value) {
        runtime::Ref<long double>(*memory, Address(variable)).Set(value);
    }
    long double GetReal(const std::string& variable) const {
        return runtime::Ref<long double>(*memory, Address(variable)).GetOr(0);
    }
    // The byte at `offset` from a variable's address.
    std::uint8_t ByteAt(const std::string& variable, std::uint32_t offset) const {
        return memory->Read<std::uint8_t>(Address(variable) + offset).value_or(0);
    }

    void FillGuards() {
        const std::string pattern(16, static_cast<char>(kGuard));
        for (const char* guard : kGuards)
            memory->WriteBytes(Address(guard), pattern.data(), 16);
    }
    bool GuardsIntact() const {
        for (const char* guard : kGuards) {
            for (std::uint32_t i = 0; i < 16; ++i) {
                if (ByteAt(guard, i) != kGuard)
                    return false;
            }
        }
        return true;
    }

    TestUnit unit;
    std::unique_ptr<platform::CpuEngine> cpu;

private:
    StringCallerRig() = default;
};

} // namespace testsupport
