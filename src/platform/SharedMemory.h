// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "platform/Result.h"

namespace platform {

// The instance name keeps several run-times (and tests run in parallel) on one machine apart:
// when set, it suffixes the names of all shared-memory blocks. Process-wide; taken from the
// environment variable QUORVA_INSTANCE unless set before the first block is attached.
void SetInstanceName(std::string name);
std::string InstanceName();
// "/" + base name, + "." + instance name when there is one.
std::string SharedObjectName(std::string_view baseName);

// A named POSIX shared-memory block, mapped whole, created with mode 0600 so that only the same
// user may attach. Unlike a Windows file mapping, a POSIX object outlives its processes; so the
// last attached object to detach removes the name, and an attach that finds the object without
// any live attached process (left over by a crash) starts from zeros, as after a reboot.
// Liveness is tracked with open-file-description locks, so it also holds for two objects in one
// process. The object owns the mapping; it is moved, not copied.
class SharedMemory {
public:
    // Called while the attach or detach holds the block's guard, so that no other process
    // attaches or detaches meanwhile. `fresh` is true when the contents are all zero because the
    // block was created or reset now.
    using AttachHook = std::function<void(std::byte* data, bool fresh)>;
    using DetachHook = std::function<void(std::byte* data)>;

    static Result<SharedMemory> Attach(std::string_view baseName, std::size_t size,
                                       const AttachHook& onAttach = {},
                                       DetachHook onDetach = {});

    SharedMemory(SharedMemory&& other) noexcept;
    SharedMemory& operator=(SharedMemory&& other) noexcept;
    SharedMemory(const SharedMemory&) = delete;
    SharedMemory& operator=(const SharedMemory&) = delete;
    ~SharedMemory();

    // An exclusive lock on the block for its user's own purposes (for example a directory kept
    // in the block), held for the life of the object. It excludes other processes and other
    // SharedMemory objects of this process, not other threads that use the same object; those
    // need a mutex of their own. It must not outlive the SharedMemory that made it.
    class ExclusiveLock {
    public:
        ExclusiveLock(ExclusiveLock&& other) noexcept;
        ExclusiveLock& operator=(ExclusiveLock&&) = delete;
        ExclusiveLock(const ExclusiveLock&) = delete;
        ExclusiveLock& operator=(const ExclusiveLock&) = delete;
        ~ExclusiveLock();
        bool Held() const { return m_fd >= 0; }

    private:
        friend class SharedMemory;
        explicit ExclusiveLock(int fd);
        int m_fd = -1;
    };
    [[nodiscard]] ExclusiveLock LockExclusive() const;

    std::byte* Data() const { return m_data; }
    std::size_t Size() const { return m_size; }
    bool WasFresh() const { return m_fresh; }
    const std::string& Name() const { return m_name; }

private:
    SharedMemory() = default;
    void Detach();

    std::string m_name;
    int m_fd = -1;
    std::byte* m_data = nullptr;
    std::size_t m_size = 0;
    bool m_fresh = false;
    DetachHook m_onDetach;
};

} // namespace platform
