// Quorva run-time. Licensed under the MIT licence.
#include "platform/SharedMemory.h"

#include "TestSupport.h"

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using platform::SharedMemory;

constexpr std::size_t kSize = 10000;

// Gives a test shared-memory names of its own.
class ScopedInstance {
public:
    explicit ScopedInstance(std::string name = testsupport::UniqueInstanceName())
        : m_previous(platform::InstanceName()) {
        platform::SetInstanceName(std::move(name));
    }
    ~ScopedInstance() { platform::SetInstanceName(m_previous); }

private:
    std::string m_previous;
};

// The object's mode, or nothing when it does not exist.
std::optional<mode_t> ObjectMode(const std::string& baseName) {
    int fd = ::shm_open(platform::SharedObjectName(baseName).c_str(), O_RDONLY, 0);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    ::fstat(fd, &info);
    ::close(fd);
    return info.st_mode & 07777;
}

TEST(SharedMemory, NamesCarryTheInstanceSuffixAndBadOnesFail) {
    {
        ScopedInstance none("");
        EXPECT_EQ(platform::SharedObjectName("QRLINK32"), "/QRLINK32");
    }
    ScopedInstance named("a/b");
    EXPECT_EQ(platform::SharedObjectName("QRLINK32"), "/QRLINK32.a/b");
    auto block = SharedMemory::Attach("QRLINK32", kSize);
    ASSERT_FALSE(block.IsOk());
    EXPECT_NE(block.Error().find("/QRLINK32.a/b"), std::string::npos) << block.Error();
}

TEST(SharedMemory, OnlyTheOwnerHasAccessWhateverTheUmask) {
    ScopedInstance instance;
    mode_t previous = ::umask(0277); // would take the owner's write right away
    auto block = SharedMemory::Attach("CLOSED", kSize);
    ::umask(previous);
    ASSERT_TRUE(block.IsOk()) << block.Error();
    EXPECT_EQ(ObjectMode("CLOSED"), 0600u);

    // A block someone opened to all is narrowed when attached.
    int fd = ::shm_open(platform::SharedObjectName("WIDE").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_TRUE(fd >= 0 && ::fchmod(fd, 0666) == 0 && ::close(fd) == 0);
    auto wide = SharedMemory::Attach("WIDE", kSize);
    ASSERT_TRUE(wide.IsOk()) << wide.Error();
    EXPECT_EQ(ObjectMode("WIDE"), 0600u);
}

TEST(SharedMemory, AttachersShareContentsAndTheLastDetachRemovesTheObject) {
    ScopedInstance instance;
    int detaches = 0;
    std::optional<bool> secondFresh;
    {
        auto first = SharedMemory::Attach("LIFE", kSize, {}, [&](std::byte*) { ++detaches; });
        ASSERT_TRUE(first.IsOk()) << first.Error();
        EXPECT_TRUE(first->WasFresh());
        std::memcpy(first->Data() + 100, "first", 5);
        {
            auto second = SharedMemory::Attach(
                "LIFE", kSize, [&](std::byte*, bool fresh) { secondFresh = fresh; },
                [&](std::byte*) { ++detaches; });
            ASSERT_TRUE(second.IsOk()) << second.Error();
            EXPECT_EQ(secondFresh, false);
            EXPECT_EQ(std::memcmp(second->Data() + 100, "first", 5), 0);
            second->Data()[200] = std::byte{9};
            EXPECT_EQ(first->Data()[200], std::byte{9});
            SharedMemory moved = std::move(second).Value(); // neither detaches nor attaches
        }
        EXPECT_EQ(detaches, 1);
        EXPECT_TRUE(ObjectMode("LIFE").has_value());
    }
    EXPECT_EQ(detaches, 2);
    EXPECT_FALSE(ObjectMode("LIFE").has_value());

    // Left over by a crashed run: contents, nobody attached, smaller than asked. Starts from zeros.
    int fd = ::shm_open(platform::SharedObjectName("LIFE").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_TRUE(fd >= 0 && ::write(fd, "stale", 5) == 5 && ::close(fd) == 0);
    auto reset = SharedMemory::Attach("LIFE", kSize);
    ASSERT_TRUE(reset.IsOk()) << reset.Error();
    EXPECT_TRUE(reset->WasFresh());
    std::byte zeros[kSize] = {};
    EXPECT_EQ(std::memcmp(reset->Data(), zeros, kSize), 0);

    // A size the system refuses fails and leaves nothing behind.
    EXPECT_FALSE(SharedMemory::Attach("EMPTY", 0).IsOk());
    EXPECT_FALSE(ObjectMode("EMPTY").has_value());
}

TEST(SharedMemory, ExclusiveLockExcludesOtherAttachments) {
    ScopedInstance instance;
    auto first = SharedMemory::Attach("LOCKED", kSize);
    auto second = SharedMemory::Attach("LOCKED", kSize);
    ASSERT_TRUE(first.IsOk() && second.IsOk());
    std::atomic<bool> acquired{false};
    std::thread waiter;
    {
        SharedMemory::ExclusiveLock held = first->LockExclusive();
        EXPECT_TRUE(held.Held());
        waiter = std::thread([&] { acquired = second->LockExclusive().Held(); });
        // Seen from another open description, the lock byte is taken.
        int fd = ::shm_open(platform::SharedObjectName("LOCKED").c_str(), O_RDWR, 0);
        struct flock probe {};
        probe.l_type = F_WRLCK;
        probe.l_start = 2;
        probe.l_len = 1;
        EXPECT_NE(::fcntl(fd, F_OFD_SETLK, &probe), 0);
        ::close(fd);
        EXPECT_FALSE(acquired);
    }
    waiter.join();
    EXPECT_TRUE(acquired);
}

} // namespace
