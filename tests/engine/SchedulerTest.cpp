// Quorva run-time. Licensed under the MIT licence.
#include "engine/Scheduler.h"

#include "ScanRig.h"
#include "TestSupport.h"
#include "platform/Log.h"
#include "runtime/SystemVariables.h"

#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using engine::RunState;
using runtime::SystemVariableId;
using testsupport::ScanRig;
using testsupport::ScanUnitFile;

std::unique_ptr<ScanRig> MakeRig() {
    auto rig = ScanRig::Create();
    EXPECT_TRUE(rig.IsOk()) << (rig.IsOk() ? "" : rig.Error());
    return rig.IsOk() ? std::move(rig.Value()) : nullptr;
}

engine::TProgRun* AddProbe(ScanRig& rig, std::string_view name,
                           std::string_view file = "SCANPROBE.QRU") {
    auto unit = rig.AddUnit(name, ScanUnitFile(file));
    EXPECT_TRUE(unit.IsOk()) << (unit.IsOk() ? "" : unit.Error());
    return unit.IsOk() ? unit.Value() : nullptr;
}

// Captures log lines for the life of the object.
class LogCapture {
public:
    LogCapture() {
        m_previous = platform::log::SetSink([this](platform::LogLevel, std::string_view line) {
            std::lock_guard lock(m_mutex);
            m_lines.emplace_back(line);
        });
    }
    ~LogCapture() { platform::log::SetSink(m_previous); }
    std::vector<std::string> Lines() {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }

private:
    platform::log::Sink m_previous;
    std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

} // namespace

TEST(Scheduler, EmptyCyclicListChangesNothing) {
    auto rig = MakeRig();
    ASSERT_TRUE(rig);
    runtime::SystemVariables& cells = rig->library->Variables();
    cells.SetInteger(SystemVariableId::BT_10, 7);
    cells.SetInteger(SystemVariableId::BT_100, 7);
    // A library unit is loaded but never scheduled.
    auto library = rig->AddUnit("LIB", ScanUnitFile("SCANPROBE.QRU"));
    ASSERT_TRUE(library.IsOk());
    library.Value()->nonCyclic = true;
    rig->programs.Cyclic().clear();
    for (int i = 0; i < 3; ++i) {
        rig->AdvanceMilliseconds(400);
        rig->Pass();
    }
    EXPECT_EQ(cells.Integer(SystemVariableId::BT_10), 7);
    EXPECT_EQ(cells.Integer(SystemVariableId::BT_100), 7);
    EXPECT_EQ(rig->Read("LIB", "CALLS"), 0);
    EXPECT_EQ(rig->scheduler->Carry100ms(), 0);
}

TEST(Scheduler, TickChangeAndHundredMillisecondPulseWithCarry) {
    auto rig = MakeRig();
    ASSERT_TRUE(rig);
    ASSERT_TRUE(AddProbe(*rig, "PROBE"));
    auto pass = [&] {
        rig->Pass();
        return std::pair{rig->Read("PROBE", "LASTBT10"), rig->Read("PROBE", "LASTBT100")};
    };
    using Seen = std::pair<std::int32_t, std::int32_t>;
    // The first pass sees a new tick; the long gap since tick 0 counts as one pulse.
    EXPECT_EQ(pass(), (Seen{1, 1}));
    EXPECT_EQ(rig->scheduler->Carry100ms(), 0);
    // Same millisecond: neither.
    EXPECT_EQ(pass(), (Seen{0, 0}));
    // 90 ms: a tick but no pulse; 20 ms more: 110 since the last pulse, 10 carried.
    rig->AdvanceMilliseconds(90);
    EXPECT_EQ(pass(), (Seen{1, 0}));
    rig->AdvanceMilliseconds(20);
    EXPECT_EQ(pass(), (Seen{1, 1}));
    EXPECT_EQ(rig->scheduler->Carry100ms(), 10);
    // 300 ms: one pulse, nothing more carried.
    rig->AdvanceMilliseconds(300);
    EXPECT_EQ(pass(), (Seen{1, 1}));
    EXPECT_EQ(rig->scheduler->Carry100ms(), 10);
    // Nine gaps of 110 ms fill the carry to 100; then a 5 ms gap still gets its catch-up pulse.
    for (int i = 0; i < 9; ++i) {
        rig->AdvanceMilliseconds(110);
        EXPECT_EQ(pass(), (Seen{1, 1}));
    }
    EXPECT_EQ(rig->scheduler->Carry100ms(), 100);
    rig->AdvanceMilliseconds(5);
    EXPECT_EQ(pass(), (Seen{1, 1}));
    EXPECT_EQ(rig->scheduler->Carry100ms(), 5);
    rig->AdvanceMilliseconds(5);
    EXPECT_EQ(pass(), (Seen{1, 0}));
    // The pass puts BT_100 back to the pass's own value after each unit's call.
    EXPECT_EQ(rig->library->Variables().Integer(SystemVariableId::BT_100), 0);
}

TEST(Scheduler, PulseCountsGapsAcrossTickWrap) {
    auto rig = MakeRig();
    ASSERT_TRUE(rig);
    ASSERT_TRUE(AddProbe(*rig, "PROBE"));
    auto seen = [&] {
        return std::pair{rig->Read("PROBE", "LASTBT10"), rig->Read("PROBE", "LASTBT100")};
    };
    using Seen = std::pair<std::int32_t, std::int32_t>;
    // 256 ms before the 32-bit millisecond tick wraps, then a pulse 56 ms before it.
    rig->clock.Advance((std::int64_t{0x1'0000'0000} - 256 - 1000) * 1000);
    rig->Pass();
    EXPECT_EQ(seen(), (Seen{1, 1}));
    rig->AdvanceMilliseconds(200);
    rig->Pass();
    EXPECT_EQ(seen(), (Seen{1, 1}));
    // 60 ms later the tick has wrapped to 4: a gap of 60, no pulse; 40 more make 100.
    rig->AdvanceMilliseconds(60);
    rig->Pass();
    EXPECT_EQ(rig->clock.TickCount(), 4u);
    EXPECT_EQ(seen(), (Seen{1, 0}));
    rig->AdvanceMilliseconds(40);
    rig->Pass();
    EXPECT_EQ(seen(), (Seen{1, 1}));
    EXPECT_EQ(rig->scheduler->Carry100ms(), 0);
}

TEST(Scheduler, PeriodCountsPassesAndPendingPulseReachesSlowUnit) {
    auto rig = MakeRig();
    ASSERT_TRUE(rig);
    engine::TProgRun* slow = AddProbe(*rig, "SLOW");
    engine::TProgRun* fast = AddProbe(*rig, "FAST");
    ASSERT_TRUE(slow && fast);
    slow->period.store(30);
    std::vector<int> slowRuns;
    for (int pass = 1; pass <= 9; ++pass) {
        // The clock stands still: periods are counted in passes, not in measured time.
        rig->Pass();
        if (rig->Read("SLOW", "CALLS") > static_cast<int>(slowRuns.size())) {
            slowRuns.push_back(pass);
            EXPECT_EQ(slow->counter, 0);
            // The pulse of pass 1 waited for the slow unit's run on pass 3.
            EXPECT_EQ(rig->Read("SLOW", "LASTBT100"), pass == 3 ? 1 : 0) << pass;
        } else {
            EXPECT_EQ(slow->counter, 10 * (pass % 3)) << pass;
        }
        // The fast unit sees the pulse on its own pass only, not the slow unit's pending one.
        EXPECT_EQ(rig->Read("FAST", "LASTBT100"), pass == 1 ? 1 : 0) << pass;
        EXPECT_GE(fast->elapsed.load(), 0);
    }
    EXPECT_EQ(slowRuns, (std::vector<int>{3, 6, 9}));
    EXPECT_EQ(rig->Read("FAST", "CALLS"), 9);
    EXPECT_EQ(rig->Read("FAST", "PULSES"), 1);
}

TEST(Scheduler, HeldUnitRestartsWithStartProgAndDebugUnitDoesNot) {
    auto rig = MakeRig();
    ASSERT_TRUE(rig);
    engine::TProgRun* held = AddProbe(*rig, "HELD");
    engine::TProgRun* debug = AddProbe(*rig, "DEBUG");
    ASSERT_TRUE(held && debug);
    runtime::SystemVariables& cells = rig->library->Variables();
    rig->Pass();
    rig->Pass();
    EXPECT_EQ(rig->Read("HELD", "STARTS"), 1);
    EXPECT_EQ(rig->Read("HELD", "LASTSTART"), 0);
    // START_PROG is the unit's own flag only while its main entry runs.
    EXPECT_FALSE(cells.Boolean(SystemVariableId::START_PROG));

    held->runState.store(RunState::Held);
    debug->runState.store(RunState::Debug);
    debug->elapsed.store(1234);
    rig->Pass();
    rig->Pass();
    EXPECT_EQ(rig->Read("HELD", "CALLS"), 2);
    EXPECT_EQ(rig->Read("DEBUG", "CALLS"), 2);
    EXPECT_EQ(held->elapsed.load(), 0);
    EXPECT_EQ(debug->elapsed.load(), 0);
    EXPECT_TRUE(held->firstScan.load());
    EXPECT_FALSE(debug->firstScan.load());

    held->runState.store(RunState::Run);
    debug->runState.store(RunState::Run);
    rig->Pass();
    EXPECT_EQ(rig->Read("HELD", "LASTSTART"), 1);
    EXPECT_EQ(rig->Read("DEBUG", "LASTSTART"), 0);
    rig->Pass();
    EXPECT_EQ(rig->Read("HELD", "LASTSTART"), 0);
}

TEST(Scheduler, StopMakesOneFinalPassThenRearmsUntilResumed) {
    auto rig = MakeRig();
    ASSERT_TRUE(rig);
    engine::TProgRun* a = AddProbe(*rig, "A");
    engine::TProgRun* held = AddProbe(*rig, "B");
    ASSERT_TRUE(a && held);
    runtime::SystemVariables& cells = rig->library->Variables();
    rig->Pass();
    held->runState.store(RunState::Held);
    EXPECT_EQ(rig->Read("A", "ENDS"), 0);

    rig->scheduler->StopScan();
    EXPECT_FALSE(rig->scheduler->ScanEnabled());
    rig->Pass();
    EXPECT_EQ(rig->Read("A", "CALLS"), 2);
    EXPECT_EQ(rig->Read("A", "LASTEND"), 1);
    EXPECT_EQ(rig->Read("B", "CALLS"), 1); // held units get no final call
    EXPECT_TRUE(cells.Boolean(SystemVariableId::END_PROG));

    // A second StopScan changes nothing; later passes run nothing and re-arm first scan.
    rig->scheduler->StopScan();
    for (int i = 0; i < 3; ++i) {
        rig->AdvanceMilliseconds(10);
        rig->Pass();
    }
    EXPECT_EQ(rig->Read("A", "CALLS"), 2);
    EXPECT_EQ(rig->Read("A", "ENDS"), 1);
    EXPECT_FALSE(cells.Boolean(SystemVariableId::END_PROG));
    EXPECT_TRUE(a->firstScan.load());

    rig->scheduler->ResumeScan();
    rig->Pass();
    EXPECT_EQ(rig->Read("A", "CALLS"), 3);
    EXPECT_EQ(rig->Read("A", "LASTSTART"), 1);
    EXPECT_EQ(rig->Read("A", "LASTEND"), 0);
    // After a resume a new stop gets its own final pass.
    rig->scheduler->StopScan();
    rig->Pass();
    rig->Pass();
    EXPECT_EQ(rig->Read("A", "ENDS"), 2);
}

TEST(Scheduler, FaultingUnitIsHeldAndReportedWhileOthersRun) {
    auto rig = MakeRig();
    ASSERT_TRUE(rig);
    ASSERT_TRUE(AddProbe(*rig, "FIRST"));
    engine::TProgRun* bad = AddProbe(*rig, "BAD", "SCANFAULT.QRU");
    ASSERT_TRUE(bad);
    ASSERT_TRUE(AddProbe(*rig, "LAST"));
    std::vector<std::pair<std::string, std::string>> reported;
    rig->scheduler->SetHoldHandler(
        [&](std::string_view unit, std::string_view fault) { reported.emplace_back(unit, fault); });
    LogCapture log;
    rig->Pass();
    EXPECT_EQ(bad->runState.load(), RunState::Held);
    EXPECT_TRUE(bad->firstScan.load());
    EXPECT_EQ(rig->Read("BAD", "CALLS"), 1);
    EXPECT_EQ(rig->Read("FIRST", "CALLS"), 1);
    EXPECT_EQ(rig->Read("LAST", "CALLS"), 1);
    // START_PROG and BT_100 are restored after the faulting call too: LAST sees its own.
    EXPECT_EQ(rig->Read("LAST", "LASTSTART"), 1);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].first, "BAD");
    EXPECT_NE(reported[0].second.find("unmapped"), std::string::npos) << reported[0].second;
    bool logged = false;
    for (const std::string& line : log.Lines())
        logged = logged || line.rfind("unit BAD held: " + reported[0].second, 0) == 0;
    EXPECT_TRUE(logged);

    rig->Pass();
    EXPECT_EQ(rig->Read("BAD", "CALLS"), 1);
    EXPECT_EQ(rig->Read("LAST", "CALLS"), 2);
    EXPECT_EQ(reported.size(), 1u);
}

TEST(Scheduler, NoPassRunsUnitsWhilePaused) {
    auto rig = MakeRig();
    ASSERT_TRUE(rig);
    ASSERT_TRUE(AddProbe(*rig, "P1"));
    ASSERT_TRUE(AddProbe(*rig, "P2"));
    engine::TProgRun* moving = AddProbe(*rig, "P3");
    ASSERT_TRUE(moving);
    engine::Scheduler& scheduler = *rig->scheduler;

    std::atomic<bool> done{false};
    std::atomic<bool> engineFailed{false};
    std::thread scanThread([&] {
        auto cpu = platform::CpuEngine::Create(*rig->memory);
        if (!cpu) {
            engineFailed = true;
            return;
        }
        while (!done.load()) {
            scheduler.RunScan(*cpu.Value());
            rig->clock.Advance(1000);
        }
    });

    // Each round is a chance for the scan to slip past the pause. Under the address sanitizer a
    // round costs thirty times as much: fewer rounds keep the test within its time there.
    const int rounds = testsupport::kAddressSanitized ? 300 : 2000;
    int roundsWithProgress = 0;
    for (int round = 0; round < rounds && !engineFailed.load(); ++round) {
        scheduler.PauseScan();
        rig->Write("P1", "PAUSED", 1);
        rig->Write("P2", "PAUSED", 1);
        rig->Write("P3", "PAUSED", 1);
        const std::int32_t before = rig->Read("P1", "CALLS");
        // What a load does while paused: change the cyclic list (reallocating it).
        auto& cyclic = rig->programs.Cyclic();
        if (round % 2 == 0) {
            cyclic.pop_back();
            cyclic.shrink_to_fit();
        } else {
            cyclic.push_back(moving);
        }
        for (int i = 0; i < 20; ++i)
            std::this_thread::yield();
        EXPECT_EQ(rig->Read("P1", "CALLS"), before);
        rig->Write("P1", "PAUSED", 0);
        rig->Write("P2", "PAUSED", 0);
        rig->Write("P3", "PAUSED", 0);
        scheduler.ResumeScan();
        // Give the scan thread a chance to run a pass before the next pause (bounded).
        for (int i = 0; i < 10000 && rig->Read("P1", "CALLS") == before; ++i)
            std::this_thread::yield();
        roundsWithProgress += rig->Read("P1", "CALLS") != before ? 1 : 0;
    }
    done = true;
    scanThread.join();
    ASSERT_FALSE(engineFailed.load());
    EXPECT_EQ(rig->Read("P1", "VIOLATIONS"), 0);
    EXPECT_EQ(rig->Read("P2", "VIOLATIONS"), 0);
    EXPECT_EQ(rig->Read("P3", "VIOLATIONS"), 0);
    EXPECT_GT(roundsWithProgress, 0);
    EXPECT_GT(rig->Read("P3", "CALLS"), 0);
}
