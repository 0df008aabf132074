// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TestVariables.h"
#include "screens/ClassDataIo.h"
#include "screens/ClassLayouts.h"
#include "screens/DdeConversations.h"
#include "screens/ScreenGlobals.h"
#include "screens/ServiceClasses.h"

namespace {

// A conversation that answers requests with a fixed text and writes what is asked of it into a
// journal shared by every conversation of the test ("#1 open SERVER/topic/item").
class RecordingConversation final : public screens::DdeConversation {
public:
    RecordingConversation(std::vector<std::string>& journal, int number)
        : m_journal(journal), m_tag("#" + std::to_string(number) + " ")
    {
    }
    bool Open(std::string_view server, std::string_view topic, std::string_view item) override
    {
        return Note("open " + std::string(server) + "/" + std::string(topic) + "/" +
                    std::string(item));
    }
    bool Execute(std::string_view macro) override { return Note("macro " + std::string(macro)); }
    std::optional<std::string> Request(std::string_view topic, std::string_view item) override
    {
        Note("request " + std::string(topic) + "/" + std::string(item));
        return std::string("42");
    }
    bool Poke(std::string_view topic, std::string_view item, std::string_view text) override
    {
        return Note("poke " + std::string(topic) + "/" + std::string(item) + "=" +
                    std::string(text));
    }
    void Close() override { Note("close"); }

private:
    bool Note(std::string text)
    {
        m_journal.push_back(m_tag + std::move(text));
        return true;
    }
    std::vector<std::string>& m_journal;
    std::string m_tag;
};

class DdeLinks : public ::testing::Test {
protected:
    void SetUp() override
    {
        screens::Globals().Reset();
        screens::Globals().variables = &m_variables;
        screens::DdeConversations().CloseAll();
        screens::DdeConversations().SetFactory(
            [this] { return std::make_unique<RecordingConversation>(m_journal, ++m_made); });
        m_variables.Add("LEVEL", 4);
        m_variables.Add("ENABLED", 3);
    }
    void TearDown() override
    {
        screens::DdeConversations().SetEnding(false);
        screens::DdeConversations().CloseAll();
        screens::DdeConversations().SetFactory({});
        screens::Globals().Reset();
    }

    static void Bind(screens::TCDDE& link, const char* server, const char* macro, bool request,
                     const char* condition = "")
    {
        screens::ClassData data = screens::DefaultClassData(*screens::FindClassLayout("TCDDE"));
        data.Find("dde.n1")->bytes = server;
        data.Find("dde.n2")->bytes = "R1C1";
        data.Find("dde.n3")->bytes = "Sheet1";
        data.Find("dde.n4")->bytes = macro;
        data.Find("dde.b1")->number = request ? 1 : 0;
        data.Find("dde.n5")->bytes = "LEVEL";
        data.Find("dde.n6")->bytes = condition;
        link.ReadData(&data);
    }

    std::vector<std::string> m_journal;
    int m_made = 0;
    screens::testing::TestVariables m_variables;
};

} // namespace

TEST_F(DdeLinks, LinksNamingOneServerInAnyCaseShareOneConversation)
{
    m_variables.SetInteger("LEVEL", 17);
    screens::TCDDE poke;
    screens::TCDDE request;
    Bind(poke, "Excel", "", false);
    Bind(request, "EXCEL", "", true);
    poke.Run();
    request.Run();
    EXPECT_EQ(m_made, 1);
    EXPECT_EQ(screens::DdeConversations().Count(), 1u);
    EXPECT_EQ(m_journal,
              (std::vector<std::string>{"#1 open Excel/Sheet1/R1C1", "#1 poke Sheet1/R1C1=17",
                                        "#1 request Sheet1/R1C1"}));
    EXPECT_EQ(m_variables.Number("LEVEL"), 42) << "the answer goes into the variable";

    // While the application ends, the links close their server's conversation and do no work.
    m_journal.clear();
    screens::DdeConversations().SetEnding(true);
    poke.Run();
    request.Run();
    EXPECT_EQ(m_journal, std::vector<std::string>{"#1 close"});
    EXPECT_EQ(screens::DdeConversations().Count(), 0u);
}

TEST_F(DdeLinks, ConditionAndMacroDecideWhatALinkDoes)
{
    screens::TCDDE macro;
    Bind(macro, "srv", "[RUN(\"M1\")]", true, "ENABLED");
    macro.Run();
    EXPECT_TRUE(m_journal.empty()) << "a false condition stops the link";
    m_variables.SetBoolean("ENABLED", true);
    macro.Run();
    EXPECT_EQ(m_journal,
              (std::vector<std::string>{"#1 open srv/Sheet1/R1C1", "#1 macro [RUN(\"M1\")]"}));

    // A condition variable that does not exist switches the link off for good.
    screens::TCDDE unknown;
    Bind(unknown, "srv", "", false, "NOSUCH");
    m_journal.clear();
    unknown.Run();
    EXPECT_TRUE(m_journal.empty());
}

TEST_F(DdeLinks, WithoutADdeServiceRequestsLeaveTheVariableUnchanged)
{
    screens::DdeConversations().SetFactory({});
    m_variables.SetInteger("LEVEL", 5);
    screens::TCDDE request;
    Bind(request, "Excel", "", true);
    request.Run();
    request.Run();
    EXPECT_EQ(m_variables.Number("LEVEL"), 5);
    screens::DdeConversation* conversation = screens::DdeConversations().Find("excel");
    ASSERT_NE(conversation, nullptr);
    EXPECT_FALSE(conversation->Poke("t", "i", "v"));
    EXPECT_FALSE(conversation->Execute("m"));
}
