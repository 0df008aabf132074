// Quorva run-time. Licensed under the MIT licence.
#include "CoreBuiltinRig.h"
#include "TestSupport.h"
#include "runtime/SystemVariables.h"

#include <gtest/gtest.h>
#include <string>

using testsupport::CoreBuiltinRig;

TEST(PortFunctions, UnitCodeReachesPortsAndPhysicalMemoryThroughTheService) {
    testsupport::TempDir dir;
    std::string ports(0x10000, '\0');
    ports[0x378] = '\x5A';
    std::string physical(0x20000, '\0');
    physical[0x12345] = '\x34';
    physical[0x12346] = '\x12';
    testsupport::WriteFile(dir / "port", ports);
    testsupport::WriteFile(dir / "mem", physical);
    platform::PortAccess access({(dir / "port").string(), (dir / "mem").string()});

    CoreBuiltinRig t("PORTS.QRU", &access);
    ASSERT_TRUE(t.ready);
    t.SetInt("A", 0x10378); // the port is taken as 16 bits
    t.Call("DOREADPORT");
    EXPECT_EQ(t.Int("R"), 0x5A);
    t.SetInt("V", 0x1C3); // the low byte is written
    t.Call("DOWRITEPORT");
    t.Call("DOREADPORT");
    EXPECT_EQ(t.Int("R"), 0xC3); // zero-extended

    t.SetInt("S", 0x1234);
    t.SetInt("O", 0x0005);
    t.Call("DOREADMEM");
    EXPECT_EQ(t.Int("R"), 0x1234);
    t.SetInt("V", 0x7FFFABCD);
    t.Call("DOWRITEMEM");
    t.Call("DOREADMEM");
    EXPECT_EQ(t.Int("R"), 0xABCD);
    const std::string after = testsupport::ReadFile(dir / "mem");
    EXPECT_EQ(static_cast<unsigned char>(after[0x12345]), 0xCD);
    EXPECT_EQ(static_cast<unsigned char>(after[0x12346]), 0xAB);
}

TEST(PortFunctions, WithoutTheServiceReadsGiveZero) {
    CoreBuiltinRig t("PORTS.QRU");
    ASSERT_TRUE(t.ready);
    t.SetInt("R", -1);
    t.SetInt("A", 0x60);
    t.Call("DOREADPORT");
    EXPECT_EQ(t.Int("R"), 0);
    t.SetInt("R", -1);
    t.Call("DOREADMEM");
    EXPECT_EQ(t.Int("R"), 0);
    t.Call("DOWRITEPORT");
    t.Call("DOWRITEMEM");
}
