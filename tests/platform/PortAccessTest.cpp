// Quorva run-time. Licensed under the MIT licence.
#include "platform/PortAccess.h"

#include "TestSupport.h"
#include "platform/Log.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using platform::PortAccess;

TEST(PortAccess, UnavailableDevicesReadTheBufferAndIgnoreWrites) {
    std::vector<std::string> lines;
    const platform::LogLevel level = platform::log::Level();
    platform::log::SetLevel(platform::LogLevel::Info); // a missing device is said at info level
    platform::log::Sink previous = platform::log::SetSink(
        [&](platform::LogLevel, std::string_view text) { lines.emplace_back(text); });
    testsupport::TempDir dir;
    PortAccess access({(dir / "no-port").string(), (dir / "no-mem").string()});
    EXPECT_EQ(access.ReadPortByte(1, 0x378), 0);
    access.WritePortByte(1, 0x378, 0x55);
    EXPECT_EQ(access.ReadPortByte(1, 0x378), 0); // writes never show up in reads
    access.WriteMemoryWord(1, 0, 0xB800, 0, 0x4141);
    EXPECT_EQ(access.ReadMemoryWord(1, 0, 0xB800, 0), 0);
    EXPECT_FALSE(access.PortsAvailable());
    EXPECT_FALSE(access.PhysicalMemoryAvailable());
    platform::log::SetSink(previous);
    platform::log::SetLevel(level);
    // Each device's failure is logged once, however many requests follow.
    std::size_t portLines = 0;
    for (const std::string& line : lines)
        portLines += line.find("no-port") != std::string::npos;
    EXPECT_EQ(portLines, 1u);
    EXPECT_FALSE(std::filesystem::exists(dir / "no-port")); // never created
}

TEST(PortAccess, RegularFilesStandInForTheDevices) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir / "port", std::string(0x400, '\0'));
    testsupport::WriteFile(dir / "mem", std::string(0x100, '\0'));
    PortAccess access({(dir / "port").string(), (dir / "mem").string()});
    ASSERT_TRUE(access.PortsAvailable());
    access.WritePortByte(1, 0x3F8, 0xA7);
    EXPECT_EQ(access.ReadPortByte(1, 0x3F8), 0xA7);
    const std::string ports = testsupport::ReadFile(dir / "port");
    EXPECT_EQ(static_cast<unsigned char>(ports[0x3F8]), 0xA7);
    EXPECT_EQ(ports[0x3F7], '\0');
    EXPECT_EQ(ports[0x3F9], '\0');

    // Segment:offset is segment * 16 + offset, little-endian.
    access.WriteMemoryWord(1, 0, 0x0001, 0x0002, 0xBEEF);
    const std::string mem = testsupport::ReadFile(dir / "mem");
    EXPECT_EQ(static_cast<unsigned char>(mem[0x12]), 0xEF);
    EXPECT_EQ(static_cast<unsigned char>(mem[0x13]), 0xBE);
    EXPECT_EQ(access.ReadMemoryWord(1, 0, 0x0000, 0x0012), 0xBEEF);
    // A read past the end of the device fails: the buffer keeps the last value read.
    EXPECT_EQ(access.ReadMemoryWord(1, 0, 0xF000, 0xFFFF), 0xBEEF);
    EXPECT_EQ(access.ReadPortByte(1, 0xFFFF), 0xA7);
}
