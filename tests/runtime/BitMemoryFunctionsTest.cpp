// Quorva run-time. Licensed under the MIT licence.
#include "CoreBuiltinRig.h"

#include <array>
#include <gtest/gtest.h>

namespace {

using platform::GuestAddress;
using testsupport::CoreBuiltinRig;

constexpr char kUnit[] = "BITMEMORY.QRU";

} // namespace

TEST(BitFunctions, BitNumbersWrapAndOnlyAnExactOneFixesABit) {
    CoreBuiltinRig t(kUnit);
    ASSERT_TRUE(t.ready);
    t.SetInt("W", 0);
    t.SetInt("N", 33); // bit 1
    t.Call("DOSETBIT");
    EXPECT_EQ(t.Int("W"), 2);
    t.SetInt("N", -1); // bit 31
    t.Call("DOSETBIT");
    EXPECT_EQ(static_cast<std::uint32_t>(t.Int("W")), 0x80000002u);
    t.SetInt("N", 1);
    t.Call("DORESETBIT");
    EXPECT_EQ(static_cast<std::uint32_t>(t.Int("W")), 0x80000000u);

    // FIXBIT: 1 sets; 2 (a non-proper true) and 0 clear.
    t.SetInt("N", 4);
    t.SetInt("V", 1);
    t.Call("DOFIXBIT");
    EXPECT_EQ(static_cast<std::uint32_t>(t.Int("W")), 0x80000010u);
    t.SetInt("V", 2);
    t.Call("DOFIXBIT");
    EXPECT_EQ(static_cast<std::uint32_t>(t.Int("W")), 0x80000000u);
    t.SetInt("V", 0x101); // only the low byte is the Boolean
    t.Call("DOFIXBIT");
    EXPECT_EQ(static_cast<std::uint32_t>(t.Int("W")), 0x80000010u);

    t.SetInt("N", 36);
    t.Call("DOTESTBIT");
    EXPECT_EQ(t.Int("R"), 1);
    t.SetInt("N", 5);
    t.Call("DOTESTBIT");
    EXPECT_EQ(t.Int("R"), 0);
}

TEST(BitFunctions, NotInvertsTheLowestBitAndWordHelpersShiftLogically) {
    CoreBuiltinRig t(kUnit);
    ASSERT_TRUE(t.ready);
    for (auto [in, out] :
         std::array<std::pair<int, int>, 4>{{{1, 0}, {0, 1}, {2, 3}, {0xFF, 0xFE}}}) {
        t.SetInt("V", in);
        t.Call("DONOT");
        EXPECT_EQ(t.Int("R"), out) << in; // the rest of EAX cleared
    }
    t.SetInt("W", -1);
    t.Call("DOHIWORD");
    EXPECT_EQ(t.Int("R"), 65535);
    t.SetInt("W", 0x1234);
    t.Call("DOHI");
    EXPECT_EQ(t.Int("R"), 0x12);
    t.SetInt("W", -1);
    t.Call("DOHI");
    EXPECT_EQ(t.Int("R"), 0xFF);
    EXPECT_EQ(runtime::bits::LoWord(-1), 0xFFFF);
    EXPECT_EQ(runtime::bits::Lo(0x1234), 0x34);
}

TEST(MemoryFunctions, MoveAndFillCharHandleOverlapAndRefuseRangesLeavingGuestMemory) {
    CoreBuiltinRig t(kUnit);
    ASSERT_TRUE(t.ready);
    const GuestAddress buf = t.Var("BUF");
    std::array<std::uint8_t, 16> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i);
    ASSERT_TRUE(t.memory->WriteBytes(buf, bytes.data(), 16));
    auto ReadBuf = [&] {
        std::array<std::uint8_t, 16> out{};
        EXPECT_TRUE(t.memory->ReadBytes(buf, out.data(), 16));
        return out;
    };

    // Overlapping forward move.
    t.SetInt("SRC", static_cast<std::int32_t>(buf));
    t.SetInt("DST", static_cast<std::int32_t>(buf + 2));
    t.SetInt("CNT", 8);
    t.Call("DOMOVE");
    EXPECT_EQ(ReadBuf(),
              (std::array<std::uint8_t, 16>{0, 1, 0, 1, 2, 3, 4, 5, 6, 7, 10, 11, 12, 13, 14, 15}));
    // Counts of 0 or below do nothing.
    const auto before = ReadBuf();
    for (std::int32_t count : {0, -1, INT32_MIN}) {
        t.SetInt("CNT", count);
        t.Call("DOMOVE");
        t.SetInt("DST", static_cast<std::int32_t>(buf));
        t.SetInt("V", 0xEE);
        t.Call("DOFILL");
    }
    EXPECT_EQ(ReadBuf(), before);

    // A destination or source crossing the end of the global block: nothing written.
    const GuestAddress end = platform::guest::kGlobalBase + platform::guest::kGlobalSize;
    ASSERT_TRUE(t.memory->Write<std::uint32_t>(end - 4, 0x11223344));
    t.SetInt("SRC", static_cast<std::int32_t>(buf));
    t.SetInt("DST", static_cast<std::int32_t>(end - 4));
    t.SetInt("CNT", 8);
    t.Call("DOMOVE");
    t.Call("DOFILL");
    EXPECT_EQ(t.memory->Read<std::uint32_t>(end - 4), 0x11223344u);
    t.SetInt("SRC", static_cast<std::int32_t>(end - 4));
    t.SetInt("DST", static_cast<std::int32_t>(buf));
    t.Call("DOMOVE");
    // A huge count and an unmapped address.
    t.SetInt("CNT", INT32_MAX);
    t.Call("DOFILL");
    t.SetInt("DST", 0);
    t.SetInt("CNT", 4);
    t.Call("DOFILL");
    EXPECT_EQ(ReadBuf(), before);

    // In range, FILLCHAR writes exactly Count bytes of the low byte of Value.
    t.SetInt("DST", static_cast<std::int32_t>(buf + 1));
    t.SetInt("CNT", 3);
    t.SetInt("V", 0x1AB);
    t.Call("DOFILL");
    const auto filled = ReadBuf();
    EXPECT_EQ(filled[0], before[0]);
    EXPECT_EQ(filled[1], 0xAB);
    EXPECT_EQ(filled[3], 0xAB);
    EXPECT_EQ(filled[4], before[4]);

    t.Call("DOADDR");
    EXPECT_EQ(static_cast<GuestAddress>(t.Int("R")), buf);
}

TEST(MemoryFunctions, FreeMemReleasesOnlyBlocksGetMemHandedOut) {
    CoreBuiltinRig t(kUnit);
    ASSERT_TRUE(t.ready);
    t.SetInt("CNT", 100);
    t.Call("DOGETMEM");
    const auto block = static_cast<GuestAddress>(t.Int("PTR"));
    ASSERT_GE(block, platform::guest::kHeapBase);
    EXPECT_GE(t.memory->BlockSize(block), 100u);
    std::array<std::uint8_t, 100> zeros{}, got{};
    got.fill(1);
    ASSERT_TRUE(t.memory->ReadBytes(block, got.data(), 100));
    EXPECT_EQ(got, zeros);
    EXPECT_EQ(runtime::memory::LiveGetMemBlocks(*t.memory), 1u);

    // The unit's own block, an address inside the GETMEM block and 0 are foreign: nothing freed.
    for (GuestAddress foreign : {t.unit.block, block + 16, GuestAddress{0}}) {
        t.SetInt("PTR", static_cast<std::int32_t>(foreign));
        t.Call("DOFREEMEM");
        EXPECT_EQ(t.Int("PTR"), static_cast<std::int32_t>(foreign));
    }
    EXPECT_NE(t.memory->BlockSize(t.unit.block), 0u);
    EXPECT_NE(t.memory->BlockSize(block), 0u);

    t.SetInt("PTR", static_cast<std::int32_t>(block));
    t.Call("DOFREEMEM");
    EXPECT_EQ(t.Int("PTR"), static_cast<std::int32_t>(block)); // Variable keeps its value
    EXPECT_EQ(t.memory->BlockSize(block), 0u);
    EXPECT_EQ(runtime::memory::LiveGetMemBlocks(*t.memory), 0u);
    t.Call("DOFREEMEM"); // twice: nothing

    // Negative and impossible counts store 0 and allocate nothing.
    const std::uint64_t inUse = t.memory->HeapInUse();
    for (std::int32_t count : {-1, INT32_MIN, INT32_MAX}) {
        t.SetInt("PTR", 77);
        t.SetInt("CNT", count);
        t.Call("DOGETMEM");
        EXPECT_EQ(t.Int("PTR"), 0) << count;
    }
    EXPECT_EQ(t.memory->HeapInUse(), inUse);
    // GETMEM 0 still hands out a block that FREEMEM takes back.
    t.SetInt("CNT", 0);
    t.Call("DOGETMEM");
    EXPECT_NE(t.Int("PTR"), 0);
    t.Call("DOFREEMEM");
    EXPECT_EQ(t.memory->HeapInUse(), inUse);
}
