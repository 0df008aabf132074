// Quorva run-time. Licensed under the MIT licence.
#include "OpcTestSupport.h"
#include "shell/OpcClient.h"

#include <gtest/gtest.h>

namespace {

using namespace opctest;
using shell::OpcClient;
using shell::OpcConnectResult;
using shell::OpcEndpoint;

shell::OpcTimeouts ReconnectTimeouts() {
    shell::OpcTimeouts timeouts;
    timeouts.connect = 1000ms;
    timeouts.service = 1000ms;
    timeouts.reconnectInterval = 250ms;
    return timeouts;
}

std::size_t Occurrences(const std::string& text, std::string_view part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

TEST(OpcReconnect, ServerRestartBringsTheItemsBack) {
    LogCapture log;
    SimProcess sim;
    ChangeLog changes;
    OpcClient client(changes.Sink(), ReconnectTimeouts());
    ASSERT_EQ(client.Connect(OpcEndpoint{sim.Url(), {}, {}, {}}, 50ms),
              OpcConnectResult::Connected);
    ASSERT_TRUE(client.AddItem("Counter", 1));
    ASSERT_TRUE(WaitUntil(3s, [&] { return !changes.Of(1).empty(); }));

    sim.Kill();
    ASSERT_TRUE(WaitUntil(5s, [&] { return !client.LinkUp(); }));
    EXPECT_TRUE(client.Connected());
    EXPECT_TRUE(log.Contains("OPC: lost the connection to " + sim.Url())) << log.Text();

    // While the link is down reads and writes fail at once; items are kept for later.
    const auto start = Clock::now();
    const auto read = client.ReadText("Counter");
    EXPECT_FALSE(read);
    EXPECT_FALSE(client.WriteText("Types/Int32", "5"));
    EXPECT_LT(Clock::now() - start, 100ms);
    EXPECT_NE(read.Error().find("down"), std::string::npos) << read.Error();
    EXPECT_TRUE(client.AddItem("Plant/Tank/Level", 2));
    EXPECT_TRUE(client.AddItem("Plant/Tank/NoSuchNode", 3));

    changes.Clear();
    ASSERT_TRUE(sim.Start());
    ASSERT_TRUE(WaitUntil(10s, [&] { return !changes.Of(1).empty() && !changes.Of(2).empty(); }))
        << log.Text();
    EXPECT_TRUE(client.LinkUp());
    EXPECT_TRUE(client.ReadText("Counter"));
    EXPECT_TRUE(log.Contains("is re-established; 2 of 3 items monitored")) << log.Text();
    EXPECT_TRUE(log.Contains("NoSuchNode")) << log.Text();
    // Said once, however many attempts it took.
    EXPECT_EQ(Occurrences(log.Text(), "lost the connection"), 1u) << log.Text();
    EXPECT_TRUE(client.Close());
}

TEST(OpcReconnect, CloseWhileDownStopsTheRetries) {
    LogCapture log;
    SimProcess sim;
    OpcClient client(nullptr, ReconnectTimeouts());
    ASSERT_EQ(client.Connect(OpcEndpoint{sim.Url(), {}, {}, {}}, 50ms),
              OpcConnectResult::Connected);
    sim.Kill();
    ASSERT_TRUE(WaitUntil(5s, [&] { return !client.LinkUp(); }));
    // No subscription could be deleted: false, and the client is closed all the same.
    EXPECT_FALSE(client.Close());
    EXPECT_FALSE(client.Connected());
    ASSERT_TRUE(sim.Start());
    std::this_thread::sleep_for(600ms);
    EXPECT_FALSE(client.LinkUp());
    EXPECT_FALSE(log.Contains("re-established")) << log.Text();
    // A new Connect works as ever.
    EXPECT_EQ(client.Connect(OpcEndpoint{sim.Url(), {}, {}, {}}, 50ms),
              OpcConnectResult::Connected);
}

TEST(OpcReconnect, SimulatorStopsCleanlyOnTerminate) {
    SimProcess sim;
    const int status = sim.Terminate();
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
