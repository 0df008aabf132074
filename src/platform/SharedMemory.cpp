// Quorva run-time. Licensed under the MIT licence.
#include "platform/SharedMemory.h"

#include "platform/Log.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>

namespace platform {

namespace {

struct InstanceState {
    std::mutex mutex;
    bool set = false;
    std::string name;
};

InstanceState& Instance() {
    static InstanceState state;
    return state;
}

// Byte 0 of the object guards attach and detach; byte 1 is read-locked by every attached
// object, so a write lock on it succeeds only when no one else is attached; byte 2 is the
// users' exclusive lock.
constexpr off_t kGuardByte = 0;
constexpr off_t kLiveByte = 1;
constexpr off_t kUserByte = 2;

bool Lock(int fd, off_t byte, short type, bool wait) {
    struct flock request {};
    request.l_type = type;
    request.l_whence = SEEK_SET;
    request.l_start = byte;
    request.l_len = 1;
    int rc;
    do {
        rc = ::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &request);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

std::string ErrorText() { return std::strerror(errno); }

} // namespace

void SetInstanceName(std::string name) {
    std::lock_guard lock(Instance().mutex);
    Instance().name = std::move(name);
    Instance().set = true;
}

std::string InstanceName() {
    std::lock_guard lock(Instance().mutex);
    if (!Instance().set) {
        const char* env = std::getenv("QUORVA_INSTANCE");
        Instance().name = env ? env : "";
        Instance().set = true;
    }
    return Instance().name;
}

std::string SharedObjectName(std::string_view baseName) {
    std::string instance = InstanceName();
    std::string name = "/" + std::string(baseName);
    if (!instance.empty())
        name += "." + instance;
    return name;
}

Result<SharedMemory> SharedMemory::Attach(std::string_view baseName, std::size_t size,
                                          const AttachHook& onAttach, DetachHook onDetach) {
    SharedMemory block;
    block.m_name = SharedObjectName(baseName);
    block.m_size = size;
    block.m_onDetach = std::move(onDetach);

    // A detaching process may unlink the name between our open and our guard; then the object we
    // hold is an orphan and we open the name again.
    for (int attempt = 0; attempt < 100; ++attempt) {
        int fd = ::shm_open(block.m_name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            return Fail("cannot open shared memory " + block.m_name + ": " + ErrorText());
        if (!Lock(fd, kGuardByte, F_WRLCK, true)) {
            std::string why = ErrorText();
            ::close(fd);
            return Fail("cannot lock shared memory " + block.m_name + ": " + why);
        }
        struct stat info {};
        if (::fstat(fd, &info) != 0 || info.st_nlink == 0) {
            ::close(fd);
            continue;
        }
        block.m_fd = fd;
        break;
    }
    if (block.m_fd < 0)
        return Fail("shared memory " + block.m_name + " keeps disappearing");

    struct stat info {};
    ::fstat(block.m_fd, &info);
    // Only the same user may share the block: a block of another user is refused (closed here,
    // not detached, so that it is not removed), and the mode is set to 0600 whatever the umask
    // made of it.
    auto leave = [&block](std::string why) {
        ::close(std::exchange(block.m_fd, -1));
        return Fail(std::move(why));
    };
    if (info.st_uid != ::geteuid())
        return leave("shared memory " + block.m_name + " belongs to another user");
    if ((info.st_mode & 07777) != 0600 && ::fchmod(block.m_fd, 0600) != 0)
        return leave("cannot restrict shared memory " + block.m_name + ": " + ErrorText());
    bool alone = Lock(block.m_fd, kLiveByte, F_WRLCK, false);
    if (alone) {
        block.m_fresh = true;
        if (info.st_size != 0) {
            LogInfo("shared memory {} was left by a run that ended; starting from zeros",
                    block.m_name);
            if (::ftruncate(block.m_fd, 0) != 0) {
                return Fail("cannot reset shared memory " + block.m_name + ": " + ErrorText());
            }
            info.st_size = 0;
        }
    }
    // The read lock on the live byte is what tells later attachers that this one is alive.
    if (!Lock(block.m_fd, kLiveByte, F_RDLCK, true))
        return Fail("cannot lock shared memory " + block.m_name + ": " + ErrorText());
    if (static_cast<std::size_t>(info.st_size) < size &&
        ::ftruncate(block.m_fd, static_cast<off_t>(size)) != 0) {
        return Fail("cannot size shared memory " + block.m_name + ": " + ErrorText());
    }
    void* address = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, block.m_fd, 0);
    if (address == MAP_FAILED)
        return Fail("cannot map shared memory " + block.m_name + ": " + ErrorText());
    block.m_data = static_cast<std::byte*>(address);
    if (onAttach)
        onAttach(block.m_data, block.m_fresh);
    Lock(block.m_fd, kGuardByte, F_UNLCK, false);
    return block;
}

SharedMemory::SharedMemory(SharedMemory&& other) noexcept
    : m_name(std::move(other.m_name)), m_fd(std::exchange(other.m_fd, -1)),
      m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
      m_fresh(other.m_fresh), m_onDetach(std::move(other.m_onDetach)) {}

SharedMemory& SharedMemory::operator=(SharedMemory&& other) noexcept {
    if (this != &other) {
        Detach();
        m_name = std::move(other.m_name);
        m_fd = std::exchange(other.m_fd, -1);
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_fresh = other.m_fresh;
        m_onDetach = std::move(other.m_onDetach);
    }
    return *this;
}

SharedMemory::~SharedMemory() { Detach(); }

SharedMemory::ExclusiveLock::ExclusiveLock(int fd) {
    if (fd >= 0 && Lock(fd, kUserByte, F_WRLCK, true))
        m_fd = fd;
    else if (fd >= 0)
        LogError("cannot lock shared memory: {}", ErrorText());
}

SharedMemory::ExclusiveLock::ExclusiveLock(ExclusiveLock&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)) {}

SharedMemory::ExclusiveLock::~ExclusiveLock() {
    if (m_fd >= 0)
        Lock(m_fd, kUserByte, F_UNLCK, false);
}

SharedMemory::ExclusiveLock SharedMemory::LockExclusive() const {
    return ExclusiveLock(m_fd);
}

void SharedMemory::Detach() {
    if (m_fd < 0)
        return;
    Lock(m_fd, kGuardByte, F_WRLCK, true);
    if (m_onDetach && m_data)
        m_onDetach(m_data);
    Lock(m_fd, kLiveByte, F_UNLCK, false);
    if (Lock(m_fd, kLiveByte, F_WRLCK, false))
        ::shm_unlink(m_name.c_str());
    if (m_data)
        ::munmap(m_data, m_size);
    ::close(m_fd); // closing the description releases its locks
    m_fd = -1;
    m_data = nullptr;
}

} // namespace platform
