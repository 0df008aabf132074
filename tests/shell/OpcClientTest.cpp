// Quorva run-time. Licensed under the MIT licence.
#include "shell/OpcClient.h"

#include "OpcTestSupport.h"

#include <gtest/gtest.h>
#include <open62541/types.h>

namespace {

using namespace opctest;
using shell::OpcClient;
using shell::OpcConnectResult;
using shell::OpcEndpoint;

// One simulation server for the tests of this file (it starts in about a second).
class OpcClientTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_sim = new SimProcess({"--tank", "--items", "4", "--change-ms", "10"});
    }
    static void TearDownTestSuite() {
        delete s_sim;
        s_sim = nullptr;
    }
    static OpcEndpoint Endpoint() { return OpcEndpoint{s_sim->Url(), {}, {}, {}}; }

    static SimProcess* s_sim;
};

SimProcess* OpcClientTest::s_sim = nullptr;

TEST_F(OpcClientTest, ConnectsReadsWritesAndCloses) {
    ChangeLog changes;
    OpcClient client(changes.Sink());
    EXPECT_FALSE(client.Connected());
    EXPECT_FALSE(client.Close());
    EXPECT_FALSE(client.ReadText("ns=1;s=Counter"));
    EXPECT_FALSE(client.AddItem("ns=1;s=Counter", 1));

    ASSERT_EQ(client.Connect(Endpoint(), 50ms), OpcConnectResult::Connected);
    EXPECT_TRUE(client.Connected());
    EXPECT_TRUE(client.LinkUp());

    ASSERT_TRUE(client.WriteText("ns=1;s=Types.Int32", "-1234"));
    EXPECT_TRUE(s_sim->WaitForLine("write ns=1;s=Types.Int32 = -1234"));
    const auto text = client.ReadText("ns=1;s=Types.Int32");
    ASSERT_TRUE(text) << text.Error();
    EXPECT_EQ(text.Value(), "-1234");

    EXPECT_TRUE(client.Close());
    EXPECT_FALSE(client.Connected());
    EXPECT_FALSE(client.Close());
    EXPECT_FALSE(client.ReadText("ns=1;s=Types.Int32"));
}

} // namespace

namespace {

TEST_F(OpcClientTest, MonitoredItemsDeliverChangesUnderTheirHandles) {
    ChangeLog changes;
    OpcClient client(changes.Sink());
    ASSERT_EQ(client.Connect(Endpoint(), 20ms), OpcConnectResult::Connected);
    ASSERT_TRUE(client.AddItem("Counter", 7));
    ASSERT_TRUE(client.AddItem("ns=1;s=Plant.Tank.Level", 8));
    const auto added = client.AddItem("Plant/Tank/NoSuchNode", 9);
    ASSERT_FALSE(added);
    EXPECT_NE(added.Error().find("NoSuchNode"), std::string::npos) << added.Error();
    EXPECT_FALSE(client.AddItem("ns=1;s=No.Such.Node", 10));

    EXPECT_TRUE(WaitUntil(5s, [&] { return changes.Of(7).size() >= 3; }));
    EXPECT_TRUE(WaitUntil(5s, [&] { return !changes.Of(8).empty(); }));
    EXPECT_TRUE(changes.Of(9).empty());
    std::vector<shell::OpcDataChange> counter = changes.Of(7);
    ASSERT_GE(counter.size(), 3u);
    // The counter counts up: every change is the next number or a later one.
    for (std::size_t i = 1; i < counter.size(); ++i) {
        EXPECT_EQ(counter[i].status, 0u);
        EXPECT_GT(std::stoi(counter[i].text), std::stoi(counter[i - 1].text));
    }
    EXPECT_TRUE(client.Close());
}

} // namespace

namespace {

TEST_F(OpcClientTest, EveryTypeTakesItsTextsAndRefusesOthers) {
    OpcClient client(nullptr);
    ASSERT_EQ(client.Connect(Endpoint(), 100ms), OpcConnectResult::Connected);
    struct Case {
        const char* type;
        const char* written;
        const char* read;
    };
    const Case good[] = {
        {"Boolean", "true", "True"},
        {"Boolean", "0", "False"},
        {"Byte", "255", "255"},
        {"SByte", "-128", "-128"},
        {"Int16", "-32768", "-32768"},
        {"UInt16", "65535", "65535"},
        {"Int32", "+2147483647", "2147483647"},
        {"UInt32", "4294967295", "4294967295"},
        {"Int64", "-9223372036854775808", "-9223372036854775808"},
        {"UInt64", "18446744073709551615", "18446744073709551615"},
        {"Float", "0.1", "0.1"},
        {"Float", "-INF", "-INF"},
        {"Double", "0.30000000000000004", "0.30000000000000004"},
        {"Double", "nan", "NaN"},
        {"String", "Gr\xc3\xbc\xc3\x9f; = \"x\"", "Gr\xc3\xbc\xc3\x9f; = \"x\""},
        {"DateTime", "2024-02-29 13:45:07.123", "2024-02-29 13:45:07.123"},
    };
    for (const Case& c : good) {
        const std::string item = std::string("ns=1;s=Types.") + c.type;
        const auto written = client.WriteText(item, c.written);
        ASSERT_TRUE(written) << c.type << " " << c.written << ": " << written.Error();
        const auto read = client.ReadText(item);
        ASSERT_TRUE(read) << read.Error();
        EXPECT_EQ(read.Value(), c.read) << c.type;
        EXPECT_TRUE(s_sim->WaitForLine(std::string("write ") + item + " = " + c.read)) << c.type;
    }

    // Refused texts leave the value as it was.
    ASSERT_TRUE(client.WriteText("Types/Byte", "7"));
    const Case refused[] = {{"Byte", "256", ""},          {"Byte", "-1", ""},
                            {"SByte", "-129", ""},        {"UInt16", "65536", ""},
                            {"UInt32", "-1", ""},         {"Int64", "9223372036854775808", ""},
                            {"Int32", "12abc", ""},       {"Int32", "", ""},
                            {"Boolean", "yes", ""},       {"Float", "1e39", ""},
                            {"Double", "1,5", ""},        {"DateTime", "2023-02-29 00:00:00", ""},
                            {"DateTime", "yesterday", ""}};
    for (const Case& c : refused) {
        const std::string item = std::string("Types/") + c.type;
        const auto written = client.WriteText(item, c.written);
        EXPECT_FALSE(written) << c.type << " took " << c.written;
    }
    EXPECT_EQ(client.ReadText("Types/Byte").Value(), "7");
    // Read-only and unknown nodes.
    EXPECT_FALSE(client.WriteText("Plant/Tank/Level", "1"));
    EXPECT_FALSE(client.WriteText("ns=1;s=Bench.Item0000", "1"));
    EXPECT_FALSE(client.WriteText("Plant/Nothing", "1"));
    EXPECT_FALSE(client.ReadText("ns=1;s=Nothing"));
    EXPECT_FALSE(client.ReadText("ns=1;x=bad nodeid"));
}

TEST_F(OpcClientTest, ItemsByNodeIdAndBrowsePath) {
    OpcClient client(nullptr);
    ASSERT_EQ(client.Connect(Endpoint(), 100ms), OpcConnectResult::Connected);
    ASSERT_TRUE(client.WriteText("ns=1;s=Plant.Tank.Inflow", "2.5"));
    for (const char* item : {"ns=1;s=Plant.Tank.Inflow", "Plant/Tank/Inflow", "/Plant/Tank/Inflow",
                             "1:Plant/1:Tank/1:Inflow", "Plant/1:Tank/Inflow"}) {
        const auto read = client.ReadText(item);
        ASSERT_TRUE(read) << item << ": " << read.Error();
        EXPECT_EQ(read.Value(), "2.5") << item;
    }
    for (const char* item : {"2:Plant/Tank/Inflow", "Plant/Tank/inflow", "Plant//Inflow",
                             "Plant/Tank/Inflow/More", ""}) {
        EXPECT_FALSE(client.ReadText(item)) << item;
    }
    // Namespace zero nodes: the server's state, by NodeId and by path.
    EXPECT_EQ(client.ReadText("i=2259").Value(), "0");
    EXPECT_EQ(client.ReadText("Server/ServerStatus/State").Value(), "0");
}

TEST_F(OpcClientTest, ChangesComeAtTheIntervalAndBadStatusHasNoText) {
    ChangeLog changes;
    OpcClient client(changes.Sink());
    ASSERT_EQ(client.Connect(Endpoint(), 100ms), OpcConnectResult::Connected);
    const auto start = Clock::now();
    for (std::uint32_t i = 0; i < 4; ++i)
        ASSERT_TRUE(client.AddItem(fmt::format("Bench/Item{:04}", i), 100 + i));
    ASSERT_TRUE(client.AddItem("Status/Bad", 200));
    ASSERT_TRUE(client.AddItem("Status/Toggle", 201));

    // The items change every 10 ms; sampled every 100 ms, at most one change per interval.
    ASSERT_TRUE(WaitUntil(5s, [&] { return changes.Of(103).size() >= 6; }));
    const auto elapsed = Clock::now() - start;
    const std::size_t seen = changes.Of(103).size();
    EXPECT_LE(seen, static_cast<std::size_t>(elapsed / 100ms) + 2)
        << "changes faster than the interval";
    for (const shell::OpcDataChange& change : changes.Of(101)) {
        EXPECT_TRUE(shell::OpcStatusIsGood(change.status));
        EXPECT_FALSE(change.text.empty());
    }

    ASSERT_TRUE(WaitUntil(3s, [&] { return !changes.Of(200).empty(); }));
    EXPECT_EQ(changes.Of(200).front().status, UA_STATUSCODE_BADSENSORFAILURE);
    EXPECT_EQ(changes.Of(200).front().text, "");
    const auto read = client.ReadText("Status/Bad");
    ASSERT_FALSE(read);
    EXPECT_NE(read.Error().find("BadSensorFailure"), std::string::npos) << read.Error();

    // The toggling value: good with a text, then bad without, or the other way round.
    ASSERT_TRUE(WaitUntil(4s, [&] {
        bool good = false, bad = false;
        for (const shell::OpcDataChange& change : changes.Of(201)) {
            (shell::OpcStatusIsGood(change.status) ? good : bad) = true;
            EXPECT_EQ(change.text.empty(), !shell::OpcStatusIsGood(change.status));
        }
        return good && bad;
    }));
    // Nothing is delivered once Close has returned.
    EXPECT_TRUE(client.Close());
    const std::size_t delivered = changes.All().size();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(changes.All().size(), delivered);
}

TEST_F(OpcClientTest, StatusQualityFollowsSeverityAndLimits) {
    EXPECT_TRUE(shell::OpcStatusIsGood(UA_STATUSCODE_GOOD));
    EXPECT_TRUE(shell::OpcStatusIsGood(0x00000400u));  // Good, overflow bit only
    EXPECT_FALSE(shell::OpcStatusIsGood(0x00000100u)); // Good, limited low
    EXPECT_FALSE(shell::OpcStatusIsGood(UA_STATUSCODE_UNCERTAININITIALVALUE));
    EXPECT_FALSE(shell::OpcStatusIsGood(UA_STATUSCODE_BADSENSORFAILURE));
}

TEST_F(OpcClientTest, ConnectAgainAndCloseSemantics) {
    ChangeLog changes;
    OpcClient client(changes.Sink());
    ASSERT_EQ(client.Connect(Endpoint(), 50ms), OpcConnectResult::Connected);
    ASSERT_TRUE(client.AddItem("Counter", 1));
    // A second Connect replaces the session: the old items are gone.
    ASSERT_EQ(client.Connect(Endpoint(), 50ms), OpcConnectResult::Connected);
    changes.Clear();
    ASSERT_TRUE(client.AddItem("Plant/Tank/Level", 2));
    ASSERT_TRUE(WaitUntil(3s, [&] { return !changes.Of(2).empty(); }));
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(changes.Of(1).empty());
    EXPECT_TRUE(client.Close());
    EXPECT_FALSE(client.Close());
    EXPECT_FALSE(client.WriteText("Types/Int32", "1"));
    EXPECT_FALSE(client.AddItem("Counter", 3));
}

} // namespace

namespace {

TEST(OpcClientConnect, UnreachableAndSilentServersFailInTime) {
    shell::OpcTimeouts timeouts;
    timeouts.connect = 500ms;
    timeouts.service = 500ms;
    OpcClient client(nullptr, timeouts);
    const int nobody = FreePort();
    auto start = Clock::now();
    EXPECT_EQ(client.Connect(OpcEndpoint{UrlOf(nobody), {}, {}, {}}, 100ms),
              OpcConnectResult::Unreachable);
    EXPECT_LT(Clock::now() - start, 1500ms);
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(client.Connect(OpcEndpoint{"opc.tcp://no.such.host.invalid:4840", {}, {}, {}}, 100ms),
              OpcConnectResult::Unreachable);
    EXPECT_EQ(client.Connect(OpcEndpoint{"http://localhost:80", {}, {}, {}}, 100ms),
              OpcConnectResult::Unreachable);

    // A port that takes the connection and never says a word.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    start = Clock::now();
    EXPECT_EQ(client.Connect(OpcEndpoint{UrlOf(ntohs(address.sin_port)), {}, {}, {}}, 100ms),
              OpcConnectResult::Unreachable);
    EXPECT_LT(Clock::now() - start, timeouts.connect + timeouts.service + 500ms);
    EXPECT_FALSE(client.Connected());
    ::close(listener);
}

TEST(OpcClientConnect, UserAndPassword) {
    SimProcess sim({"--user", "operator", "--password", "se;cret"});
    const int port = sim.Port();
    OpcClient client(nullptr);
    EXPECT_EQ(client.Connect(OpcEndpoint{UrlOf(port), {}, {}, {}}, 100ms),
              OpcConnectResult::Unreachable);
    EXPECT_EQ(client.Connect(OpcEndpoint{UrlOf(port), {}, "operator", "wrong"}, 100ms),
              OpcConnectResult::Unreachable);
    ASSERT_EQ(client.Connect(OpcEndpoint{UrlOf(port), {}, "operator", "se;cret"}, 100ms),
              OpcConnectResult::Connected);
    EXPECT_TRUE(client.WriteText("Types/String", "by operator"));
    EXPECT_TRUE(sim.WaitForLine("write ns=1;s=Types.String = by operator"));
}

TEST(OpcClientConnect, SignedAndEncryptedChannels) {
    SimProcess sim({"--security"});
    const int port = sim.Port();
    for (shell::OpcSecurity security :
         {shell::OpcSecurity::Sign, shell::OpcSecurity::SignAndEncrypt}) {
        ChangeLog changes;
        OpcClient client(changes.Sink());
        ASSERT_EQ(client.Connect(OpcEndpoint{UrlOf(port), security, {}, {}}, 50ms),
                  OpcConnectResult::Connected);
        ASSERT_TRUE(client.AddItem("Counter", 5));
        EXPECT_TRUE(client.WriteText("Types/UInt16", "4242"));
        EXPECT_EQ(client.ReadText("Types/UInt16").Value(), "4242");
        EXPECT_TRUE(WaitUntil(3s, [&] { return !changes.Of(5).empty(); }));
        EXPECT_TRUE(client.Close());
    }
}

} // namespace
