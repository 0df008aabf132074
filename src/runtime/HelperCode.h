// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <string_view>

#include "platform/GuestMemory.h"
#include "platform/Result.h"

namespace runtime {

// The code-generation helpers (MOD, SHL, ... PSTRAFFECTX): x86-32 code assembled at build time,
// copied once into the runtime area of guest memory.
class HelperCode {
public:
    static platform::Result<HelperCode> Place(platform::GuestMemory& memory);

    // The guest address of a helper's entry; 0 for a name that is not a helper.
    platform::GuestAddress EntryOf(std::string_view name) const;
    platform::GuestAddress Base() const { return m_base; }

private:
    explicit HelperCode(platform::GuestAddress base) : m_base(base) {}
    platform::GuestAddress m_base;
};

} // namespace runtime
