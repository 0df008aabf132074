// Quorva run-time. Licensed under the MIT licence.
#include "runtime/DdeCommands.h"

#include "../screens/TestVariables.h"
#include "screens/ClassDataIo.h"
#include "screens/ClassLayouts.h"
#include "screens/DdeConversations.h"
#include "screens/ScreenGlobals.h"
#include "screens/ServiceClasses.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace cmd = runtime::screencmd;
using runtime::ShortString;

namespace {

// Answers "value of <topic>/<item>" and notes every call in a journal.
class RecordingConversation final : public screens::DdeConversation {
public:
    explicit RecordingConversation(std::vector<std::string>& journal) : m_journal(journal) {}
    bool Open(std::string_view server, std::string_view, std::string_view) override {
        return Note("open " + std::string(server));
    }
    bool Execute(std::string_view macro) override { return Note("macro " + std::string(macro)); }
    std::optional<std::string> Request(std::string_view topic, std::string_view item) override {
        Note("request " + std::string(topic) + "/" + std::string(item));
        return "value of " + std::string(topic) + "/" + std::string(item);
    }
    bool Poke(std::string_view topic, std::string_view item, std::string_view text) override {
        return Note("poke " + std::string(topic) + "/" + std::string(item) + "=" +
                    std::string(text));
    }
    void Close() override { Note("close"); }

private:
    bool Note(std::string text) {
        m_journal.push_back(std::move(text));
        return true;
    }
    std::vector<std::string>& m_journal;
};

class DdeCommands : public ::testing::Test {
protected:
    void SetUp() override {
        screens::Globals().Reset();
        screens::DdeConversations().CloseAll();
        screens::DdeConversations().SetFactory(
            [this] { return std::make_unique<RecordingConversation>(m_journal); });
    }
    void TearDown() override {
        screens::DdeConversations().CloseAll();
        screens::DdeConversations().SetFactory({});
        screens::Globals().Reset();
    }

    std::vector<std::string> m_journal;
};

} // namespace

TEST_F(DdeCommands, CommandsTalkToTheServerTheyOpenedAndShareItWithLinks) {
    // Nothing open: empty answers and false.
    EXPECT_EQ(cmd::DdeGetData(ShortString("Sheet1"), ShortString("R1C1")).Str(), "");
    EXPECT_FALSE(cmd::DdeSendData(ShortString("Sheet1"), ShortString("R1C1"), ShortString("1")));
    EXPECT_FALSE(cmd::DdeSendMacro(ShortString("[SAVE()]")));
    cmd::CloseDde();
    EXPECT_TRUE(m_journal.empty());

    cmd::OpenDde(ShortString("Excel"));
    EXPECT_EQ(cmd::DdeGetData(ShortString("Sheet1"), ShortString("R1C1")).Str(),
              "value of Sheet1/R1C1");
    EXPECT_TRUE(cmd::DdeSendData(ShortString("Sheet1"), ShortString("R2C1"), ShortString("7")));
    EXPECT_TRUE(cmd::DdeSendMacro(ShortString("[SAVE()]")));

    // A link on the same server, written otherwise, joins the commands' conversation.
    screens::testing::TestVariables variables;
    screens::Globals().variables = &variables;
    variables.Add("LEVEL", 9);
    screens::TCDDE link;
    screens::ClassData data = screens::DefaultClassData(*screens::FindClassLayout("TCDDE"));
    data.Find("dde.n1")->bytes = "EXCEL";
    data.Find("dde.n2")->bytes = "R3C1";
    data.Find("dde.n3")->bytes = "Sheet1";
    data.Find("dde.b1")->number = 1;
    data.Find("dde.n5")->bytes = "LEVEL";
    link.ReadData(&data);
    link.Run();
    EXPECT_EQ(screens::DdeConversations().Count(), 1u);
    EXPECT_EQ(variables.String("LEVEL"), "value of Sheet1/R3C1");

    cmd::CloseDde();
    EXPECT_EQ(screens::DdeConversations().Count(), 0u);
    EXPECT_EQ(m_journal,
              (std::vector<std::string>{"open Excel", "request Sheet1/R1C1", "poke Sheet1/R2C1=7",
                                        "macro [SAVE()]", "request Sheet1/R3C1", "close"}));
    EXPECT_FALSE(cmd::DdeSendMacro(ShortString("[SAVE()]")));
}

TEST_F(DdeCommands, WithoutADdeServiceNothingIsAnswered) {
    screens::DdeConversations().SetFactory({});
    cmd::OpenDde(ShortString("Excel"));
    EXPECT_EQ(screens::DdeConversations().Count(), 1u);
    EXPECT_EQ(cmd::DdeGetData(ShortString("Sheet1"), ShortString("R1C1")).Str(), "");
    EXPECT_FALSE(cmd::DdeSendData(ShortString("Sheet1"), ShortString("R1C1"), ShortString("1")));
    EXPECT_FALSE(cmd::DdeSendMacro(ShortString("[SAVE()]")));
    cmd::OpenDde(ShortString(""));
    EXPECT_EQ(screens::DdeConversations().Count(), 1u);
}
