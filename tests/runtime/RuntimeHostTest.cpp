// Quorva run-time. Licensed under the MIT licence.
#include "runtime/RuntimeHost.h"

#include "TestSupport.h"
#include "platform/Log.h"
#include "platform/SharedMemory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <thread>

namespace {

namespace fs = std::filesystem;

// A project directory holding the demo's tank units, as the current directory, with a shell
// context and the unit engine over it.
class RuntimeHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetInstanceName(testsupport::UniqueInstanceName());
        for (const char* unit : {"MVARGLOB.QRU", "TANK.QRU"})
            fs::copy_file(fs::path(QUORVA_DEMO_UNITS) / unit, m_dir / unit);
        testsupport::WriteFile(m_dir / "rtquorva", "no package here");
        m_cwd.emplace(m_dir.Path());
        shell::ShellSettings settings;
        settings.packageFile = (m_dir / "rtquorva").string();
        settings.headless = true;
        auto context = shell::ShellContext::Create(settings);
        ASSERT_TRUE(context.IsOk()) << context.Error();
        m_shell = std::move(context.Value());
        auto host = runtime::RuntimeHost::Create(*m_shell, {});
        ASSERT_TRUE(host.IsOk()) << host.Error();
        m_host = std::move(host.Value());
        m_host->StartupFlags(true, false);
    }

    void TearDown() override { m_host.reset(); }

    testsupport::TempDir m_dir;
    std::optional<testsupport::ScopedCurrentDir> m_cwd;
    std::unique_ptr<shell::ShellContext> m_shell;
    std::unique_ptr<runtime::RuntimeHost> m_host;
};

} // namespace

TEST_F(RuntimeHostTest, UnitsLoadAndUnloadWhileTheScanRunsThem) {
    std::mutex logMutex;
    std::vector<std::string> errors;
    platform::log::Sink previous =
        platform::log::SetSink([&](platform::LogLevel level, std::string_view text) {
            if (level >= platform::LogLevel::Warning) {
                std::lock_guard lock(logMutex);
                errors.emplace_back(text);
            }
        });

    ASSERT_FALSE(m_host->LoadUnit("TANK.QRU").has_value());
    auto everyPass = [this] {
        if (engine::TProgRun* tank = m_host->Loader().FindProgram("TANK"))
            tank->period = 10;
    };
    everyPass();

    // The scan thread runs passes without pause; the tank unit writes its own variables and the
    // globals on every pass, while this thread unloads and loads it again and again.
    std::atomic<bool> stop{false};
    std::atomic<int> passes{0};
    std::thread scan([&] {
        while (!stop) {
            m_host->RunScanPass();
            ++passes;
        }
    });
    int reloads = 0;
    for (; reloads < 150; ++reloads) {
        ASSERT_GE(m_host->Loader().UnloadUnit("TANK"), 0);
        ASSERT_FALSE(m_host->LoadUnit("TANK.QRU").has_value()) << m_host->Loader().LoadError();
        everyPass();
    }
    const std::int32_t cyclesBefore = m_host->Store().GetInteger("CYCLES");
    const int passesBefore = passes;
    while (passes < passesBefore + 20)
        std::this_thread::yield();
    stop = true;
    scan.join();
    platform::log::SetSink(std::move(previous));

    EXPECT_TRUE(errors.empty()) << errors.front();
    EXPECT_GT(m_host->Store().GetInteger("CYCLES"), cyclesBefore) << "the unit still runs";
    engine::TProgRun* tank = m_host->Loader().FindProgram("TANK");
    ASSERT_NE(tank, nullptr);
    EXPECT_EQ(tank->runState.load(), engine::RunState::Run) << "never held by a fault";
    EXPECT_EQ(reloads, 150);
}

TEST_F(RuntimeHostTest, FinalPassAfterStopSeesTheEndOfTheProgram) {
    ASSERT_FALSE(m_host->LoadUnit("TANK.QRU").has_value());
    m_host->Loader().FindProgram("TANK")->period = 10;
    m_host->RunScanPass();
    const std::int32_t cycles = m_host->Store().GetInteger("CYCLES");
    m_host->StopScheduler();
    m_host->SetEndProgram(true);
    m_host->RunScanPass(); // the final pass
    m_host->RunScanPass(); // runs nothing
    EXPECT_EQ(m_host->Store().GetInteger("CYCLES"), cycles + 1);
}
