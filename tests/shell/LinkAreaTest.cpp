// Quorva run-time. Licensed under the MIT licence.
#include "shell/LinkArea.h"

#include "TestSupport.h"

#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using shell::LinkArea;

// Gives each test link areas of its own.
class ScopedInstance {
public:
    ScopedInstance() : m_previous(platform::InstanceName()) {
        platform::SetInstanceName(testsupport::UniqueInstanceName());
    }
    ~ScopedInstance() { platform::SetInstanceName(m_previous); }

private:
    std::string m_previous;
};

bool AreaExists() {
    int fd = ::shm_open(platform::SharedObjectName(shell::kLinkAreaName).c_str(), O_RDONLY, 0);
    return fd >= 0 && ::close(fd) == 0;
}

LinkArea AttachOrFail() {
    auto area = LinkArea::Attach();
    EXPECT_TRUE(area.IsOk()) << (area.IsOk() ? "" : area.Error());
    return std::move(area).Value();
}

std::size_t Offset(const LinkArea& area, const std::byte* data) {
    return static_cast<std::size_t>(data - area.Data());
}

TEST(LinkArea, BlocksAreFoundIgnoringCaseAndAppendedUntilFull) {
    ScopedInstance instance;
    LinkArea area = AttachOrFail();
    EXPECT_EQ(area.AttachCount(), 1);
    std::byte* debug = area.LinkBlock("LDEBADR", 4);
    std::byte* name = area.LinkBlock("LNOMQRU", 256);
    ASSERT_TRUE(debug && name);
    EXPECT_EQ(std::memcmp(area.Data(), "\x01\x00\x02\x00LDEBADR\0\x04\x00", 14), 0);
    EXPECT_EQ(Offset(area, name), 4u + 14 + 10);
    EXPECT_EQ(area.LinkBlock("lnomqru", 256), name);
    EXPECT_EQ(area.LinkBlock("LdebAdr", 2), debug);
    EXPECT_EQ(area.BlockCount(), 2);

    shell::StoreLinkInt32(debug, -2); // unaligned, little-endian
    EXPECT_EQ(std::memcmp(debug, "\xFE\xFF\xFF\xFF", 4), 0);
    EXPECT_EQ(shell::LoadLinkInt32(debug), -2);
    shell::StoreLinkShortString(name, std::string(300, 'x'));
    EXPECT_EQ(shell::LoadLinkShortString(name), std::string(255, 'x'));

    // Refused without a change: bad names, a block larger than its stored size (it would
    // spill into its neighbour), a block that does not fit.
    std::vector<std::byte> before(area.Data(), area.Data() + shell::kLinkAreaSize);
    EXPECT_EQ(area.LinkBlock("", 4), nullptr);
    EXPECT_EQ(area.LinkBlock(std::string_view("A\0B", 3), 4), nullptr);
    EXPECT_EQ(area.LinkBlock("LDEBADR", 8), nullptr);
    EXPECT_EQ(area.LinkBlock("HUGE", 65535), nullptr);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), area.Data()));

    // A block of exactly the space left fits; after it nothing does.
    const std::size_t left = shell::kLinkAreaSize - Offset(area, name) - 256;
    const auto exact = static_cast<std::uint16_t>(left - 4 - 3);
    EXPECT_EQ(area.LinkBlock("LAST", static_cast<std::uint16_t>(exact + 1)), nullptr);
    std::byte* last = area.LinkBlock("LAST", exact);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last + exact, area.Data() + shell::kLinkAreaSize);
    EXPECT_EQ(area.LinkBlock("X", 0), nullptr);
    EXPECT_EQ(area.BlockCount(), 3);
}

TEST(LinkArea, DamagedDirectoryGivesNullNotACrash) {
    ScopedInstance instance;
    LinkArea area = AttachOrFail();
    std::byte* first = area.LinkBlock("FIRST", 4);
    ASSERT_NE(first, nullptr);
    // A block count past the area: the walk runs over the zeros after the last block.
    std::memcpy(area.Data() + 2, "\x60\xEA", 2); // 60000
    EXPECT_EQ(area.LinkBlock("first", 4), first);
    EXPECT_EQ(area.LinkBlock("MISSING", 4), nullptr);
    // A name that never ends, then a size that runs past the end.
    std::memcpy(area.Data() + 2, "\x02\x00", 2);
    std::memset(first + 4, 0xFF, shell::kLinkAreaSize - Offset(area, first) - 4);
    EXPECT_EQ(area.LinkBlock("MISSING", 4), nullptr);
    std::memcpy(first + 4, "B\0\xFF\xFF", 4);
    EXPECT_EQ(area.LinkBlock("MISSING", 4), nullptr);
    EXPECT_EQ(area.BlockCount(), 2);
}

TEST(LinkArea, AttachmentsShareBlocksAndTheLastDetachRemovesTheArea) {
    ScopedInstance instance;
    {
        LinkArea first = AttachOrFail();
        std::byte* handshake = first.LinkBlock("LDEBADR", 4);
        shell::StoreLinkInt32(handshake, 255);
        {
            LinkArea second = AttachOrFail();
            EXPECT_EQ(first.AttachCount(), 2);
            std::byte* seen = second.LinkBlock("ldebadr", 4);
            ASSERT_NE(seen, nullptr);
            EXPECT_EQ(Offset(second, seen), Offset(first, handshake));
            EXPECT_EQ(shell::LoadLinkInt32(seen), 255);
            shell::StoreLinkInt32(seen, 123);
            EXPECT_NE(second.LinkBlock("LAUX", 4), nullptr);
        }
        EXPECT_EQ(first.AttachCount(), 1);
        EXPECT_EQ(first.BlockCount(), 2);
        EXPECT_EQ(shell::LoadLinkInt32(handshake), 123);
        EXPECT_TRUE(AreaExists());
        LinkArea moved = std::move(first); // still one attachment
        EXPECT_EQ(moved.AttachCount(), 1);
    }
    EXPECT_FALSE(AreaExists());
    LinkArea again = AttachOrFail();
    EXPECT_EQ(again.AttachCount(), 1);
    EXPECT_EQ(again.BlockCount(), 0);
}

TEST(LinkArea, LeftoversOfAnEndedRunAreReset) {
    ScopedInstance instance;
    int fd = ::shm_open(platform::SharedObjectName(shell::kLinkAreaName).c_str(),
                        O_RDWR | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    const char leftover[] = "\x03\x00\x01\x00OLD\0\x04\x00\x2A\x00\x00\x00";
    ASSERT_EQ(::write(fd, leftover, sizeof(leftover) - 1), ssize_t{sizeof(leftover) - 1});
    ::close(fd);

    LinkArea area = AttachOrFail();
    EXPECT_EQ(area.AttachCount(), 1);
    EXPECT_EQ(area.BlockCount(), 0);
    EXPECT_EQ(shell::LoadLinkInt32(area.LinkBlock("OLD", 4)), 0);
}

// Reads "key=value" lines from `fd` until "ready", waiting at most ten seconds for each byte.
std::map<std::string, std::string> ReadReport(int fd) {
    std::map<std::string, std::string> report;
    std::string line;
    pollfd ready{fd, POLLIN, 0};
    char c;
    while (::poll(&ready, 1, 10000) > 0 && ::read(fd, &c, 1) == 1) {
        if (c != '\n') {
            line.push_back(c);
            continue;
        }
        auto equals = line.find('=');
        report[line.substr(0, equals)] = equals == std::string::npos ? "" : line.substr(equals + 1);
        if (line == "ready")
            break;
        line.clear();
    }
    return report;
}

TEST(LinkArea, SecondProcessSeesTheBlocksAndIsCounted) {
    ScopedInstance instance;
    LinkArea area = AttachOrFail();
    shell::StoreLinkInt32(area.LinkBlock("LDEBADR", 4), 255);
    shell::StoreLinkShortString(area.LinkBlock("LNOMQRU", 256), "MAIN_Auto");

    int toPeer[2];
    int fromPeer[2];
    ASSERT_EQ(::pipe2(toPeer, O_CLOEXEC) | ::pipe2(fromPeer, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toPeer[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromPeer[1], STDOUT_FILENO);
    std::vector<std::string> strings{"QUORVA_INSTANCE=" + platform::InstanceName()};
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "QUORVA_INSTANCE=", 16) != 0)
            strings.emplace_back(*entry);
    }
    std::vector<char*> envp;
    for (std::string& entry : strings)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    const char* program = QUORVA_LINK_PEER;
    const char* argv[] = {program, "ldebadr", "LnomQru", "laux", "4242", nullptr};
    pid_t peer = 0;
    int spawned =
        ::posix_spawn(&peer, program, &actions, nullptr, const_cast<char**>(argv), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(toPeer[0]);
    ::close(fromPeer[1]);
    ASSERT_EQ(spawned, 0) << std::strerror(spawned);

    auto report = ReadReport(fromPeer[0]);
    EXPECT_TRUE(report.contains("ready")) << "peer error: " << report["error"];
    EXPECT_EQ(report["attach"], "2");
    EXPECT_EQ(report["blocks"], "2");
    EXPECT_EQ(report["int"], "255");
    EXPECT_EQ(report["text"], "MAIN_Auto");
    // While the peer holds the area, it is counted here too, and its new block is seen.
    EXPECT_EQ(area.AttachCount(), 2);
    EXPECT_EQ(area.BlockCount(), 3);
    EXPECT_EQ(shell::LoadLinkInt32(area.LinkBlock("LAUX", 4)), 4242);

    ::close(toPeer[1]); // the peer detaches and ends
    int status = 0;
    ASSERT_EQ(::waitpid(peer, &status, 0), peer);
    ::close(fromPeer[0]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_EQ(area.AttachCount(), 1);
}

} // namespace
