// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "TestVariables.h"
#include "platform/Log.h"
#include "screens/ClassDataIo.h"
#include "screens/ClassLayouts.h"
#include "screens/RecipeFiles.h"
#include "screens/ScreenGlobals.h"
#include "screens/ServiceClasses.h"

namespace recipes = screens::recipes;

namespace {

void WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class LogCapture {
public:
    LogCapture()
    {
        m_previous =
            platform::log::SetSink([this](platform::LogLevel level, std::string_view text) {
                if (level >= platform::LogLevel::Warning)
                    lines.emplace_back(text);
            });
    }
    ~LogCapture() { platform::log::SetSink(std::move(m_previous)); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> lines;

private:
    platform::log::Sink m_previous;
};

// A project directory with a template "Batch.rct" naming three variables, the variables, and a
// saving and a loading recipe object on the trigger variables SAVE and LOAD.
class Recipes : public ::testing::Test {
protected:
    void SetUp() override
    {
        screens::Globals().Reset();
        screens::Globals().variables = &m_variables;
        screens::Globals().projectDirectory = m_dir.Path().string();
        WriteFile(m_dir / "batch.RCT", "Speed [rpm]\r\nNote [text]\r\n\r\nRunning\r\n");
        for (auto [name, type] : {std::pair{"SPEED", 5},
                                  {"NOTE", 9},
                                  {"RUNNING", 3},
                                  {"SAVE", 3},
                                  {"LOAD", 3},
                                  {"FILENAME", 9}})
            m_variables.Add(name, static_cast<std::uint8_t>(type));
    }
    void TearDown() override { screens::Globals().Reset(); }

    template <typename T> void Bind(T& recipe, const std::string& destination, const char* trigger)
    {
        screens::ClassData data = screens::DefaultClassData(*screens::FindClassLayout("TCFormule"));
        data.Find("formula.n1")->bytes = "Batch";
        data.Find("formula.n2")->bytes = destination;
        data.Find("formula.n3")->bytes = trigger;
        recipe.ReadData(&data);
        recipe.Run(); // resolves the trigger
    }

    // One rising edge of `trigger`, seen by `recipe`.
    void Pulse(screens::Component& recipe, const char* trigger)
    {
        m_variables.SetBoolean(trigger, false);
        recipe.Run();
        m_variables.SetBoolean(trigger, true);
        recipe.Run();
    }

    testsupport::TempDir m_dir;
    screens::testing::TestVariables m_variables;
};

} // namespace

TEST(RecipeFiles, ReadersSplitLinesAndRefuseDamagedFiles)
{
    auto lines = recipes::SplitLines("a\r\nb\nc");
    ASSERT_TRUE(lines);
    EXPECT_EQ(*lines, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(recipes::VariableNameOf("  Level [m] [x]  "), "Level [m]");
    EXPECT_EQ(recipes::VariableNameOf("[only]"), "");

    auto recipe = recipes::ReadRecipe("  Batch \r\n1\x01\x02two\r\n\r\n");
    ASSERT_TRUE(recipe);
    EXPECT_EQ(recipe->formula, "Batch");
    EXPECT_EQ(recipe->values, (std::vector<std::string>{"1\r\ntwo", ""}));
    EXPECT_TRUE(recipes::ReadRecipe("")) << "an empty file names no formula";

    EXPECT_FALSE(recipes::ReadRecipe(std::string(recipes::kMaxFileBytes + 1, 'x')));
    EXPECT_FALSE(recipes::ReadTemplate("B\n" + std::string(recipes::kMaxLineBytes + 1, 'x')));
    std::string manyLines;
    for (std::size_t i = 0; i <= recipes::kMaxLines; ++i)
        manyLines += "V\n";
    EXPECT_FALSE(recipes::ReadTemplate(manyLines));

    EXPECT_EQ(recipes::ParseDestination("  ' Batch 7 '  ").text, "Batch 7");
    EXPECT_TRUE(recipes::ParseDestination("' Batch 7 '").literal);
    EXPECT_EQ(recipes::ParseDestination("'unclosed ").text, "unclosed");
    EXPECT_FALSE(recipes::ParseDestination(" FILENAME ").literal);
    EXPECT_EQ(recipes::ParseDestination(" FILENAME ").text, "FILENAME");
}

TEST_F(Recipes, SaveThenLoadRestoresEveryValueIncludingLineBreaks)
{
    m_variables.SetReal("SPEED", 1450.5L);
    m_variables.SetString("NOTE", "first line\r\nsecond line\nthird");
    m_variables.SetBoolean("RUNNING", true);

    screens::TCFormule save;
    Bind(save, "'  Lot 12  '", "SAVE");
    Pulse(save, "SAVE");

    // The quoted destination is trimmed inside its quotes; an empty template line keeps its
    // place with an empty value.
    const std::filesystem::path file = m_dir / "Lot 12.For";
    ASSERT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(ReadFile(file),
              "Batch\r\n1450.5\r\nfirst line\x01\x02second line\x02third\r\n\r\nTrue\r\n");
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path()))
        EXPECT_NE(entry.path().extension(), ".tmp") << "no temporary file stays behind";

    m_variables.SetReal("SPEED", 0);
    m_variables.SetString("NOTE", "");
    m_variables.SetBoolean("RUNNING", false);
    m_variables.SetString("FILENAME", " Lot 12 ");
    screens::TCGFormule load;
    Bind(load, "FILENAME", "LOAD");
    Pulse(load, "LOAD");
    EXPECT_EQ(m_variables.Number("SPEED"), 1450.5L);
    EXPECT_EQ(m_variables.String("NOTE"), "first line\r\nsecond line\nthird");
    EXPECT_EQ(m_variables.Number("RUNNING"), 1);
}

TEST_F(Recipes, TriggerActsOncePerRisingEdge)
{
    m_variables.SetReal("SPEED", 1);
    const std::filesystem::path file = m_dir / "Lot.For";
    screens::TCFormule save;
    m_variables.SetBoolean("SAVE", true);
    Bind(save, "'Lot'", "SAVE");
    save.Run();
    EXPECT_FALSE(std::filesystem::exists(file)) << "true from the start is no rising edge";

    m_variables.SetBoolean("SAVE", false);
    save.Run();
    m_variables.SetBoolean("SAVE", true);
    save.Run();
    ASSERT_TRUE(std::filesystem::exists(file));

    // Held true: no further save, even when the values change.
    m_variables.SetReal("SPEED", 2);
    for (int i = 0; i < 5; ++i)
        save.Run();
    EXPECT_EQ(ReadFile(file).substr(0, 10), "Batch\r\n1\r\n");

    Pulse(save, "SAVE");
    EXPECT_EQ(ReadFile(file).substr(0, 10), "Batch\r\n2\r\n");
}

TEST_F(Recipes, MissingOrDamagedFilesChangeNothing)
{
    LogCapture log;
    m_variables.SetReal("SPEED", 7);

    // No template: no file is written.
    screens::TCFormule save;
    screens::ClassData data = screens::DefaultClassData(*screens::FindClassLayout("TCFormule"));
    data.Find("formula.n1")->bytes = "Unknown";
    data.Find("formula.n2")->bytes = "'Lot'";
    data.Find("formula.n3")->bytes = "SAVE";
    save.ReadData(&data);
    save.Run();
    Pulse(save, "SAVE");
    EXPECT_FALSE(std::filesystem::exists(m_dir / "Lot.For"));

    // No recipe file, a recipe naming no formula, one naming a formula without template, a file
    // that is too large: the variables stay as they are.
    screens::TCGFormule load;
    Bind(load, "'Lot'", "LOAD");
    Pulse(load, "LOAD");
    WriteFile(m_dir / "Lot.For", "   \r\n1\r\n");
    Pulse(load, "LOAD");
    WriteFile(m_dir / "Lot.For", "Unknown\r\n1\r\n");
    Pulse(load, "LOAD");
    EXPECT_TRUE(log.lines.empty());
    WriteFile(m_dir / "Lot.For", "Batch\r\n" + std::string(recipes::kMaxFileBytes, '1'));
    Pulse(load, "LOAD");
    EXPECT_EQ(m_variables.Number("SPEED"), 7);
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find("Lot.For"), std::string::npos) << log.lines[0];

    // Fewer values than the template names: the others stay; a value that does not convert is
    // logged and skipped.
    m_variables.SetString("NOTE", "kept");
    WriteFile(m_dir / "Lot.For", "Batch\r\nfast\r\n");
    Pulse(load, "LOAD");
    EXPECT_EQ(m_variables.Number("SPEED"), 7);
    EXPECT_EQ(m_variables.String("NOTE"), "kept");
    EXPECT_EQ(log.lines.size(), 2u);
}
