// Quorva run-time. Licensed under the MIT licence.
#include "OpcTestSupport.h"
#include "TestSupport.h"
#include "shell/OpcClient.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

// Points the machine's configuration at a directory for the life of the object.
class ScopedMachineConfig {
public:
    explicit ScopedMachineConfig(const std::filesystem::path& home) {
        if (const char* previous = std::getenv("XDG_CONFIG_HOME"))
            m_previous = previous;
        ::setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    }
    ~ScopedMachineConfig() {
        if (m_previous)
            ::setenv("XDG_CONFIG_HOME", m_previous->c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
    }
    ScopedMachineConfig(const ScopedMachineConfig&) = delete;
    ScopedMachineConfig& operator=(const ScopedMachineConfig&) = delete;

private:
    std::optional<std::string> m_previous;
};

TEST(OpcServerTable, ReadsEntriesSkipsBadLinesAndLaterEntriesWin) {
    testsupport::TempDir project;
    testsupport::TempDir machine;
    testsupport::WriteFile(project / "quorva.ini",
                           "[Other]\n"
                           "Plant = opc.tcp://other:1\n"
                           "[OpcServers]\n"
                           "Plant = opc.tcp://plc1:4840/ua ; SignAndEncrypt ; operator\n"
                           "Secure = opc.tcp://s:4840 ; SignAndEncrypt ; operator ; pa;ss word\n"
                           "Bare = opc.tcp://host:4841\n"
                           "Signed = opc.tcp://h:1; sign\n"
                           "Broken = http://nope:80\n"
                           "NoValue\n"
                           "Weird = opc.tcp://h:2; Encrypt\n"
                           "host/Prog.1 = opc.tcp://h:3/path\n"
                           "Plant = opc.tcp://plc2:4840\n"
                           "Machine = opc.tcp://project:1\n");
    std::filesystem::create_directories(machine / "quorva");
    testsupport::WriteFile(machine / "quorva" / "quorva.ini",
                           "[opcservers]\nmachine = opc.tcp://machine:2\n");
    const ScopedMachineConfig machineConfig(machine.Path());
    opctest::LogCapture log;

    const shell::OpcServerTable table = shell::OpcServerTable::Load(project.Path().string());

    const auto plant = table.Resolve("PLANT");
    ASSERT_TRUE(plant);
    EXPECT_EQ(plant->url, "opc.tcp://plc2:4840");
    EXPECT_EQ(plant->security, shell::OpcSecurity::None);
    EXPECT_EQ(plant->user, "");

    const auto secure = table.Resolve("Secure");
    ASSERT_TRUE(secure);
    EXPECT_EQ(secure->url, "opc.tcp://s:4840");
    EXPECT_EQ(secure->security, shell::OpcSecurity::SignAndEncrypt);
    EXPECT_EQ(secure->user, "operator");
    EXPECT_EQ(secure->password, "pa;ss word");

    EXPECT_EQ(table.Resolve("Signed")->security, shell::OpcSecurity::Sign);
    EXPECT_EQ(table.Resolve("Bare")->url, "opc.tcp://host:4841");
    EXPECT_EQ(table.Resolve("HOST/prog.1")->url, "opc.tcp://h:3/path");
    EXPECT_EQ(table.Resolve("Machine")->url, "opc.tcp://machine:2");
    for (const char* skipped : {"Broken", "NoValue", "Weird", "Unknown", ""})
        EXPECT_FALSE(table.Resolve(skipped)) << skipped;
    for (const char* line : {":8: ", ":9: ", ":10: "})
        EXPECT_TRUE(log.Contains(line)) << line << "\n" << log.Text();

    // A URL is used as given, whatever the table says.
    const auto direct = table.Resolve("opc.tcp://10.0.0.7:4840/x");
    ASSERT_TRUE(direct);
    EXPECT_EQ(direct->url, "opc.tcp://10.0.0.7:4840/x");
    EXPECT_EQ(direct->security, shell::OpcSecurity::None);
}

TEST(OpcServerTable, AddedEntriesAndMissingFiles) {
    testsupport::TempDir empty;
    const ScopedMachineConfig machineConfig(empty.Path());
    shell::OpcServerTable table = shell::OpcServerTable::Load(empty.Path().string());
    EXPECT_FALSE(table.Resolve("Plant"));
    table.Add("Plant", shell::OpcEndpoint{"opc.tcp://a:1", {}, {}, {}});
    table.Add("plant", shell::OpcEndpoint{"opc.tcp://b:1", shell::OpcSecurity::Sign, {}, {}});
    EXPECT_EQ(table.Resolve("Plant")->url, "opc.tcp://b:1");
}

} // namespace
