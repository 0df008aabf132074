// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/CpuEngine.h"
#include "platform/GuestMemory.h"
#include "platform/Result.h"
#include "runtime/CallLayout.h"
#include "runtime/FunctionSpec.h"
#include "runtime/HostFunction.h"
#include "runtime/Services.h"

namespace runtime {

// Carries calls from unit code into C++ implementations. Each runtime function gets a call stub
// in guest memory: "int 0x80" (the trap into the host), then, for a real result, a load of the
// value that the host left 12 bytes below the return address onto the x87 stack, then "ret N"
// removing the function's stack arguments. The stub's address is the function's entry; the trap
// handler finds the row by the stub, reads the arguments by the row's layout and calls the
// implementation, which never sees a raw guest address unless its signature is untyped.
// Rows are added at start-up, before unit code runs; afterwards the dispatcher is read-only and
// serves every thread's engine at once.
class CallDispatcher final : public platform::TrapHandler {
public:
    static constexpr std::uint32_t kStubSize = 16;

    // Reserves room for `capacity` stubs in the runtime area and becomes the trap handler.
    static platform::Result<std::unique_ptr<CallDispatcher>> Create(platform::GuestMemory& memory,
                                                                    std::uint32_t capacity);

    // Adds a row: works out its layout, writes its stub and returns the stub's guest address.
    // `spec` must outlive the dispatcher. A null implementation makes the row a placeholder
    // that returns its result type's default and says so once in the debug log.
    platform::Result<platform::GuestAddress> Add(const FunctionSpec& spec,
                                                 HostFunction implementation);

    void OnTrap(platform::CpuEngine& cpu, std::uint32_t index) override;

    // The subsystems the implementations reach through their frames; set before unit code runs.
    void SetServices(const Services* services) { m_services = services; }

    std::size_t RowCount() const { return m_rows.size(); }
    const CallLayout& LayoutOf(std::size_t row) const { return m_rows.at(row).layout; }

private:
    struct Row {
        const FunctionSpec* spec;
        CallLayout layout;
        HostFunction implementation;
        std::unique_ptr<std::atomic<bool>> reported; // placeholder rows: logged once
    };

    CallDispatcher(platform::GuestMemory& memory, platform::GuestAddress base,
                   std::uint32_t capacity);

    platform::GuestMemory& m_memory;
    platform::GuestAddress m_base;
    std::uint32_t m_capacity;
    std::vector<Row> m_rows;
    const Services* m_services = nullptr;
};

} // namespace runtime
