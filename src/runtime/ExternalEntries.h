// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "engine/Loader.h"
#include "platform/GuestMemory.h"
#include "runtime/CallDispatcher.h"
#include "runtime/FunctionSpec.h"
#include "runtime/HostFunction.h"

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace runtime {

// A NUL-terminated text in guest memory, read up to `limit` bytes; nullopt when the address is
// null or the text runs into unmapped memory or past the limit before its NUL.
std::optional<std::string> ReadGuestCString(const platform::GuestMemory& memory,
                                            platform::GuestAddress address,
                                            std::uint32_t limit = 0x10000);
// Writes `text` and a NUL into the buffer of `size` bytes, cut to size - 1; returns the bytes
// of text written, or nullopt (nothing written) when the buffer is null, empty or not mapped.
std::optional<std::uint32_t> WriteGuestCString(platform::GuestMemory& memory,
                                               platform::GuestAddress buffer, std::uint32_t size,
                                               std::string_view text);

// One operating-system entry offered to units: its library (upper case, without ".DLL"), its
// signature (standard calling convention; the name is the entry's, upper-cased) and its
// Linux implementation.
struct ExternalEntry {
    std::string_view library;
    FunctionSpec spec;
    HostFunction implementation;
};

// The table of operating-system entries that unit code declares from system DLLs, implemented
// for Linux, and the resolver that binds them for the loader. Library and entry names are
// compared ignoring ASCII letter case and a ".dll" suffix. Each entry gets its call stub from
// the dispatcher the first time a unit binds it, and keeps it.
//
// Contract: made by the composition root after the runtime library (whose dispatcher must have
// room for the stubs); Resolve runs on the GUI thread as the loader does. The entries
// themselves run on any thread whose unit code calls them; their only state is the last-error
// value, kept per thread as the system defines it.
class ExternalEntries final : public engine::ExternalResolver {
public:
    explicit ExternalEntries(CallDispatcher& dispatcher) : m_dispatcher(dispatcher) {}

    std::optional<platform::GuestAddress> Resolve(std::string_view dll, std::string_view entry,
                                                  std::string& loadError) override;

    static std::span<const ExternalEntry> Table();
    // The table row for the library and entry, or null.
    static const ExternalEntry* Find(std::string_view dll, std::string_view entry);
    // True when some row belongs to the library.
    static bool OffersLibrary(std::string_view dll);

    // The calling thread's last-error value (what GetLastError answers).
    static std::uint32_t LastError();

private:
    CallDispatcher& m_dispatcher;
    std::map<const ExternalEntry*, platform::GuestAddress> m_stubs;
};

} // namespace runtime
