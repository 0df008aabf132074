// Quorva run-time. Licensed under the MIT licence.
#include "engine/QruWriter.h"

#include "QruSamples.h"
#include "engine/QruReader.h"

#include <gtest/gtest.h>

namespace {

engine::QruModule ReadBack(const std::string& bytes) {
    auto read = engine::ReadQruModule(bytes);
    if (auto* error = std::get_if<engine::QruError>(&read)) {
        ADD_FAILURE() << error->message;
        return {};
    }
    return std::get<engine::QruModule>(read);
}

TEST(QruWriter, WritesTheExactLayout) {
    // The samples' bytes were laid out by hand, repeated fix-up names as the 0 byte.
    EXPECT_EQ(engine::WriteQruModule(qrutest::ExcelSampleModule()), qrutest::ExcelSampleBytes());
    EXPECT_EQ(engine::WriteQruModule(qrutest::FullSampleModule()), qrutest::FullSampleBytes());
    EXPECT_EQ(engine::WriteQruModule(qrutest::FullSampleModule(false)),
              qrutest::FullSampleBytes(false));
}

TEST(QruWriter, RoundTripGivesTheSameModule) {
    for (const engine::QruModule& module :
         {qrutest::ExcelSampleModule(), qrutest::FullSampleModule(), engine::QruModule{}}) {
        ASSERT_TRUE(engine::CheckQruModule(module));
        EXPECT_EQ(ReadBack(engine::WriteQruModule(module)), module);
    }
    // Every name different, then every name the same: only the first is spelled out.
    engine::QruModule module = qrutest::FullSampleModule(false);
    module.functionFixups = {{"A", 0}, {"B", 4}, {"A", 8}};
    EXPECT_EQ(ReadBack(engine::WriteQruModule(module)), module);
    module.functionFixups = {{"A", 0}, {"A", 4}, {"A", 8}, {"A", 12}};
    std::string bytes = engine::WriteQruModule(module);
    EXPECT_EQ(bytes.substr(bytes.size() - 22), std::string("\x01"
                                                           "A\0\0\0\0"
                                                           "\0\4\0\0\0"
                                                           "\0\x08\0\0\0"
                                                           "\0\x0c\0\0\0\xff",
                                                           22));
    EXPECT_EQ(ReadBack(bytes), module);
    // The code size and the attachments flag follow what the module holds.
    module.header.codeSize = 0;
    module.attachments = engine::QruAttachments{};
    engine::QruModule back = ReadBack(engine::WriteQruModule(module));
    EXPECT_EQ(back.header.codeSize, 24);
    EXPECT_TRUE(back.header.hasAttachments && back.attachments);
}

TEST(QruWriter, CheckRefusesWhatCannotBeWrittenOrRead) {
    auto refused = [](auto change) {
        engine::QruModule module = qrutest::FullSampleModule();
        change(module);
        return !engine::CheckQruModule(module);
    };
    EXPECT_FALSE(refused([](engine::QruModule&) {}));
    EXPECT_TRUE(refused([](engine::QruModule& m) { m.variables[1].name = std::string(256, 'A'); }));
    EXPECT_TRUE(refused([](engine::QruModule& m) { m.uses.push_back(std::string(300, 'U')); }));
    EXPECT_FALSE(
        refused([](engine::QruModule& m) { m.variableFixups[0].name = std::string(254, 'N'); }));
    EXPECT_TRUE(
        refused([](engine::QruModule& m) { m.variableFixups[0].name = std::string(255, 'N'); }));
    EXPECT_TRUE(refused([](engine::QruModule& m) { m.functionFixups[1].name.clear(); }));
    EXPECT_TRUE(refused([](engine::QruModule& m) { m.functionFixups[2].site = 21; }));
    EXPECT_TRUE(refused([](engine::QruModule& m) { m.mainEntry = 24; }));
    EXPECT_TRUE(refused([](engine::QruModule& m) { m.header.dataSize = 559; }));
    EXPECT_TRUE(refused([](engine::QruModule& m) { m.variables[2].size = -1; }));
    EXPECT_TRUE(refused([](engine::QruModule& m) { m.attachments->files[0].kind = "A B"; }));
    EXPECT_TRUE(refused([](engine::QruModule& m) { m.attachments->files.push_back({}); }));
}

} // namespace
