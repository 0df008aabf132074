// Quorva run-time. Licensed under the MIT licence.
#include "platform/CpuEngine.h"

#include "cpu_engine_test.inc"

#include <fmt/format.h>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <numbers>
#include <stdexcept>
#include <thread>

using namespace platform;
using ::testing::HasSubstr;
namespace code = guest_asm::cpu_engine_test;

namespace {

class Traps final : public TrapHandler {
public:
    std::function<void(CpuEngine&, std::uint32_t)> onTrap;
    void OnTrap(CpuEngine& cpu, std::uint32_t index) override { onTrap(cpu, index); }
};

std::string Hex(GuestAddress address) {
    return fmt::format("0x{:08X}", address);
}

class CpuEngineTest : public ::testing::Test {
protected:
    static constexpr std::uint32_t kSlotSize = 8;
    static constexpr std::uint32_t kSlots = 4;

    void SetUp() override {
        auto memory = GuestMemory::Create();
        ASSERT_TRUE(memory.IsOk()) << memory.Error();
        m_memory = std::move(memory.Value());
        auto block = m_memory->Allocate(static_cast<std::uint32_t>(code::kCode.size()));
        ASSERT_TRUE(block);
        m_code = *block;
        ASSERT_TRUE(m_memory->PlaceCode(m_code, code::kCode, code::kRelocations));
        auto engine = CpuEngine::Create(*m_memory);
        ASSERT_TRUE(engine.IsOk()) << engine.Error();
        m_engine = std::move(engine.Value());

        // Trap slot i: `int 0x80` then `ret 8` (slot 1) or `ret`; one slot more than the area
        // holds, to trap outside it.
        auto stubs = m_memory->AllocateRuntime(kSlotSize * (kSlots + 1));
        ASSERT_TRUE(stubs);
        m_stubs = *stubs;
        for (std::uint32_t slot = 0; slot <= kSlots; ++slot) {
            std::vector<std::uint8_t> stub = {0xCD, 0x80, 0xC3};
            if (slot == 1)
                stub = {0xCD, 0x80, 0xC2, 0x08, 0x00};
            if (slot == 2) // the handler returns for the stub itself: `ud2` is never reached
                stub = {0xCD, 0x80, 0x0F, 0x0B};
            ASSERT_TRUE(m_memory->WriteBytes(Stub(slot), stub.data(),
                                             static_cast<std::uint32_t>(stub.size())));
        }
        ASSERT_TRUE(m_memory->SetTrapArea(m_stubs, kSlotSize, kSlots, &m_traps));
    }

    GuestAddress At(std::uint32_t offset) const { return m_code + offset; }
    GuestAddress Stub(std::uint32_t slot) const { return m_stubs + slot * kSlotSize; }
    void UseTrapSlot(std::uint32_t slot) {
        ASSERT_TRUE(m_memory->Write<std::uint32_t>(At(code::kTrapCell), Stub(slot)));
    }
    // The engine still runs ordinary code correctly.
    void ExpectUsable() {
        auto result = m_engine->Call(At(code::kSumAndRotate), {1, 2, 3, 4, 5, 6, 7});
        ASSERT_TRUE(result.IsOk()) << result.Error();
        EXPECT_EQ(result->eax, 28u);
        EXPECT_EQ(m_engine->Depth(), 0);
    }

    std::unique_ptr<GuestMemory> m_memory;
    std::unique_ptr<CpuEngine> m_engine;
    GuestAddress m_code = 0;
    GuestAddress m_stubs = 0;
    Traps m_traps;
};

} // namespace

TEST_F(CpuEngineTest, PassesRegistersAndCalleeCleanStackArguments) {
    auto rotated = m_engine->Call(At(code::kSumAndRotate), {1, 2, 3, 4, 5, 6, 7});
    ASSERT_TRUE(rotated.IsOk()) << rotated.Error();
    EXPECT_EQ(rotated->eax, 28u);
    EXPECT_EQ(rotated->ebx, 3u);
    EXPECT_EQ(rotated->ecx, 4u);
    EXPECT_EQ(rotated->edx, 5u);
    EXPECT_EQ(rotated->esi, 6u);
    EXPECT_EQ(rotated->edi, 7u);
    EXPECT_EQ(rotated->ebp, 2u);

    const std::uint32_t arguments[] = {4, 5, 6};
    auto digits = m_engine->Call(At(code::kThreeArguments), {}, arguments);
    ASSERT_TRUE(digits.IsOk()) << digits.Error();
    EXPECT_EQ(digits->eax, 456u) << "the first argument is pushed first";
    EXPECT_EQ(m_engine->Get(X86Register::Esp), m_engine->StackTop())
        << "ret 12 removed the arguments";

    // Unit code that destroys every register leaves nothing behind for the next call.
    ASSERT_TRUE(m_engine->CallUnitCode(At(code::kTrashRegisters)).IsOk());
    auto next = m_engine->Call(At(code::kSumAndRotate), {10, 20, 30, 40, 50, 60, 70});
    ASSERT_TRUE(next.IsOk());
    EXPECT_EQ(next->eax, 280u);
    EXPECT_EQ(next->ebp, 20u);
}

TEST_F(CpuEngineTest, FaultsNameTheGuestAddressAndLeaveTheEngineUsable) {
    const struct {
        GuestAddress entry;
        std::string expected;
    } cases[] = {
        {At(code::kWritePageZero),
         "unmapped write at 0x00000010 by code at " + Hex(At(code::kWritePageZero))},
        {At(code::kWriteGap),
         "unmapped write at 0x30000000 by code at " + Hex(At(code::kWriteGap))},
        {At(code::kReadGap), "unmapped read at 0x00500000 by code at " + Hex(At(code::kReadGap))},
        {0x00000500, "unmapped fetch at 0x00000500"},
        {guest::kGlobalBase + 0x40, "protected fetch at 0x00800040"}, // data only
        {At(code::kInvalidInstruction),
         "invalid instruction at " + Hex(At(code::kInvalidInstruction))},
        {At(code::kDivideByZero), "divide error at " + Hex(At(code::kDivideInstruction))},
        {At(code::kRecurseForever), "stack overflow at " + Hex(At(code::kRecurseCall))},
        {At(code::kUnknownInterrupt),
         "unknown interrupt 0x21 at " + Hex(At(code::kUnknownInterrupt))},
        {At(code::kHalt), "hlt instruction at " + Hex(At(code::kHalt))},
    };
    for (const auto& fault : cases) {
        SCOPED_TRACE(fault.expected);
        Status status = m_engine->CallUnitCode(fault.entry);
        ASSERT_FALSE(status.IsOk());
        EXPECT_THAT(status.Error(), HasSubstr(fault.expected));
        ExpectUsable();
    }
}

TEST_F(CpuEngineTest, FaultInTheMiddleOfABlockNamesItsInstructionAndStopsThere) {
    const struct {
        std::uint32_t entry;
        std::string expected;
    } cases[] = {
        {code::kStraightReadFault,
         "unmapped read at 0x00600000 by code at " + Hex(At(code::kStraightReadInstruction))},
        {code::kStraightWriteFault,
         "unmapped write at 0x30000010 by code at " + Hex(At(code::kStraightWriteInstruction))},
    };
    const GuestAddress cells = guest::kGlobalBase + 0x200;
    for (const auto& fault : cases) {
        SCOPED_TRACE(fault.expected);
        const std::uint32_t zeros[3] = {};
        ASSERT_TRUE(m_memory->WriteBytes(cells, zeros, sizeof zeros));
        auto result = m_engine->Call(At(fault.entry), {.esi = cells});
        ASSERT_FALSE(result.IsOk());
        EXPECT_EQ(result.Error(), fault.expected);
        // Everything before the faulting instruction happened, nothing after it.
        EXPECT_EQ(m_memory->Read<std::uint32_t>(cells), 1u);
        EXPECT_EQ(m_memory->Read<std::uint32_t>(cells + 4), 2u);
        EXPECT_EQ(m_memory->Read<std::uint32_t>(cells + 8), 0u);
        ExpectUsable();
    }
}

TEST_F(CpuEngineTest, MemoryAccessesStayInTranslatedCode) {
    constexpr std::uint32_t kIterations = 20000;
    const GuestAddress globals = guest::kGlobalBase + 0x300;
    auto data = m_memory->Allocate(2 * guest::kPageSize);
    ASSERT_TRUE(data);
    // A cell on a page of its own, as a unit's data area is: the loader keeps code off it.
    const GuestAddress heapCell = (*data + guest::kPageSize) & ~(guest::kPageSize - 1);

    const std::uint64_t before = m_engine->HelperCalls();
    auto result = m_engine->Call(At(code::kMemoryLoop),
                                 {.ecx = kIterations, .edx = heapCell, .esi = globals});
    const std::uint64_t helperCalls = m_engine->HelperCalls() - before;
    ASSERT_TRUE(result.IsOk()) << result.Error();
    const std::uint64_t n = kIterations;
    EXPECT_EQ(result->eax, 3 * n);
    EXPECT_EQ(m_memory->Read<std::uint32_t>(globals), n);
    EXPECT_EQ(m_memory->Read<std::uint32_t>(globals + 4), n * (n + 1) / 2);
    EXPECT_EQ(m_memory->Read<std::uint32_t>(heapCell), 3 * n * (n + 1) / 2);
    // The loop body is one translated block: one exit check a step at its start. Besides,
    // the first load and the first store of each page go through the emulator's helpers;
    // after that no access may leave the translated code. A memory hook over any of these
    // addresses, a page never marked dirty or an exit check after each access would add up
    // to 8 calls a step.
    EXPECT_LT(helperCalls, n + 64) << "for " << 8 * n << " accesses";

    // The count does see slow accesses: stores to a page that holds translated code are
    // checked one by one, so that code rewriting itself is noticed.
    const std::uint64_t beforeCodePage = m_engine->HelperCalls();
    ASSERT_TRUE(m_engine
                    ->Call(At(code::kMemoryLoop),
                           {.ecx = kIterations, .edx = At(code::kSmcData), .esi = globals})
                    .IsOk());
    EXPECT_GE(m_engine->HelperCalls() - beforeCodePage, 2 * n);
}

TEST_F(CpuEngineTest, RewrittenCodeOnAPageOfDataIsSeen) {
    ASSERT_EQ(At(code::kSmcValue) / guest::kPageSize, At(code::kSmcData) / guest::kPageSize)
        << "the test needs code and data on one page";
    EXPECT_EQ(m_engine->Call(At(code::kSmcValue))->eax, 1u);
    // A first round translates the storing code and rewrites the value unchanged.
    ASSERT_TRUE(m_engine->Call(At(code::kSmcStoreThenPatch), {.eax = 1, .ecx = 1}).IsOk());
    EXPECT_EQ(m_engine->Call(At(code::kSmcValue))->eax, 1u);
    // Now nothing is translated between the data stores and the store into the code: only
    // the page's own state can make the emulator notice it.
    ASSERT_TRUE(m_engine->Call(At(code::kSmcStoreThenPatch), {.eax = 2, .ecx = 100}).IsOk());
    EXPECT_EQ(m_memory->Read<std::uint32_t>(At(code::kSmcData)), 101u);
    EXPECT_EQ(m_engine->Call(At(code::kSmcValue))->eax, 2u)
        << "a store into translated code on a page that also takes data is seen at once";
}

TEST_F(CpuEngineTest, WatchdogStopsCodeThatRunsTooLong) {
    m_engine->SetWatchdog(40);
    Status looped = m_engine->CallUnitCode(At(code::kLoopForever));
    ASSERT_FALSE(looped.IsOk());
    EXPECT_EQ(looped.Error(),
              "watchdog: still running after 40 ms at " + Hex(At(code::kLoopForever)));
    ExpectUsable();

    // A loop in a nested call stops the whole call, even when the handler ignores the error.
    std::string nestedError;
    m_traps.onTrap = [&](CpuEngine& cpu, std::uint32_t) {
        auto nested = cpu.Call(At(code::kLoopForever));
        nestedError = nested.IsOk() ? "" : nested.Error();
        cpu.Set(X86Register::Eax, 1);
    };
    UseTrapSlot(0);
    auto outer = m_engine->Call(At(code::kKeepsStateAcrossTrap), {5});
    ASSERT_FALSE(outer.IsOk());
    EXPECT_THAT(nestedError, HasSubstr("watchdog: still running after 40 ms"));
    EXPECT_THAT(outer.Error(), HasSubstr("watchdog: still running after 40 ms"));
    ExpectUsable();
}

TEST_F(CpuEngineTest, AWaitOfARuntimeFunctionIsNotTheCallersTime) {
    m_engine->SetWatchdog(40);
    // A handler that waits four limits, then answers: with the watchdog paused the call
    // succeeds; without, it is stopped.
    bool pause = true;
    std::string nestedError;
    bool nested = false;
    m_traps.onTrap = [&](CpuEngine& cpu, std::uint32_t) {
        EXPECT_EQ(CpuEngine::RunningOnThisThread(), &cpu);
        std::optional<HostWait> wait;
        if (pause)
            wait.emplace();
        std::this_thread::sleep_for(std::chrono::milliseconds(160));
        if (nested) {
            // Guest code called during the wait is timed on its own: its loop is stopped, and
            // the waiting call goes on.
            auto looped = cpu.Call(At(code::kLoopForever));
            nestedError = looped.IsOk() ? "" : looped.Error();
        }
        cpu.Set(X86Register::Eax, 1);
    };
    UseTrapSlot(0);
    EXPECT_TRUE(m_engine->Call(At(code::kKeepsStateAcrossTrap), {5}).IsOk());
    nested = true;
    EXPECT_TRUE(m_engine->Call(At(code::kKeepsStateAcrossTrap), {5}).IsOk());
    EXPECT_THAT(nestedError, HasSubstr("watchdog: still running after 40 ms"));
    nested = false;
    pause = false;
    auto unpaused = m_engine->Call(At(code::kKeepsStateAcrossTrap), {5});
    ASSERT_FALSE(unpaused.IsOk());
    EXPECT_THAT(unpaused.Error(), HasSubstr("watchdog"));
    EXPECT_EQ(CpuEngine::RunningOnThisThread(), nullptr);
    {
        HostWait outside; // no call runs: nothing to pause
    }
    ExpectUsable();
}

TEST_F(CpuEngineTest, TrapHandlersReadArgumentsAndSetResults) {
    std::uint32_t seenIndex = 99;
    m_traps.onTrap = [&](CpuEngine& cpu, std::uint32_t index) {
        seenIndex = index;
        const std::uint32_t esp = cpu.Get(X86Register::Esp);
        const auto last = cpu.Memory().Read<std::uint32_t>(esp + 4).value_or(0);
        const auto first = cpu.Memory().Read<std::uint32_t>(esp + 8).value_or(0);
        if (index == 3)
            throw std::runtime_error("no such function");
        if (index == 2) { // return for the stub: pop the return address and both arguments
            const auto back = cpu.Memory().Read<std::uint32_t>(esp).value_or(0);
            cpu.Set(X86Register::Esp, esp + 12);
            cpu.Set(X86Register::Eip, back);
            cpu.Set(X86Register::Eax, 7);
            return;
        }
        cpu.Set(X86Register::Eax, cpu.Get(X86Register::Eax) * 10000 +
                                      cpu.Get(X86Register::Edx) * 1000 +
                                      cpu.Get(X86Register::Ecx) * 100 + first * 10 + last);
    };

    UseTrapSlot(1);
    auto result = m_engine->Call(At(code::kCallTrapWithArguments));
    ASSERT_TRUE(result.IsOk()) << result.Error();
    EXPECT_EQ(seenIndex, 1u);
    EXPECT_EQ(result->eax, 12345u + 1000u) << "handler result, stack balanced by ret 8";

    UseTrapSlot(2);
    result = m_engine->Call(At(code::kCallTrapWithArguments));
    ASSERT_TRUE(result.IsOk()) << result.Error();
    EXPECT_EQ(result->eax, 7u + 1000u);

    UseTrapSlot(3);
    result = m_engine->Call(At(code::kCallTrapWithArguments));
    ASSERT_FALSE(result.IsOk());
    EXPECT_EQ(result.Error(), "trap handler 3 failed at " + Hex(Stub(3)) + ": no such function");
    ExpectUsable();

    UseTrapSlot(kSlots); // just past the area: not a trap
    seenIndex = 99;
    result = m_engine->Call(At(code::kCallTrapWithArguments));
    ASSERT_FALSE(result.IsOk());
    EXPECT_EQ(result.Error(), "unknown interrupt 0x80 at " + Hex(Stub(kSlots)));
    EXPECT_EQ(seenIndex, 99u);
    ExpectUsable();
}

TEST_F(CpuEngineTest, X87StackIsReadableStartsEmptyAndTakesHandlerResults) {
    ASSERT_TRUE(m_engine->CallUnitCode(At(code::kTwoOnX87)).IsOk());
    EXPECT_EQ(m_engine->X87Depth(), 2);
    EXPECT_EQ(m_engine->St(0), std::numbers::pi_v<long double>);
    EXPECT_EQ(m_engine->St(1), 1.0L);
    EXPECT_EQ(m_engine->St(2), std::nullopt);
    EXPECT_EQ(m_engine->St(-1), std::nullopt);
    EXPECT_EQ(m_engine->St(8), std::nullopt);

    // A full stack left by one call does not overflow the next one.
    ASSERT_TRUE(m_engine->CallUnitCode(At(code::kEightOnX87)).IsOk());
    EXPECT_EQ(m_engine->X87Depth(), 8);
    EXPECT_FALSE(m_engine->PushX87(2.0L));
    ASSERT_TRUE(m_engine->CallUnitCode(At(code::kTwoOnX87)).IsOk());
    EXPECT_EQ(m_engine->X87Depth(), 2);
    EXPECT_EQ(m_engine->St(0), std::numbers::pi_v<long double>);

    EXPECT_TRUE(m_engine->PushX87(-1.5L));
    EXPECT_EQ(m_engine->X87Depth(), 3);
    EXPECT_EQ(m_engine->PopX87(), -1.5L);
    EXPECT_EQ(m_engine->PopX87(), std::numbers::pi_v<long double>);
    EXPECT_EQ(m_engine->X87Depth(), 1);

    // A handler leaves a float result for the code that trapped.
    m_traps.onTrap = [](CpuEngine& cpu, std::uint32_t) { EXPECT_TRUE(cpu.PushX87(1.25L)); };
    UseTrapSlot(0);
    ASSERT_TRUE(m_engine->CallUnitCode(At(code::kDoubleTrapResult)).IsOk());
    EXPECT_EQ(m_engine->X87Depth(), 1);
    EXPECT_EQ(m_engine->St(0), 2.5L);
    EXPECT_EQ(m_engine->ReturnedSt0(), 2.5L);
}

TEST_F(CpuEngineTest, NestedCallsKeepTheInterruptedStateAtEveryLevel) {
    int deepest = 0;
    int damaged = 0;
    std::optional<long double> nestedSt0;
    m_traps.onTrap = [&](CpuEngine& cpu, std::uint32_t) {
        const int level = cpu.Depth();
        deepest = std::max(deepest, level);
        const std::uint32_t ebx = cpu.Get(X86Register::Ebx);
        const std::uint32_t ebp = cpu.Get(X86Register::Ebp);
        const std::uint32_t esp = cpu.Get(X86Register::Esp);
        const std::uint32_t eip = cpu.Get(X86Register::Eip);
        if (level == 8) {
            // The innermost level also runs unit code that wrecks every register and returns
            // a float; none of it may reach the code that trapped.
            EXPECT_TRUE(cpu.CallUnitCode(At(code::kTrashRegisters)).IsOk());
            EXPECT_TRUE(cpu.Call(At(code::kTwoOnX87)).IsOk());
            nestedSt0 = cpu.ReturnedSt0();
            cpu.Set(X86Register::Eax, 1000);
        } else {
            auto inner = cpu.Call(At(code::kKeepsStateAcrossTrap),
                                  {static_cast<std::uint32_t>(level) * 0x10000u});
            cpu.Set(X86Register::Eax, inner.IsOk() ? inner->eax + 1 : 0xBAD);
        }
        damaged += cpu.Get(X86Register::Ebx) != ebx || cpu.Get(X86Register::Ebp) != ebp ||
                   cpu.Get(X86Register::Esp) != esp || cpu.Get(X86Register::Eip) != eip ||
                   cpu.X87Depth() != 1 || cpu.Depth() != level;
    };
    UseTrapSlot(0);
    auto result = m_engine->Call(At(code::kKeepsStateAcrossTrap), {0x70000});
    ASSERT_TRUE(result.IsOk()) << result.Error();
    // Each of the 8 levels checks its registers and x87 value after its trap returns and
    // answers 0xBAD on any difference; the handlers at levels 1..7 add 1 each.
    EXPECT_EQ(result->eax, 1007u);
    EXPECT_EQ(deepest, 8);
    EXPECT_EQ(damaged, 0);
    EXPECT_EQ(nestedSt0, std::numbers::pi_v<long double>);

    // Nesting without end is refused at the limit, and each level gets the error.
    std::string limitError;
    m_traps.onTrap = [&](CpuEngine& cpu, std::uint32_t) {
        auto inner = cpu.Call(At(code::kKeepsStateAcrossTrap), {1});
        if (!inner.IsOk() && limitError.empty())
            limitError = inner.Error();
        cpu.Set(X86Register::Eax, inner.IsOk() ? inner->eax : 42);
    };
    result = m_engine->Call(At(code::kKeepsStateAcrossTrap), {1});
    ASSERT_TRUE(result.IsOk()) << result.Error();
    EXPECT_EQ(result->eax, 42u);
    EXPECT_THAT(limitError, HasSubstr("nested more than 32 deep"));
}

TEST_F(CpuEngineTest, FaultInANestedCallGoesToTheHandlerAndOuterCodeContinues) {
    std::vector<std::string> errors;
    m_traps.onTrap = [&](CpuEngine& cpu, std::uint32_t) {
        for (std::uint32_t entry :
             {code::kDivideByZero, code::kWritePageZero, code::kRecurseForever}) {
            Status status = cpu.CallUnitCode(At(entry));
            errors.push_back(status.IsOk() ? "" : status.Error());
        }
        cpu.Set(X86Register::Eax, 77);
    };
    UseTrapSlot(0);
    auto result = m_engine->Call(At(code::kKeepsStateAcrossTrap), {0x1234});
    ASSERT_TRUE(result.IsOk()) << result.Error();
    EXPECT_EQ(result->eax, 77u) << "the outer code found its state intact";
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_THAT(errors[0], HasSubstr("divide error at " + Hex(At(code::kDivideInstruction))));
    EXPECT_THAT(errors[1], HasSubstr("unmapped write at 0x00000010"));
    EXPECT_THAT(errors[2], HasSubstr("stack overflow at " + Hex(At(code::kRecurseCall))));
}

TEST_F(CpuEngineTest, RewrittenCodeRunsOnlyAfterInvalidation) {
    auto block = m_memory->Allocate(16);
    ASSERT_TRUE(block);
    const auto place = [&](std::uint8_t value) {
        const std::uint8_t movEaxRet[] = {0xB8, value, 0, 0, 0, 0xC3};
        ASSERT_TRUE(m_memory->WriteBytes(*block, movEaxRet, sizeof movEaxRet));
    };
    place(1);
    m_memory->InvalidateCode(*block, 6);
    auto second = CpuEngine::Create(*m_memory);
    ASSERT_TRUE(second.IsOk());
    CpuEngine& other = *second.Value();
    EXPECT_EQ(m_engine->Call(*block)->eax, 1u);
    EXPECT_EQ(other.Call(*block)->eax, 1u);

    place(2);
    EXPECT_EQ(m_engine->Call(*block)->eax, 1u) << "the old translation still runs";
    m_memory->InvalidateCode(*block + 1, 1);
    EXPECT_EQ(m_engine->Call(*block)->eax, 2u);
    EXPECT_EQ(other.Call(*block)->eax, 2u) << "every engine drops its translation";

    // Freeing the block invalidates it: code placed later at the same address runs as is.
    ASSERT_TRUE(m_memory->Free(*block));
    auto reused = m_memory->Allocate(16);
    ASSERT_EQ(reused, block);
    place(3);
    EXPECT_EQ(m_engine->Call(*block)->eax, 3u);
    EXPECT_EQ(other.Call(*block)->eax, 3u);
}

TEST(CpuEngineThreads, EnginesOnTwoThreadsShareMemory) {
    auto created = GuestMemory::Create();
    ASSERT_TRUE(created.IsOk());
    GuestMemory& memory = *created.Value();
    auto block = memory.Allocate(static_cast<std::uint32_t>(code::kCode.size()));
    ASSERT_TRUE(block && memory.PlaceCode(*block, code::kCode, code::kRelocations));
    auto heapFlag = memory.Allocate(4);
    ASSERT_TRUE(heapFlag);
    const GuestAddress flags[2] = {guest::kGlobalBase + 0x100, *heapFlag};

    // Each side raises its flag and spins until it sees the other's: both calls can only
    // return if each engine sees the other's write.
    std::string errors[2];
    std::uint32_t rounds[2] = {};
    auto side = [&](int self) {
        auto engine = CpuEngine::Create(memory);
        if (!engine.IsOk()) {
            errors[self] = engine.Error();
            return;
        }
        auto result = engine.Value()->Call(*block + code::kHandshake,
                                           {.eax = flags[self], .edx = flags[1 - self]});
        if (result.IsOk())
            rounds[self] = result->eax;
        else
            errors[self] = result.Error();
    };
    std::thread first(side, 0), second(side, 1);
    first.join();
    second.join();
    EXPECT_EQ(errors[0], "");
    EXPECT_EQ(errors[1], "");
    EXPECT_GE(rounds[0], 1u);
    EXPECT_GE(rounds[1], 1u);
    EXPECT_EQ(memory.Read<std::uint32_t>(flags[0]), 1u);
    EXPECT_EQ(memory.Read<std::uint32_t>(flags[1]), 1u);
}
