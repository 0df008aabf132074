// Quorva run-time. Licensed under the MIT licence.
#include "shell/EditorCommands.h"

#include "platform/Clock.h"
#include "shell/LinkArea.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <strings.h>

namespace {

using shell::LoadLinkInt32;
using shell::LoadLinkShortString;
using shell::StoreLinkInt32;
using shell::StoreLinkShortString;

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// Loaded units and open screens, found by name ignoring case.
class FakeTargets final : public shell::UnitTargets, public shell::ScreenTargets {
public:
    struct Unit {
        std::string name;
        shell::UnitSnapshot state;
        bool nonCyclic = false;
    };
    std::vector<Unit> units;
    std::vector<std::pair<std::string, shell::ScreenSnapshot>> screens;

    Unit* UnitNamed(std::string_view name) {
        auto found = std::find_if(units.begin(), units.end(),
                                  [name](const Unit& unit) { return SameName(unit.name, name); });
        return found == units.end() ? nullptr : &*found;
    }
    shell::ScreenSnapshot* ScreenNamed(std::string_view name) {
        for (auto& [screenName, state] : screens) {
            if (SameName(screenName, name))
                return &state;
        }
        return nullptr;
    }

    std::optional<shell::UnitSnapshot> FindUnit(std::string_view name) const override {
        const Unit* unit = const_cast<FakeTargets*>(this)->UnitNamed(name);
        return unit ? std::optional(unit->state) : std::nullopt;
    }
    bool SetUnitRunState(std::string_view name, std::int32_t runState) override {
        Unit* unit = UnitNamed(name);
        return unit && (unit->state.runState = runState, true);
    }
    std::vector<shell::UnitListEntry> LoadedUnits() const override {
        std::vector<shell::UnitListEntry> list;
        for (const Unit& unit : units)
            list.push_back({unit.name, unit.nonCyclic});
        return list;
    }
    std::optional<shell::ScreenSnapshot> FindScreen(std::string_view name) const override {
        const shell::ScreenSnapshot* screen = const_cast<FakeTargets*>(this)->ScreenNamed(name);
        return screen ? std::optional(*screen) : std::nullopt;
    }
    bool SetScreenStopped(std::string_view name, bool stopped) override {
        shell::ScreenSnapshot* screen = ScreenNamed(name);
        return screen && (screen->stopped = stopped, true);
    }
    std::vector<std::string> OpenScreens() const override {
        std::vector<std::string> names;
        for (const auto& entry : screens)
            names.push_back(entry.first);
        return names;
    }
};

// The four blocks in plain memory, as the editor would see them, and the poll over fakes.
struct Link {
    alignas(4) std::array<std::byte, 4> command{};
    alignas(4) std::array<std::byte, 4> argument{};
    std::array<std::byte, 256> name{};
    std::array<std::byte, 1> profiler{};
    FakeTargets targets;
    std::string systemText;
    platform::FakeClock clock{5'000'000};
    shell::EditorCommands commands{{command.data(), argument.data(), name.data(), profiler.data()},
                                   targets,
                                   targets,
                                   [this] { return systemText; },
                                   clock};

    // Sends one command as the editor does (argument first) and polls once.
    void Send(std::int32_t code, std::string_view text, std::int32_t aux = 0) {
        StoreLinkShortString(name.data(), text);
        StoreLinkInt32(argument.data(), aux);
        StoreLinkInt32(command.data(), code);
        commands.PollEditorCommand();
    }
    std::int32_t Command() const { return LoadLinkInt32(command.data()); }
    std::int32_t Aux() const { return LoadLinkInt32(argument.data()); }
    std::string Name() const { return LoadLinkShortString(name.data()); }
    void Profiler(bool on) { profiler[0] = std::byte{on ? std::uint8_t{1} : std::uint8_t{0}}; }
};

TEST(EditorCommands, UnitQueriesAnswerAndUnknownNamesGiveDefaults) {
    Link link;
    link.targets.units = {{"PUMP", {0x00012340, 0, 250}, false}, {"LIB", {0, 1, 17}, true}};

    link.Send(8, "pump");
    EXPECT_EQ(link.Aux(), 0x00012340);
    EXPECT_EQ(link.Command(), 0);
    link.Send(8, "ghost", 99);
    EXPECT_EQ(link.Aux(), 0);

    link.Send(9, "Lib", 7);
    EXPECT_EQ(link.Aux(), 1);
    link.Send(9, "ghost", 7);
    EXPECT_EQ(link.Aux(), 0);

    link.Send(5, "pump");
    EXPECT_EQ(link.Name(), "Run");
    link.Send(5, "LIB");
    EXPECT_EQ(link.Name(), "Stop");
    link.Send(5, "ghost");
    EXPECT_EQ(link.Name(), "Prog");

    link.Send(12, "PUMP");
    EXPECT_EQ(link.Aux(), 250);
    link.Send(12, "ghost");
    EXPECT_EQ(link.Aux(), -1);
    EXPECT_EQ(link.Command(), 0);
}

TEST(EditorCommands, RunStopPrefersAnOpenScreenOverAUnitOfTheSameName) {
    Link link;
    link.targets.units = {{"MAIN", {0x1000, 0, 40}, false}, {"PUMP", {0x2000, 0, 0}, false}};
    link.targets.screens = {{"Main", {false, 900}}};

    link.Send(6, "main", 1);
    EXPECT_TRUE(link.targets.screens[0].second.stopped);
    EXPECT_EQ(link.targets.units[0].state.runState, 0);
    link.Send(5, "MAIN");
    EXPECT_EQ(link.Name(), "Stop");
    link.Send(12, "MAIN");
    EXPECT_EQ(link.Aux(), 0) << "a stopped screen reports no cycle time";
    link.Send(6, "main", 0);
    link.Send(12, "MAIN");
    EXPECT_EQ(link.Aux(), 900);

    link.Send(6, "pump", -5);
    EXPECT_EQ(link.targets.units[1].state.runState, 1);
    link.Send(5, "pump");
    EXPECT_EQ(link.Name(), "Stop");
    link.Send(6, "pump", 0);
    EXPECT_EQ(link.targets.units[1].state.runState, 0);

    link.Send(6, "ghost", 1);
    EXPECT_EQ(link.Command(), 0);
    EXPECT_EQ(link.targets.units[0].state.runState, 0);
    EXPECT_EQ(link.targets.units[1].state.runState, 0);
}

TEST(EditorCommands, ProfilerHoldLeavesListAndControlCommandsPending) {
    Link link;
    link.targets.units = {{"PUMP", {0x3000, 0, 5}, false}};
    link.systemText = "_PROFILER_";

    for (std::int32_t code : {5, 6, 12, 13}) {
        link.Send(code, "PUMP", 1);
        EXPECT_EQ(link.Command(), code);
        EXPECT_EQ(link.Name(), "PUMP");
        EXPECT_EQ(link.Aux(), 1);
    }
    EXPECT_EQ(link.targets.units[0].state.runState, 0);

    link.Send(8, "PUMP");
    EXPECT_EQ(link.Command(), 0);
    EXPECT_EQ(link.Aux(), 0x3000);
    link.Send(9, "PUMP");
    EXPECT_EQ(link.Command(), 0);
    EXPECT_EQ(link.Aux(), 1);

    // A stop left pending is carried out once the hold ends.
    link.Send(6, "PUMP", 1);
    link.commands.PollEditorCommand();
    EXPECT_EQ(link.Command(), 6);
    link.systemText = "_profiler_ off";
    link.commands.PollEditorCommand();
    EXPECT_EQ(link.Command(), 0);
    EXPECT_EQ(link.targets.units[0].state.runState, 1);

    for (std::int32_t code : {1, 7, 99, -3}) {
        link.Send(code, "PUMP", 4);
        EXPECT_EQ(link.Command(), code) << "unknown codes are left alone";
        EXPECT_EQ(link.Aux(), 4);
    }
}

TEST(EditorCommands, ListWalksUnitsThenScreensThenNamedValues) {
    Link link;
    link.targets.units = {{"FIRST", {}, false}, {"HELPERS", {}, true}};
    link.targets.screens = {{"Overview", {}}, {"Alarms", {}}};
    link.Profiler(true);
    ASSERT_TRUE(link.commands.ProfilerRecord("Loop", 12));

    const std::map<std::int32_t, std::pair<std::string, std::int32_t>> expected = {
        {0, {"FIRST", 0}},  {1, {"(QRU)HELPERS", 1}}, {2, {"Overview", 0}},
        {3, {"Alarms", 1}}, {4, {"Loop", 0}},         {5, {"", 0}},
        {9, {"", 4}},       {-1, {"", -1}},
    };
    for (const auto& [index, answer] : expected) {
        link.Send(13, "stale", index);
        EXPECT_EQ(link.Command(), 0);
        EXPECT_EQ(link.Name(), answer.first) << "index " << index;
        EXPECT_EQ(link.Aux(), answer.second) << "index " << index;
    }

    // Without units, index 0 is the first screen; answers are cut to 255 characters.
    link.targets.units.clear();
    link.targets.screens[0].first = std::string(300, 'S');
    link.Send(13, "", 0);
    EXPECT_EQ(link.Name(), std::string(255, 'S'));
}

TEST(EditorCommands, ProfilerRecordsOnlyWhileSwitchedOn) {
    Link link;
    EXPECT_EQ(link.commands.ProfilerNow(), 0);
    EXPECT_FALSE(link.commands.ProfilerRecord("Loop", 30));
    EXPECT_TRUE(link.commands.NamedValues().empty());
    link.Send(12, "Loop");
    EXPECT_EQ(link.Aux(), -1);

    link.Profiler(true);
    ASSERT_TRUE(link.commands.ProfilerRecord("Loop", 0));
    EXPECT_EQ(link.commands.NamedValues().at(0).second, 0) << "no interval before the first";
    link.clock.Advance(1000);
    EXPECT_EQ(link.commands.ProfilerNow(), 5'001'000.0);
    link.clock.Advance(300);
    EXPECT_TRUE(link.commands.ProfilerRecord("Loop", 0)) << "0 records the interval measured";
    link.Send(12, "LOOP");
    EXPECT_EQ(link.Aux(), 300);

    EXPECT_TRUE(link.commands.ProfilerRecord("loop", 42));
    EXPECT_TRUE(link.commands.ProfilerRecord("Filter", 7));
    using Values = std::vector<std::pair<std::string, std::int32_t>>;
    EXPECT_EQ(link.commands.NamedValues(), (Values{{"Loop", 42}, {"Filter", 7}}));

    link.Profiler(false);
    EXPECT_FALSE(link.commands.ProfilerRecord("Loop", 1));
    EXPECT_EQ(link.commands.NamedValues(), (Values{{"Loop", 42}, {"Filter", 7}}));
}

TEST(EditorCommands, CreateFindsTheBlocksOfTheLinkArea) {
    auto area = shell::LinkArea::Attach();
    ASSERT_TRUE(area.IsOk()) << area.Error();
    FakeTargets units;
    units.units = {{"PUMP", {0x4000, 0, 0}, false}};
    shell::NoScreenTargets screens;
    auto commands = shell::EditorCommands::Create(*area, units, screens, nullptr);
    ASSERT_TRUE(commands.IsOk()) << commands.Error();

    StoreLinkShortString(area->LinkBlock("lnomqru", 256), "pump");
    StoreLinkInt32(area->LinkBlock("LQRUCOMMANDE", 4), 8);
    (*commands)->PollEditorCommand();
    EXPECT_EQ(LoadLinkInt32(area->LinkBlock("LAUX", 4)), 0x4000);
    EXPECT_EQ(LoadLinkInt32(area->LinkBlock("LQRUCOMMANDE", 4)), 0);
}

} // namespace
