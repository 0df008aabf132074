// Quorva run-time. Licensed under the MIT licence.
#include "runtime/OpcFunctions.h"

#include "../engine/GlobalsProject.h"
#include "OpcTestProcess.h"
#include "TestSupport.h"
#include "UnitCallerRig.h"
#include "engine/VariableStore.h"
#include "platform/CodePage.h"
#include "runtime/Services.h"
#include "shell/Dictionary.h"
#include "shell/MessageBoxes.h"
#include "shell/MessagePresenter.h"
#include "shell/OpcClient.h"
#include "shell/Package.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Caption and text of each box shown.
class OpcBoxRecorder final : public shell::MessagePresenter {
public:
    std::int32_t Show(const std::string& caption, const std::string& text, std::uint32_t) override {
        boxes.emplace_back(caption, text);
        return shell::answer::Ok;
    }
    std::vector<std::pair<std::string, std::string>> boxes;
};

using testsupport::OpcEventually;

// The project's globals: one of every scalar type the store knows, and two more Integers.
std::vector<engine::QruVariable> OpcGlobals() {
    using testsupport::ExportedGlobal;
    return {ExportedGlobal("VBOOL", 3, 1),    ExportedGlobal("VBYTE", 7, 1),
            ExportedGlobal("VWORD", 20, 2),   ExportedGlobal("VINT", 4, 4),
            ExportedGlobal("VSINGLE", 24, 4), ExportedGlobal("VDOUBLE", 25, 8),
            ExportedGlobal("VREAL", 5, 10),   ExportedGlobal("VSTRING", 9, 256),
            ExportedGlobal("VCOUNT", 4, 4),   ExportedGlobal("VBAD", 25, 8)};
}

// The OPCCALLER unit with the OPC functions bound, a variable store over the globals above, a
// project directory (the current directory, with its quorva.ini) and a machine configuration
// directory of its own. Ends the process's OPC client when it goes.
class OpcCallerRig : public testsupport::UnitCallerRig {
public:
    OpcCallerRig() {
        ::setenv("XDG_CONFIG_HOME", (m_project.Dir() / "config").c_str(), 1);
        if (platform::Status built = Build({&runtime::AddOpcFunctions}, QUORVA_OPC_CALLER_UNIT);
            !built) {
            ADD_FAILURE() << built.Error();
            return;
        }
        services.variables = &store;
        services.boxes = &m_boxes;
        library->Dispatcher().SetServices(&services);
    }
    ~OpcCallerRig() { runtime::opc::EndOpcClient(); }
    bool Ready() const { return cpu != nullptr && store.NameCount() == 10; }

    void WriteProjectIni(std::string_view text) {
        testsupport::WriteFile(m_project.Dir() / "quorva.ini", text);
    }

    // The five functions as unit code calls them; a fault of the unit fails the test.
    std::string Connect(std::string_view name, std::string_view group, std::int32_t timeBase) {
        SetString("NAME", name);
        SetString("GROUP", group);
        Set<std::int32_t>("TBASE", timeBase);
        SetString("SRES", "unchanged");
        RunChecked("DOCONNECT");
        return GetString("SRES");
    }
    bool Close() {
        Set<std::int32_t>("OK", -1);
        RunChecked("DOCLOSE");
        return Get<std::int32_t>("OK") == 1;
    }
    bool ReadAsync(std::string_view item, std::string_view variable) {
        SetString("ITEM", item);
        SetString("QRU", variable);
        Set<std::int32_t>("OK", -1);
        RunChecked("DOREADASYNC");
        return Get<std::int32_t>("OK") == 1;
    }
    std::string ReadSync(std::string_view item) {
        SetString("ITEM", item);
        SetString("SRES", "unchanged");
        RunChecked("DOREADSYNC");
        return GetString("SRES");
    }
    bool WriteSync(std::string_view item, std::string_view value) {
        SetString("ITEM", item);
        SetString("VALUE", value);
        Set<std::int32_t>("OK", -1);
        RunChecked("DOWRITESYNC");
        return Get<std::int32_t>("OK") == 1;
    }

    std::vector<std::pair<std::string, std::string>> TakeBoxes() {
        return std::exchange(m_presenter.boxes, {});
    }

    runtime::Services services;

private:
    void RunChecked(const std::string& procedure) {
        if (platform::Status ran = Run(procedure); !ran)
            ADD_FAILURE() << procedure << " faulted: " << ran.Error();
    }

    OpcBoxRecorder m_presenter;
    shell::Dictionary m_dictionary;
    shell::MessageBoxes m_boxes{m_dictionary, m_presenter};
    testsupport::GlobalsProject m_project{"quorva-opc-test", OpcGlobals(), 4096, m_presenter};

public:
    engine::VariableStore& store = m_project.store;
};

// opcsim on a free port of the loopback, started and restarted by the test.
class OpcSim {
public:
    OpcSim() : m_port(testsupport::FreeOpcTestPort()) { Start(); }
    void Start() {
        m_process = std::make_unique<testsupport::OpcTestProcess>(
            std::vector<std::string>{QUORVA_OPCSIM, "--port", std::to_string(m_port)});
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!testsupport::OpcTestPortOpen(m_port) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(20ms);
    }
    void Kill() { m_process->Kill(); }
    std::string Url() const { return "opc.tcp://127.0.0.1:" + std::to_string(m_port); }
    std::uint16_t Port() const { return m_port; }
    // The next "write <nodeid> = <value>" line for the node, within two seconds.
    std::string WriteLine(const std::string& nodeId) {
        std::size_t at = 0;
        std::string line = m_process->WaitForLine(
            [&](const std::string& text) { return text.rfind("write " + nodeId + " = ", 0) == 0; },
            2s, m_seen, &at);
        if (!line.empty())
            m_seen = at + 1;
        return line;
    }

private:
    std::uint16_t m_port;
    std::unique_ptr<testsupport::OpcTestProcess> m_process;
    std::size_t m_seen = 0;
};

constexpr std::string_view kGroup = "Group1";

// Each test: the caller rig, ready, and opcsim started for it.
class OpcFunctions : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(rig.Ready()); }
    // Whether the rig connects to opcsim with the time base `timeBase` (ms).
    ::testing::AssertionResult ConnectedToSim(std::int32_t timeBase) {
        const std::string result = rig.Connect(sim.Url(), kGroup, timeBase);
        if (result == "Connected to OPC server")
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the connect gave \"" << result << "\"";
    }

    OpcCallerRig rig;
    OpcSim sim;
};

TEST_F(OpcFunctions, ConnectResultsForUnknownUnreachableAndConnectedServers) {
    rig.WriteProjectIni("[OpcServers]\nQuorva.Sim = " + sim.Url() + "\n");

    // Not connected: CLOSE says so, and nothing is listed by a READASYNC.
    EXPECT_FALSE(rig.Close());
    EXPECT_FALSE(rig.ReadAsync("ns=1;s=Types.Int32", "VINT"));
    EXPECT_TRUE(runtime::opc::Items().empty());

    // A name the table does not know; a port nobody listens on: the name follows the text.
    EXPECT_EQ(rig.Connect("Nobody.Server", kGroup, 100),
              "Unable to connect to OPC serverNobody.Server");
    const std::string closedPort =
        "opc.tcp://127.0.0.1:" + std::to_string(testsupport::FreeOpcTestPort());
    EXPECT_EQ(rig.Connect(closedPort, kGroup, 100), "Unable to connect to OPC server" + closedPort);

    // A table name (any case); then any second connect changes nothing.
    EXPECT_EQ(rig.Connect("quorva.sim", kGroup, 100), "Connected to OPC server");
    EXPECT_TRUE(rig.ReadAsync("ns=1;s=Types.Int32", "VINT"));
    EXPECT_EQ(rig.Connect("Nobody.Server", "Other", 0), "Already Connected to OPC server");
    EXPECT_EQ(rig.Connect(sim.Url(), kGroup, 100), "Already Connected to OPC server");
    EXPECT_EQ(runtime::opc::Items(), std::vector<std::string>{"ns=1;s=Types.Int32"});
    EXPECT_TRUE(rig.WriteSync("ns=1;s=Types.Int32", "77"));
    EXPECT_TRUE(OpcEventually([&] { return rig.store.GetInteger("VINT") == 77; }, 3s));

    EXPECT_TRUE(rig.Close());
    EXPECT_FALSE(rig.Close());
    EXPECT_TRUE(rig.TakeBoxes().empty());
}

TEST_F(OpcFunctions, ItemsAreListedRegisteredReadAndWritten) {
    ASSERT_TRUE(ConnectedToSim(50));

    // Blank names and variables are refused before anything is listed.
    EXPECT_FALSE(rig.ReadAsync("  ", "VINT"));
    EXPECT_FALSE(rig.ReadAsync("ns=1;s=Types.Int32", " "));
    EXPECT_FALSE(rig.WriteSync("", "1"));
    EXPECT_EQ(rig.ReadSync(" "), "");
    EXPECT_TRUE(runtime::opc::Items().empty());

    // A browse path is an item name as good as a NodeId; the same name twice is refused.
    EXPECT_TRUE(rig.ReadAsync("Types/Int32", "VINT"));
    EXPECT_FALSE(rig.ReadAsync("Types/Int32", "VCOUNT"));

    // An unknown node: a box with the item, the item listed without a variable.
    EXPECT_FALSE(rig.ReadAsync("ns=1;s=No.Such.Node", "VCOUNT"));
    EXPECT_EQ(rig.TakeBoxes(), (std::vector<std::pair<std::string, std::string>>{
                                   {"Failed to Add Item ", "ns=1;s=No.Such.Node"}}));

    // READSYNC reads only listed items; the first WRITESYNC lists an item, and the server sees
    // the write.
    EXPECT_EQ(rig.ReadSync("ns=1;s=Types.Double"), "");
    EXPECT_TRUE(rig.WriteSync("ns=1;s=Types.Double", "2.5"));
    EXPECT_EQ(sim.WriteLine("ns=1;s=Types.Double"), "write ns=1;s=Types.Double = 2.5");
    EXPECT_EQ(rig.ReadSync("ns=1;s=Types.Double"), "2.5");
    EXPECT_TRUE(rig.WriteSync("ns=1;s=Types.Double", "-0.125"));
    EXPECT_EQ(rig.ReadSync(" ns=1;s=Types.Double "), "-0.125");
    EXPECT_EQ(rig.ReadSync("Types/Int32"), rig.store.GetGlobalText("VINT"));

    // A write the node cannot take fails; on first use the failure is the registration's.
    EXPECT_FALSE(rig.WriteSync("ns=1;s=Types.Double", "twelve"));
    EXPECT_TRUE(rig.TakeBoxes().empty());
    EXPECT_FALSE(rig.WriteSync("ns=1;s=Also.Not.There", "1"));
    EXPECT_EQ(rig.TakeBoxes(), (std::vector<std::pair<std::string, std::string>>{
                                   {"Data Write Failure", "ns=1;s=Also.Not.There"}}));

    // Texts are code-page bytes on the unit's side and UTF-8 on the server's.
    const std::string greeting = platform::Utf8ToCodePage("Grüße");
    EXPECT_TRUE(rig.WriteSync("ns=1;s=Types.String", greeting));
    EXPECT_EQ(sim.WriteLine("ns=1;s=Types.String"), "write ns=1;s=Types.String = Grüße");
    EXPECT_EQ(rig.ReadSync("ns=1;s=Types.String"), greeting);
    const std::string longText(300, 'x');
    EXPECT_TRUE(rig.WriteSync("ns=1;s=Types.String", longText.substr(0, 255)));
    EXPECT_EQ(rig.ReadSync("ns=1;s=Types.String"), longText.substr(0, 255));

    EXPECT_EQ(runtime::opc::Items(),
              (std::vector<std::string>{"Types/Int32", "ns=1;s=No.Such.Node", "ns=1;s=Types.Double",
                                        "ns=1;s=Also.Not.There", "ns=1;s=Types.String"}));
    EXPECT_EQ(runtime::opc::Targets(), (std::vector<std::string>{"VINT", "", "", "", ""}));
}

TEST_F(OpcFunctions, DataChangesReachVariablesOfEveryTypeAtTheTimeBase) {
    ASSERT_TRUE(ConnectedToSim(50));

    struct Case {
        const char* node;
        const char* variable;
        const char* value;
    };
    const Case cases[] = {
        {"ns=1;s=Types.Boolean", "VBOOL", "True"}, {"ns=1;s=Types.Byte", "VBYTE", "200"},
        {"ns=1;s=Types.UInt16", "VWORD", "60000"}, {"ns=1;s=Types.Int32", "VINT", "-123456"},
        {"ns=1;s=Types.Float", "VSINGLE", "1.5"},  {"ns=1;s=Types.Double", "VDOUBLE", "3.25"},
        {"ns=1;s=Types.Int16", "VREAL", "-7"},     {"ns=1;s=Types.String", "VSTRING", "Grüße"},
    };
    rig.store.SetDouble("VBAD", 7.0);
    for (const Case& c : cases)
        ASSERT_TRUE(rig.ReadAsync(c.node, c.variable)) << c.node;
    // Listed items: the writes need no registration.
    for (const Case& c : cases)
        EXPECT_TRUE(rig.WriteSync(c.node, platform::Utf8ToCodePage(c.value))) << c.node;
    EXPECT_TRUE(rig.ReadAsync("Status/Bad", "VBAD"));
    EXPECT_TRUE(rig.ReadAsync("Counter", "VCOUNT"));

    EXPECT_TRUE(OpcEventually(
        [&] {
            return rig.store.GetBoolean("VBOOL") && rig.store.GetByte("VBYTE") == 200 &&
                   rig.store.GetWord("VWORD") == 60000 && rig.store.GetInteger("VINT") == -123456 &&
                   rig.store.GetSingle("VSINGLE") == 1.5f &&
                   rig.store.GetDouble("VDOUBLE") == 3.25 && rig.store.GetReal("VREAL") == -7 &&
                   rig.store.GetString("VSTRING") == platform::Utf8ToCodePage("Grüße");
        },
        3s));

    // A change made on the server arrives; the counter (every 100 ms) is seen changing at the
    // 50 ms time base, many times within two seconds.
    EXPECT_TRUE(rig.WriteSync("ns=1;s=Types.Int32", "42"));
    EXPECT_TRUE(OpcEventually([&] { return rig.store.GetInteger("VINT") == 42; }, 2s));
    std::set<std::int32_t> counts;
    OpcEventually(
        [&] {
            counts.insert(rig.store.GetInteger("VCOUNT"));
            return counts.size() >= 8;
        },
        2s);
    EXPECT_GE(counts.size(), 8u);
    // A value whose status is bad never reaches its variable.
    EXPECT_EQ(rig.store.GetDouble("VBAD"), 7.0);
    EXPECT_GE(runtime::opc::DeliveredValues(), 9u);
}

TEST_F(OpcFunctions, DeliveryTakesOnlyGoodValuesForListedVariables) {
    ASSERT_TRUE(ConnectedToSim(1000));
    ASSERT_TRUE(rig.ReadAsync("ns=1;s=Types.Int32", "VINT"));
    ASSERT_TRUE(rig.WriteSync("ns=1;s=Types.Double", "1"));   // handle 1, no variable
    ASSERT_TRUE(rig.ReadAsync("ns=1;s=Types.Byte", "VBYTE")); // handle 2
    ASSERT_TRUE(rig.Close());
    rig.store.SetInteger("VINT", 5);
    rig.store.SetByte("VBYTE", 6);

    using shell::OpcDataChange;
    constexpr std::uint32_t kBadSensorFailure = 0x808B0000;
    constexpr std::uint32_t kUncertain = 0x40000000;
    // Bad and uncertain values, a handle without a variable, handles past the lists and a text
    // the variable cannot take change nothing.
    runtime::opc::DeliverDataChanges(&rig.store, {OpcDataChange{0, kBadSensorFailure, ""},
                                                  OpcDataChange{0, kUncertain, "9"},
                                                  OpcDataChange{1, 0, "10"}});
    runtime::opc::DeliverDataChanges(&rig.store,
                                     {OpcDataChange{3, 0, "11"}, OpcDataChange{0xFFFFFFFF, 0, "12"},
                                      OpcDataChange{2, 0, "256"}});
    EXPECT_EQ(rig.store.GetInteger("VINT"), 5);
    EXPECT_EQ(rig.store.GetByte("VBYTE"), 6);
    runtime::opc::DeliverDataChanges(nullptr, {OpcDataChange{0, 0, "13"}});

    // Good values reach their variables in order; a notification stops after as many changes
    // as there are variables listed.
    runtime::opc::DeliverDataChanges(&rig.store,
                                     {OpcDataChange{2, 0, "7"}, OpcDataChange{0, 0, "8"},
                                      OpcDataChange{0, 0, "9"}, OpcDataChange{2, 0, "10"}});
    EXPECT_EQ(rig.store.GetInteger("VINT"), 9);
    EXPECT_EQ(rig.store.GetByte("VBYTE"), 7);
}

TEST_F(OpcFunctions, CloseKeepsTheListsAndANewConnectMonitorsThemAgain) {
    ASSERT_TRUE(ConnectedToSim(50));
    ASSERT_TRUE(rig.ReadAsync("ns=1;s=Types.Int32", "VINT"));
    ASSERT_TRUE(rig.WriteSync("ns=1;s=Types.Double", "4.5"));
    ASSERT_TRUE(rig.WriteSync("ns=1;s=Types.Int32", "31"));
    ASSERT_TRUE(OpcEventually([&] { return rig.store.GetInteger("VINT") == 31; }, 2s));
    ASSERT_TRUE(rig.Close());

    // While closed: the lists stay, reads and writes fail and nothing arrives.
    const std::vector<std::string> items = runtime::opc::Items();
    EXPECT_EQ(items.size(), 2u);
    EXPECT_EQ(rig.ReadSync("ns=1;s=Types.Double"), "");
    EXPECT_FALSE(rig.WriteSync("ns=1;s=Types.Double", "1"));
    EXPECT_FALSE(rig.ReadAsync("ns=1;s=Types.Int32", "VCOUNT"));
    rig.store.SetInteger("VINT", 0);

    // Connected again: the listed item with a variable sends its value again.
    ASSERT_EQ(rig.Connect(sim.Url(), kGroup, 50), "Connected to OPC server");
    EXPECT_TRUE(OpcEventually([&] { return rig.store.GetInteger("VINT") == 31; }, 3s));
    EXPECT_EQ(rig.ReadSync("ns=1;s=Types.Double"), "4.5");
    EXPECT_EQ(runtime::opc::Items(), items);
    EXPECT_TRUE(rig.TakeBoxes().empty());
}

TEST_F(OpcFunctions, ValuesFlowAgainAfterAServerRestartAndCallsNeverHang) {
    ASSERT_TRUE(ConnectedToSim(50));
    ASSERT_TRUE(rig.ReadAsync("Counter", "VCOUNT"));
    ASSERT_TRUE(OpcEventually([&] { return rig.store.GetInteger("VCOUNT") > 0; }, 3s));

    sim.Kill();
    // During the outage every call returns within the service timeout (and a margin), without
    // a fault of the unit.
    for (int i = 0; i < 5; ++i) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(rig.ReadSync("Counter"), "");
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms);
    }
    EXPECT_EQ(rig.Connect(sim.Url(), kGroup, 50), "Already Connected to OPC server");

    rig.store.SetInteger("VCOUNT", -1);
    sim.Start();
    EXPECT_TRUE(OpcEventually([&] { return rig.store.GetInteger("VCOUNT") != -1; }, 10s));
    EXPECT_TRUE(OpcEventually([&] { return !rig.ReadSync("Counter").empty(); }, 3s));
}

} // namespace
