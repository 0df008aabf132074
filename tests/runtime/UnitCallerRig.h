// Quorva run-time. Licensed under the MIT licence.
#pragma once

// Also built into benchmarks, which have no test include path: relative includes.
#include "../LibraryRig.h"

#include "TestUnit.h"
#include "platform/CpuEngine.h"
#include "platform/GuestMemory.h"
#include "runtime/GuestValues.h"
#include "runtime/RuntimeLibrary.h"

#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>

namespace testsupport {

// Guest memory with the runtime library (the given families bound, the rest placeholders), a
// test unit placed in it and a CPU engine, for calling runtime functions from unit code through
// their entry cells: the host fills the unit's variables, runs one of its procedures and reads
// the results. One thread: the one that created it.
class UnitCallerRig : public LibraryRig {
public:
    platform::GuestAddress Address(const std::string& variable) const {
        return unit.variables.at(variable);
    }
    // Runs one procedure of the unit.
    platform::Status Run(const std::string& procedure) {
        return cpu->CallUnitCode(unit.entries.at(procedure));
    }

    void SetString(const std::string& variable, std::string_view text) {
        runtime::WriteGuestString(*memory, Address(variable), runtime::ShortString(text));
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

    // Fills the 16 bytes of each guard variable with `pattern`; whether they all still hold it.
    void FillGuards(std::initializer_list<const char*> guards, std::uint8_t pattern) {
        const std::string bytes(16, static_cast<char>(pattern));
        for (const char* guard : guards)
            memory->WriteBytes(Address(guard), bytes.data(), 16);
    }
    bool GuardsHold(std::initializer_list<const char*> guards, std::uint8_t pattern) const {
        for (const char* guard : guards)
            for (std::uint32_t i = 0; i < 16; ++i)
                if (ByteAt(guard, i) != pattern)
                    return false;
        return true;
    }

    TestUnit unit;
    std::unique_ptr<platform::CpuEngine> cpu;

protected:
    UnitCallerRig() = default;

    // Builds the library with `families`, places the unit read from `unitFile` and makes the CPU.
    platform::Status Build(std::initializer_list<Binder> families, const std::string& unitFile) {
        if (platform::Status built = BuildLibrary(families); !built)
            return built;
        std::ifstream in(unitFile, std::ios::binary);
        if (!in)
            return platform::Fail("cannot read " + unitFile);
        const std::string bytes{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
        auto placed = PlaceTestUnit(*memory, functions, bytes);
        if (!placed)
            return platform::Fail(placed.Error());
        unit = placed.Value();
        auto created = platform::CpuEngine::Create(*memory);
        if (!created)
            return platform::Fail(created.Error());
        cpu = std::move(created.Value());
        return {};
    }
};

} // namespace testsupport
