// Quorva run-time. Licensed under the MIT licence.
#include "platform/GuestMemory.h"

#include "platform/CpuEngine.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <thread>
#include <vector>

using namespace platform;

namespace {

std::unique_ptr<GuestMemory> MakeMemory(std::byte* global = nullptr) {
    auto memory = GuestMemory::Create(global);
    EXPECT_TRUE(memory.IsOk()) << memory.Error();
    return memory.IsOk() ? std::move(memory.Value()) : nullptr;
}

bool AllZero(const GuestMemory& memory, GuestAddress address, std::uint32_t length) {
    const std::byte* host = memory.Translate(address, length);
    return host != nullptr &&
           std::all_of(host, host + length, [](std::byte b) { return b == std::byte{0}; });
}

} // namespace

TEST(GuestMemory, TranslatesOnlyRangesInsideOneRegion) {
    auto memory = MakeMemory();
    ASSERT_TRUE(memory);
    struct Region {
        GuestAddress base;
        std::uint32_t size;
    };
    const Region regions[] = {
        {guest::kRuntimeBase, guest::kRuntimeSize},
        {guest::kGlobalBase, guest::kGlobalSize},
        {guest::kHeapBase, guest::kHeapSize},
        {guest::StackBottom(0), guest::kStackSize},
        {guest::StackBottom(guest::kStackCount - 1), guest::kStackSize},
    };
    for (const Region& region : regions) {
        SCOPED_TRACE(region.base);
        const GuestAddress last = region.base + region.size - 1;
        std::byte* first = memory->Translate(region.base, region.size);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(memory->Translate(last, 1), first + (region.size - 1));
        EXPECT_EQ(memory->Translate(last, 0), first + (region.size - 1));
        EXPECT_EQ(memory->Translate(last, 2), nullptr);            // runs off the end
        EXPECT_EQ(memory->Translate(region.base - 1, 2), nullptr); // starts before it
        EXPECT_EQ(memory->Translate(region.base - 1, 0), nullptr);
        EXPECT_EQ(memory->Translate(last + 1, 0), nullptr);
    }
    // Page 0, the gaps between regions, the stack guards and the top of the address space.
    for (GuestAddress unmapped : {0x0u, 0xFFFu, 0x00500000u, 0x30000000u, guest::kStackBase,
                                  guest::StackBottom(1) - 4, guest::StackTop(31), 0xFFFFFFFFu})
        EXPECT_EQ(memory->Translate(unmapped, 1), nullptr) << std::hex << unmapped;
    // Ranges whose end wraps past 4 GiB are refused rather than wrapped.
    EXPECT_EQ(memory->Translate(0xFFFFFFF0u, 0x20), nullptr);
    EXPECT_EQ(memory->Translate(guest::kHeapBase, 0xFFFFFFFFu), nullptr);
    // Neighbouring stacks are not one range.
    EXPECT_EQ(memory->Translate(guest::StackTop(0) - 4, 8), nullptr);

    // Typed and byte access go through the same checks.
    EXPECT_TRUE(memory->Write<std::uint32_t>(guest::kHeapBase + 8, 0x12345678));
    EXPECT_EQ(memory->Read<std::uint32_t>(guest::kHeapBase + 8), 0x12345678u);
    EXPECT_EQ(memory->Read<std::uint32_t>(guest::kHeapBase + guest::kHeapSize - 2), std::nullopt);
    EXPECT_FALSE(memory->Write<std::uint16_t>(0x10, 1));
    char buffer[4] = {};
    EXPECT_FALSE(memory->ReadBytes(guest::kGlobalBase + guest::kGlobalSize - 3, buffer, 4));
    EXPECT_TRUE(memory->ReadBytes(guest::kGlobalBase + guest::kGlobalSize - 4, buffer, 4));
}

TEST(GuestMemory, GlobalBlockIsTheHostMappingPassedIn) {
    const std::size_t size = guest::kGlobalSize;
    void* mapping = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapping, MAP_FAILED);
    auto* block = static_cast<std::byte*>(mapping);
    {
        auto memory = MakeMemory(block);
        ASSERT_TRUE(memory);
        EXPECT_EQ(memory->Translate(guest::kGlobalBase, 1), block);
        std::memcpy(block + 1, "QRV", 3);
        char seen[3] = {};
        ASSERT_TRUE(memory->ReadBytes(guest::kGlobalBase + 1, seen, 3));
        EXPECT_EQ(std::memcmp(seen, "QRV", 3), 0);
        ASSERT_TRUE(memory->Write<std::uint32_t>(guest::kGlobalBase + 0x100, 0xCAFEF00D));
        std::uint32_t stored = 0;
        std::memcpy(&stored, block + 0x100, 4);
        EXPECT_EQ(stored, 0xCAFEF00Du);

        auto misaligned = GuestMemory::Create(block + 16);
        ASSERT_FALSE(misaligned.IsOk());
        EXPECT_NE(misaligned.Error().find("aligned"), std::string::npos);
    }
    // The memory does not own a block passed in: it is still mapped and keeps its contents.
    std::uint32_t stored = 0;
    std::memcpy(&stored, block + 0x100, 4);
    EXPECT_EQ(stored, 0xCAFEF00Du);
    munmap(mapping, size);
}

TEST(GuestMemory, HeapBlocksAreAlignedZeroedAndReused) {
    auto memory = MakeMemory();
    ASSERT_TRUE(memory);
    std::vector<GuestAddress> blocks;
    for (std::uint32_t size : {0u, 1u, 15u, 17u, 100u, 4096u}) {
        auto block = memory->Allocate(size);
        ASSERT_TRUE(block) << size;
        EXPECT_EQ(*block % 16, 0u);
        EXPECT_EQ(memory->BlockSize(*block), std::max<std::uint32_t>(16, (size + 15) / 16 * 16));
        blocks.push_back(*block);
    }
    std::vector<GuestAddress> sorted = blocks;
    std::sort(sorted.begin(), sorted.end());
    for (std::size_t i = 1; i < sorted.size(); ++i)
        EXPECT_GE(sorted[i] - sorted[i - 1], memory->BlockSize(sorted[i - 1]));

    // A freed block's memory comes back zeroed; small and large blocks take different paths.
    for (std::uint32_t size : {100u, 3u * 1024 * 1024 + 40}) {
        auto block = memory->Allocate(size);
        ASSERT_TRUE(block);
        std::memset(memory->Translate(*block, size), 0xAB, size);
        ASSERT_TRUE(memory->Free(*block));
        auto again = memory->Allocate(size);
        ASSERT_TRUE(again);
        EXPECT_EQ(*again, *block) << "the freed range is reused";
        EXPECT_TRUE(AllZero(*memory, *again, size));
        EXPECT_TRUE(memory->Free(*again));
    }

    // Neighbouring freed blocks merge into one range.
    auto a = memory->Allocate(64), b = memory->Allocate(64), c = memory->Allocate(64);
    ASSERT_TRUE(a && b && c);
    ASSERT_EQ(*b, *a + 64);
    EXPECT_TRUE(memory->Free(*b));
    EXPECT_TRUE(memory->Free(*a));
    auto merged = memory->Allocate(128);
    ASSERT_TRUE(merged);
    EXPECT_EQ(*merged, *a);

    // Addresses Allocate did not hand out, interiors and second frees change nothing.
    const std::uint64_t inUse = memory->HeapInUse();
    EXPECT_FALSE(memory->Free(guest::kGlobalBase));
    EXPECT_FALSE(memory->Free(0));
    EXPECT_FALSE(memory->Free(*c + 16));
    EXPECT_TRUE(memory->Free(*c));
    EXPECT_FALSE(memory->Free(*c));
    EXPECT_EQ(memory->BlockSize(*c), 0u);
    EXPECT_EQ(memory->HeapInUse(), inUse - 64);
    EXPECT_EQ(memory->BlockSize(*merged), 128u);
}

TEST(GuestMemory, HeapExhaustionGivesNothing) {
    auto memory = MakeMemory();
    ASSERT_TRUE(memory);
    EXPECT_EQ(memory->Allocate(guest::kHeapSize + 1), std::nullopt);
    EXPECT_EQ(memory->Allocate(0xFFFFFFFFu), std::nullopt);
    auto all = memory->Allocate(guest::kHeapSize);
    ASSERT_TRUE(all);
    EXPECT_EQ(*all, guest::kHeapBase);
    EXPECT_EQ(memory->Allocate(1), std::nullopt);
    ASSERT_TRUE(memory->Free(*all));
    EXPECT_TRUE(memory->Allocate(1));
}

TEST(GuestMemory, RuntimeAreaAllocationsAreAlignedAndPermanent) {
    auto memory = MakeMemory();
    ASSERT_TRUE(memory);
    auto cell = memory->AllocateRuntime(4, 4);
    auto page = memory->AllocateRuntime(100, 4096);
    auto stub = memory->AllocateRuntime(7);
    ASSERT_TRUE(cell && page && stub);
    EXPECT_EQ(*cell % 4, 0u);
    EXPECT_EQ(*page % 4096, 0u);
    EXPECT_EQ(*stub % 16, 0u);
    EXPECT_GE(*page, *cell + 4);
    EXPECT_GE(*stub, *page + 100);
    EXPECT_TRUE(AllZero(*memory, *page, 100));
    EXPECT_FALSE(memory->Free(*cell)) << "runtime allocations are not heap blocks";
    EXPECT_EQ(memory->AllocateRuntime(4, 3), std::nullopt);
    EXPECT_EQ(memory->AllocateRuntime(4, 0), std::nullopt);
    EXPECT_EQ(memory->AllocateRuntime(guest::kRuntimeSize), std::nullopt);
    EXPECT_EQ(memory->AllocateRuntime(0xFFFFFFF0u), std::nullopt);
    // The rest of the area can still be had, and then no more.
    const GuestAddress used = *stub + 7;
    auto rest = memory->AllocateRuntime(guest::kRuntimeBase + guest::kRuntimeSize - used, 1);
    ASSERT_TRUE(rest);
    EXPECT_EQ(memory->AllocateRuntime(1, 1), std::nullopt);
}

TEST(GuestMemory, ConcurrentAllocationsNeverOverlap) {
    auto memory = MakeMemory();
    ASSERT_TRUE(memory);
    constexpr int kThreads = 4, kRounds = 2000;
    std::vector<std::vector<GuestAddress>> kept(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            std::vector<GuestAddress> live;
            for (int round = 0; round < kRounds; ++round) {
                const auto size = static_cast<std::uint32_t>(16 + (round * 37 + t * 11) % 3000);
                auto block = memory->Allocate(size);
                if (!block || !AllZero(*memory, *block, size))
                    return; // detected below: too few blocks kept
                std::memset(memory->Translate(*block, size), t + 1, size);
                live.push_back(*block);
                if (round % 3 == 2) { // free an older one now and then
                    memory->Free(live[live.size() / 2]);
                    live.erase(live.begin() + static_cast<std::ptrdiff_t>(live.size() / 2));
                }
            }
            kept[static_cast<std::size_t>(t)] = std::move(live);
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    std::vector<std::pair<GuestAddress, int>> all;
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(kept[static_cast<std::size_t>(t)].size(), std::size_t{kRounds - kRounds / 3});
        for (GuestAddress block : kept[static_cast<std::size_t>(t)])
            all.emplace_back(block, t);
    }
    std::sort(all.begin(), all.end());
    for (std::size_t i = 0; i < all.size(); ++i) {
        const auto [block, owner] = all[i];
        const std::uint32_t size = memory->BlockSize(block);
        ASSERT_GT(size, 0u);
        if (i + 1 < all.size()) {
            EXPECT_LE(block + size, all[i + 1].first);
        }
        // Every byte still holds what its owner wrote: nobody else was handed this memory.
        const std::byte* host = memory->Translate(block, 16);
        EXPECT_EQ(static_cast<int>(host[0]), owner + 1);
    }
}

TEST(GuestMemory, PlacedCodeGetsItsLoadAddressAndBadPlacementsAreRefused) {
    auto memory = MakeMemory();
    ASSERT_TRUE(memory);
    auto block = memory->Allocate(32);
    ASSERT_TRUE(block);
    const std::uint8_t code[] = {0xA1, 0x08, 0x00, 0x00, 0x00, 0xC3, 0x90, 0x90, 0x2A, 0, 0, 0};
    const std::uint32_t relocations[] = {1};
    ASSERT_TRUE(memory->PlaceCode(*block, code, relocations));
    EXPECT_EQ(memory->Read<std::uint32_t>(*block + 1), *block + 8);
    EXPECT_EQ(memory->Read<std::uint8_t>(*block + 8), 0x2A);

    const std::uint32_t outside[] = {10};
    EXPECT_FALSE(memory->PlaceCode(*block, code, outside));
    EXPECT_FALSE(memory->PlaceCode(guest::kHeapBase + guest::kHeapSize - 4, code));
    EXPECT_FALSE(memory->PlaceCode(0x100, code));
}

TEST(GuestMemory, StacksRunOutAfterTheLastSlot) {
    auto memory = MakeMemory();
    ASSERT_TRUE(memory);
    std::vector<std::uint32_t> taken;
    while (auto stack = memory->AcquireStack())
        taken.push_back(*stack);
    EXPECT_EQ(taken.size(), guest::kStackCount);
    auto engine = CpuEngine::Create(*memory);
    ASSERT_FALSE(engine.IsOk());
    EXPECT_NE(engine.Error().find("stacks are in use"), std::string::npos) << engine.Error();
    memory->ReleaseStack(taken[5]);
    EXPECT_EQ(memory->AcquireStack(), taken[5]);
}
