// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/GuestMemory.h"
#include "platform/Result.h"
#include "runtime/SystemVariableSpecs.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace runtime {

// Start values that come from other parts of the run-time rather than from the table.
struct SystemVariableStart {
    std::int32_t languageNumber = 1; // NUMLANG: the dictionary's current language
    bool translationOn = true;       // DOTRANSLATE
};

// The cells of the system variables in guest memory, with their initial values, and typed
// access for the run-time's own code. Each accessor checks the variable's declared type: a
// mismatch is a programming error, logged, and reads as 0 / empty and writes nothing.
//
// Contract: created once at start-up; the guest memory must outlive it. The cells are plain
// memory shared with unit code on the scan thread and the GUI thread, without a lock, as the
// system defines them: any thread may call the accessors.
class SystemVariables {
public:
    static platform::Result<std::unique_ptr<SystemVariables>>
    Create(platform::GuestMemory& memory, const SystemVariableStart& start = {});

    SystemVariables(const SystemVariables&) = delete;
    SystemVariables& operator=(const SystemVariables&) = delete;

    platform::GuestAddress Address(SystemVariableId id) const {
        return m_addresses[static_cast<std::size_t>(id)];
    }
    // The cell in host memory, for code that binds it (the dictionary's language and switch).
    std::byte* HostCell(SystemVariableId id) const;

    std::int32_t Integer(SystemVariableId id) const;
    void SetInteger(SystemVariableId id, std::int32_t value);
    bool Boolean(SystemVariableId id) const; // any non-zero byte is true
    void SetBoolean(SystemVariableId id, bool value);
    std::uint8_t Byte(SystemVariableId id) const;
    void SetByte(SystemVariableId id, std::uint8_t value);
    std::uint16_t Word(SystemVariableId id) const;
    void SetWord(SystemVariableId id, std::uint16_t value);
    long double Real(SystemVariableId id) const;
    void SetReal(SystemVariableId id, long double value);
    // Code-page bytes; a longer text is cut to 255 characters.
    std::string String(SystemVariableId id) const;
    void SetString(SystemVariableId id, std::string_view value);

private:
    SystemVariables(platform::GuestMemory& memory,
                    const std::array<platform::GuestAddress, SystemVariableCount>& addresses);
    bool CheckType(SystemVariableId id, engine::TypeCode type) const;
    void ReportWriteFailure(SystemVariableId id) const;

    platform::GuestMemory& m_memory;
    std::array<platform::GuestAddress, SystemVariableCount> m_addresses;
};

} // namespace runtime
