// Quorva run-time. Licensed under the MIT licence.
// The OPC client functions against a second, independent OPC UA server (node-opcua, in
// tests/interop/opcua-node): connect, read, write and read back, subscribe. Skipped (exit code
// 77) when Node.js or the server's packages (scripts/setup.sh installs them) are missing.
#include "../engine/GlobalsProject.h"
#include "../runtime/OpcTestProcess.h"
#include "engine/VariableStore.h"
#include "platform/CodePage.h"
#include "runtime/OpcFunctions.h"
#include "runtime/Services.h"
#include "shell/MessagePresenter.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

class InteropPresenter final : public shell::MessagePresenter {
public:
    std::int32_t Show(const std::string& caption, const std::string& text, std::uint32_t) override {
        ADD_FAILURE() << "box: " << caption << ": " << text;
        return 1;
    }
};

using testsupport::OpcEventually;

// The node-opcua server on a free port, with its certificate store in a directory of its own.
class NodeServer {
public:
    explicit NodeServer(const std::string& option = {})
        : m_config(std::filesystem::temp_directory_path() /
                   ("quorva-opc-interop-" + std::to_string(::getpid()))),
          m_process(Arguments(option), {"XDG_CONFIG_HOME=" + m_config.string()}) {
        const std::string ready = m_process.WaitForLine(
            [](const std::string& line) { return line.rfind("ready ", 0) == 0; }, 60s);
        if (!ready.empty())
            port = ready.substr(6);
        const std::string space = m_process.WaitForLine(
            [](const std::string& line) { return line.rfind("namespace ", 0) == 0; }, 1s);
        if (!space.empty())
            namespaceIndex = space.substr(10);
    }
    ~NodeServer() {
        m_process.Stop();
        std::error_code ignored;
        std::filesystem::remove_all(m_config, ignored);
    }
    std::string Url() const { return "opc.tcp://127.0.0.1:" + port + "/interop"; }
    bool Wrote(const std::string& line) {
        return !m_process.WaitForLine([&](const std::string& text) { return text == line; }, 3s)
                    .empty();
    }

    std::string port;
    std::string namespaceIndex;

private:
    static std::vector<std::string> Arguments(const std::string& option) {
        std::vector<std::string> arguments{"node",
                                           std::string(QUORVA_OPCUA_NODE_DIR) + "/server.js", "0"};
        if (!option.empty())
            arguments.push_back(option);
        return arguments;
    }

    std::filesystem::path m_config;
    testsupport::OpcTestProcess m_process;
};

TEST(OpcNodeInterop, ConnectReadWriteAndSubscribe) {
    using testsupport::ExportedGlobal;
    InteropPresenter presenter;
    testsupport::GlobalsProject project{
        "quorva-opc-interop-project",
        {ExportedGlobal("VDOUBLE", 25, 8), ExportedGlobal("VINT", 4, 4),
         ExportedGlobal("VBOOL", 3, 1), ExportedGlobal("VSTRING", 9, 256),
         ExportedGlobal("VCOUNT", 4, 4)},
        1024,
        presenter};
    engine::VariableStore& store = project.store;
    runtime::Services services;
    services.variables = &store;

    NodeServer server;
    ASSERT_FALSE(server.port.empty()) << "the node-opcua server did not start";
    namespace opc = runtime::opc;
    ASSERT_EQ(opc::Connect(services, server.Url(), "Interop", 50), "Connected to OPC server");

    // Reads by browse path and by NodeId; the values as the server holds them.
    const std::string nodeInt = "ns=" + server.namespaceIndex + ";s=Interop.Int32";
    EXPECT_TRUE(opc::ReadAsync(services, "Interop/Double", "VDOUBLE"));
    EXPECT_TRUE(opc::ReadAsync(services, nodeInt, "VINT"));
    EXPECT_TRUE(opc::ReadAsync(services, "Interop/Boolean", "VBOOL"));
    EXPECT_TRUE(opc::ReadAsync(services, "Interop/String", "VSTRING"));
    EXPECT_TRUE(opc::ReadAsync(services, "Interop/Counter", "VCOUNT"));
    EXPECT_EQ(opc::ReadSync("Interop/Double"), "21.5");
    EXPECT_EQ(opc::ReadSync(nodeInt), "-42");
    EXPECT_EQ(opc::ReadSync("Interop/Boolean"), "True");
    EXPECT_EQ(opc::ReadSync("Interop/String"), platform::Utf8ToCodePage("héllo"));

    // The subscription delivers the values, and the counter's changes.
    EXPECT_TRUE(OpcEventually(
        [&] {
            return store.GetDouble("VDOUBLE") == 21.5 && store.GetInteger("VINT") == -42 &&
                   store.GetBoolean("VBOOL") &&
                   store.GetString("VSTRING") == platform::Utf8ToCodePage("héllo");
        },
        5s));
    std::set<std::int32_t> counts;
    OpcEventually(
        [&] {
            counts.insert(store.GetInteger("VCOUNT"));
            return counts.size() >= 5;
        },
        5s);
    EXPECT_GE(counts.size(), 5u);

    // Writes of every type, seen by the server, read back and delivered.
    const std::string prefix = "write ns=" + server.namespaceIndex + ";s=Interop.";
    EXPECT_TRUE(opc::WriteSync(services, "Interop/Double", "-3.125"));
    EXPECT_TRUE(server.Wrote(prefix + "Double = -3.125"));
    EXPECT_EQ(opc::ReadSync("Interop/Double"), "-3.125");
    EXPECT_TRUE(opc::WriteSync(services, nodeInt, "2147483647"));
    EXPECT_TRUE(server.Wrote(prefix + "Int32 = 2147483647"));
    EXPECT_EQ(opc::ReadSync(nodeInt), "2147483647");
    EXPECT_FALSE(opc::WriteSync(services, nodeInt, "2147483648"));
    EXPECT_TRUE(opc::WriteSync(services, "Interop/Boolean", "False"));
    EXPECT_TRUE(server.Wrote(prefix + "Boolean = false"));
    EXPECT_EQ(opc::ReadSync("Interop/Boolean"), "False");
    EXPECT_TRUE(opc::WriteSync(services, "Interop/String", platform::Utf8ToCodePage("Grüße")));
    EXPECT_TRUE(server.Wrote(prefix + "String = Grüße"));
    EXPECT_EQ(opc::ReadSync("Interop/String"), platform::Utf8ToCodePage("Grüße"));
    EXPECT_TRUE(OpcEventually(
        [&] {
            return store.GetDouble("VDOUBLE") == -3.125 && store.GetInteger("VINT") == 2147483647 &&
                   !store.GetBoolean("VBOOL") &&
                   store.GetString("VSTRING") == platform::Utf8ToCodePage("Grüße");
        },
        5s));

    EXPECT_TRUE(opc::Close());
    opc::EndOpcClient();
}

TEST(OpcNodeInterop, ARefusedSubscriptionLeavesTheClientUnconnected) {
    NodeServer server("--refuse-subscriptions");
    ASSERT_FALSE(server.port.empty()) << "the node-opcua server did not start";
    runtime::Services services;
    namespace opc = runtime::opc;
    EXPECT_EQ(opc::Connect(services, server.Url(), "Interop", 100),
              "Unable to add Interop to server");
    EXPECT_FALSE(opc::Close());
    EXPECT_EQ(opc::ReadSync("Interop/Double"), "");
    EXPECT_FALSE(opc::WriteSync(services, "Interop/Double", "1"));
    opc::EndOpcClient();
}

} // namespace

int main(int argc, char** argv) {
    const std::filesystem::path modules =
        std::filesystem::path(QUORVA_OPCUA_NODE_DIR) / "node_modules" / "node-opcua-server";
    if (!std::filesystem::exists(modules)) {
        std::printf("SKIPPED: the node-opcua server is not installed (%s missing); "
                    "scripts/setup.sh installs it with npm\n",
                    modules.c_str());
        return 77;
    }
    if (std::system("node --version >/dev/null 2>&1") != 0) {
        std::printf("SKIPPED: Node.js (node) is not on the PATH\n");
        return 77;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
