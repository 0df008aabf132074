// Quorva run-time. Licensed under the MIT licence.
#include "runtime/TaskFunctions.h"

#include "../engine/ScanRig.h"
#include "runtime/GuestValues.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using engine::RunState;
using testsupport::ScanRig;
using testsupport::ScanUnitFile;

// A rig with the calling unit (not scheduled), a probe unit PUMP and a faulting unit BAD.
struct TaskRig {
    TaskRig() {
        auto created = ScanRig::Create();
        EXPECT_TRUE(created.IsOk()) << (created.IsOk() ? "" : created.Error());
        if (!created)
            return;
        rig = std::move(created.Value());
        auto placedCaller = rig->AddUnit("CALLER", ScanUnitFile("TASKCALLER.QRU"));
        auto placedPump = rig->AddUnit("PUMP", ScanUnitFile("SCANPROBE.QRU"));
        auto placedBad = rig->AddUnit("BAD", ScanUnitFile("SCANFAULT.QRU"));
        EXPECT_TRUE(placedCaller.IsOk() && placedPump.IsOk() && placedBad.IsOk());
        if (!placedCaller || !placedPump || !placedBad) {
            rig.reset();
            return;
        }
        caller = placedCaller.Value();
        pump = placedPump.Value();
        bad = placedBad.Value();
        rig->programs.Cyclic().erase(rig->programs.Cyclic().begin()); // the caller
    }

    // Runs one of the caller's procedures with TASK = `task`, through the real call path.
    void Call(std::string_view procedure, std::string_view task) {
        runtime::WriteGuestString(*rig->memory, rig->VariableAddress("CALLER", "TASK"),
                                  runtime::ShortString(task));
        platform::Status ran = rig->cpu->CallUnitCode(rig->EntryOf("CALLER", procedure));
        EXPECT_TRUE(ran.IsOk()) << (ran.IsOk() ? "" : ran.Error());
    }
    std::int32_t GetTask(std::string_view task) {
        rig->Write("CALLER", "STATE", -1);
        Call("DOGET", task);
        return rig->Read("CALLER", "STATE");
    }

    std::unique_ptr<ScanRig> rig;
    engine::TProgRun* caller = nullptr;
    engine::TProgRun* pump = nullptr;
    engine::TProgRun* bad = nullptr;
};

} // namespace

TEST(TaskFunctions, RunGetAndSetTaskActOnTheNamedUnit) {
    TaskRig t;
    ASSERT_TRUE(t.rig);
    // Any path form names the unit.
    t.rig->Write("CALLER", "RUNFLAG", 0);
    t.Call("DORUN", "C:\\Project\\Pump.qru");
    EXPECT_EQ(t.pump->runState.load(), RunState::Held);
    EXPECT_EQ(t.GetTask("pump"), 1);
    t.rig->Pass();
    EXPECT_EQ(t.rig->Read("PUMP", "CALLS"), 0);

    t.rig->Write("CALLER", "RUNFLAG", 1);
    t.Call("DORUN", "PUMP");
    EXPECT_EQ(t.GetTask("PUMP"), 0);
    t.pump->runState.store(RunState::Debug);
    EXPECT_EQ(t.GetTask("PUMP"), 2);
    t.pump->runState.store(RunState::Run);

    // Unknown names: GETTASK answers 4, the others change nothing.
    EXPECT_EQ(t.GetTask("NOSUCHUNIT"), 4);
    EXPECT_EQ(t.GetTask(""), 4);
    EXPECT_EQ(t.GetTask(std::string(255, 'P')), 4);
    t.rig->Write("CALLER", "RUNFLAG", 0);
    t.Call("DORUN", "NOSUCHUNIT");
    t.rig->Write("CALLER", "MS", 70);
    t.Call("DOSET", "NOSUCHUNIT");
    EXPECT_EQ(t.pump->runState.load(), RunState::Run);
    EXPECT_EQ(t.pump->period.load(), 10);

    // SETTASK applies no lower bound; a period of 10 ms or less runs on every pass.
    t.rig->Write("CALLER", "MS", 30);
    t.Call("DOSET", "pump.QRU");
    EXPECT_EQ(t.pump->period.load(), 30);
    t.rig->Write("CALLER", "MS", -5);
    t.Call("DOSET", "PUMP");
    EXPECT_EQ(t.pump->period.load(), -5);
    t.rig->Pass();
    t.rig->Pass();
    EXPECT_EQ(t.rig->Read("PUMP", "CALLS"), 2);
}

TEST(TaskFunctions, CallTaskRunsTheMainEntryOnceAndAFaultHoldsOnlyTheTarget) {
    TaskRig t;
    ASSERT_TRUE(t.rig);
    t.pump->counter = 20;
    t.Call("DOCALL", "PUMP");
    EXPECT_EQ(t.rig->Read("PUMP", "CALLS"), 1);
    EXPECT_EQ(t.rig->Read("CALLER", "AFTER"), 1); // control and EBX came back
    // No flag or counter changes.
    EXPECT_EQ(t.pump->counter, 20);
    EXPECT_TRUE(t.pump->firstScan.load());
    EXPECT_EQ(t.pump->runState.load(), RunState::Run);

    std::string heldUnit;
    t.rig->scheduler->SetHoldHandler(
        [&](std::string_view unit, std::string_view) { heldUnit = unit; });
    t.Call("DOCALL", "BAD");
    EXPECT_EQ(t.rig->Read("BAD", "CALLS"), 1);
    EXPECT_EQ(t.bad->runState.load(), RunState::Held);
    EXPECT_EQ(heldUnit, "BAD");
    EXPECT_EQ(t.rig->Read("CALLER", "AFTER"), 2);
    EXPECT_EQ(t.caller->runState.load(), RunState::Run);

    t.Call("DOCALL", "NOSUCHUNIT");
    EXPECT_EQ(t.rig->Read("CALLER", "AFTER"), 3);
}

TEST(TaskFunctions, CallTaskFromAScheduledUnitIsANestedCall) {
    TaskRig t;
    ASSERT_TRUE(t.rig);
    // The caller scheduled alone, calling PUMP from its main entry on every pass.
    t.rig->programs.Cyclic().assign({t.caller});
    runtime::WriteGuestString(*t.rig->memory, t.rig->VariableAddress("CALLER", "TASK"),
                              runtime::ShortString("PUMP"));
    for (int i = 0; i < 3; ++i)
        t.rig->Pass();
    EXPECT_EQ(t.rig->Read("CALLER", "AFTER"), 3);
    EXPECT_EQ(t.rig->Read("PUMP", "CALLS"), 3);
    // PUMP's calls saw the caller's START_PROG: 1 on the caller's first pass only.
    EXPECT_EQ(t.rig->Read("PUMP", "STARTS"), 1);
    EXPECT_EQ(t.caller->runState.load(), RunState::Run);
}

TEST(TaskFunctions, WithoutASchedulerTheyDoNothing) {
    TaskRig t;
    ASSERT_TRUE(t.rig);
    t.rig->services.scheduler = nullptr;
    EXPECT_EQ(t.GetTask("PUMP"), 4);
    t.rig->Write("CALLER", "RUNFLAG", 0);
    t.Call("DORUN", "PUMP");
    t.rig->Write("CALLER", "MS", 50);
    t.Call("DOSET", "PUMP");
    t.Call("DOCALL", "PUMP");
    EXPECT_EQ(t.pump->runState.load(), RunState::Run);
    EXPECT_EQ(t.pump->period.load(), 10);
    EXPECT_EQ(t.rig->Read("PUMP", "CALLS"), 0);
    EXPECT_EQ(t.rig->Read("CALLER", "AFTER"), 1);
}
