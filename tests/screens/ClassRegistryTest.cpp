// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "screens/ClassLayouts.h"
#include "screens/ClassRegistry.h"
#include "screens/Component.h"
#include "screens/ControlClasses.h"
#include "screens/GaugeClasses.h"
#include "screens/ListClasses.h"
#include "screens/ScreenGlobals.h"

using screens::ClassRegistry;
using screens::Component;

namespace {

class Plain : public Component {
public:
    Plain() : Component("PLAIN", 1) {}
};

screens::ComponentFactory PlainFactory()
{
    return [] { return std::make_unique<Plain>(); };
}

class ClassRegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        screens::Globals().Reset();
        screens::RegisterStandardClasses(screens::Globals().classes);
    }
    void TearDown() override { screens::Globals().Reset(); }
};

} // namespace

TEST_F(ClassRegistryTest, FindsARecordNameOnlyWhenItEqualsTheFirstTenCharactersOfAClassName)
{
    ClassRegistry registry;
    ASSERT_TRUE(registry.RegisterScreenClass("TCBUTTON", "", 121, PlainFactory()));
    ASSERT_TRUE(registry.RegisterScreenClass("PageControl", "CPAge", 145, PlainFactory()));

    EXPECT_EQ(registry.FindScreenClass("TCBUTTO"), nullptr);
    ASSERT_NE(registry.FindScreenClass("tcButton"), nullptr);
    EXPECT_EQ(registry.FindScreenClass("tcButton")->name, "TCBUTTON");
    // Screen files keep ten characters of a name: the cut name is the one that matches.
    ASSERT_NE(registry.FindScreenClass("PAGECONTRO"), nullptr);
    EXPECT_EQ(registry.FindScreenClass("PageContro")->name, "PAGECONTROL");
    EXPECT_EQ(registry.FindScreenClass("PAGECONTROL"), nullptr);
    EXPECT_EQ(registry.FindScreenClass(""), nullptr);
    EXPECT_EQ(registry.FindScreenClass("CPAGE"), nullptr); // aliases are not searched
}

TEST_F(ClassRegistryTest, RefusesANameAlreadyPresentAndRowsThatCouldNeverWork)
{
    ClassRegistry registry;
    ASSERT_TRUE(registry.RegisterScreenClass("TCLigne", "lineu", 100, PlainFactory()));
    EXPECT_FALSE(registry.RegisterScreenClass("tcligne", "other", 7, PlainFactory()));
    EXPECT_FALSE(registry.RegisterScreenClass("", "", 7, PlainFactory()));
    EXPECT_FALSE(registry.RegisterScreenClass("NOFACTORY", "", 7, nullptr));
    ASSERT_TRUE(registry.RegisterScreenClass("Long", "abcdefghijklmnopqrstuvwxyz", 9, PlainFactory()));

    ASSERT_EQ(registry.Entries().size(), 2u);
    EXPECT_EQ(registry.Entries()[0].name, "TCLIGNE");
    EXPECT_EQ(registry.Entries()[0].alias, "LINEU");
    EXPECT_EQ(registry.Entries()[0].kind, 100);
    EXPECT_EQ(registry.Entries()[1].alias, "ABCDEFGHIJKLMNOPQRST");
    EXPECT_TRUE(registry.IsScreenClassRegistered("tcLIGNE"));
    EXPECT_FALSE(registry.IsScreenClassRegistered("TCLIGN"));
}

TEST_F(ClassRegistryTest, RegistersEveryStandardClassOnceWithItsAliasAndKind)
{
    struct Row {
        const char* name;
        const char* alias;
        int kind;
    };
    const std::vector<Row> rows{
        {"TCLIGNE", "LINEU", 100},       {"TCRECT", "CARREU", 101},       {"TCROUND", "ROUNDU", 102},
        {"TCCIRCLE", "CERCLEU", 103},    {"TCELLIPSE", "CERCLEU", 104},   {"TCPOLYLINE", "POLYLU", 105},
        {"TCTEXTE", "TEXTU", 106},       {"TCARC", "ARCU", 110},          {"TCPOLYGONE", "POLYGU", 112},
        {"TCEDIT", "EDITU", 114},        {"TCFRAME", "", 115},            {"TCGROUP", "GROUPU", 116},
        {"TCBUTTON", "", 121},           {"TCXBUTTON", "", 121},          {"TCVALUE", "", 122},
        {"TCBARV", "", 123},             {"TCBARH", "", 124},             {"TCSUPP", "", 127},
        {"TCLISTBOX", "LISTU", 128},     {"TCALARM", "", 128},            {"CHECKLISTBOX", "CCHECKL", 128},
        {"TCBITMAP", "", 133},           {"TCDDE", "", 133},              {"TCMENU", "", 133},
        {"TCFORMULE", "", 133},          {"TCGFORMULE", "", 133},         {"MPOPUP", "POPUP", 133},
        {"TCCASE", "", 134},             {"TCRADIO", "", 134},            {"TCCOMBO", "COMBOU", 136},
        {"TCSHADE", "", 144},            {"PAGECONTROL", "CPAGE", 145},   {"TCGALARM", "", 145},
        {"TCGRILLE", "", 145},
        {"TCTRACKBAR", "", 145},         {"TCUPDOWN", "", 145},           {"TSLIDER", "", 145},
        {"TKNOB", "", 145},              {"TCAXIS", "", 145},             {"STRACKBAR", "TRACKBAR", 145},
        {"DATETIMEPICKER", "CPICKER", 145}, {"RICHEDIT", "RICH", 145},    {"SPLITTER", "CSPLIT", 101},
        {"LISTVIEW", "NATIVECLASSES", 145}, {"COOLBAR", "NATIVECLASSES", 145},
        {"SOUT", "NATIVECLASSES", 145},
    };
    ClassRegistry registry;
    screens::RegisterStandardClasses(registry);
    screens::RegisterStandardClasses(registry); // a second call adds nothing
    ASSERT_EQ(registry.Entries().size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const screens::ScreenClassEntry& entry = registry.Entries()[i];
        SCOPED_TRACE(rows[i].name);
        EXPECT_EQ(entry.name, rows[i].name);
        EXPECT_EQ(entry.alias, rows[i].alias);
        EXPECT_EQ(entry.kind, rows[i].kind);
        // The factory makes an object of that class, counted under that row's name.
        std::unique_ptr<Component> object = entry.factory();
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->Kind(), rows[i].kind);
        EXPECT_TRUE(screens::SameNameIgnoringCase(object->RegisteredName(), entry.name));
    }
    // Every class a screen file can carry data for is found under its cut name, as itself;
    // the trend objects are registered by the trends library (its tests check them there).
    const std::vector<std::string> elsewhere{"TCSHTREND", "TCTREND"};
    for (const screens::ClassLayout& layout : screens::ClassLayouts()) {
        const screens::ScreenClassEntry* entry = registry.FindScreenClass(layout.name.substr(0, 10));
        if (std::find(elsewhere.begin(), elsewhere.end(), platform::UpperAscii(layout.name)) !=
            elsewhere.end()) {
            EXPECT_EQ(entry, nullptr) << layout.name;
            continue;
        }
        ASSERT_NE(entry, nullptr) << layout.name;
        EXPECT_TRUE(screens::SameNameIgnoringCase(entry->name, layout.name));
    }
}

TEST_F(ClassRegistryTest, CountsLiveInstancesAndKeepsTheClassInUseUntilTheLastGoes)
{
    const screens::ScreenClassEntry* entry = screens::Globals().classes.Entry("TCBUTTON");
    ASSERT_NE(entry, nullptr);
    ASSERT_EQ(entry->instanceCount, 0);
    ASSERT_FALSE(entry->inUse);

    auto first = std::make_unique<screens::TCButton>();
    auto second = std::make_unique<screens::TCButton>();
    EXPECT_EQ(entry->instanceCount, 2);
    EXPECT_TRUE(entry->inUse);
    // Another class sharing the kind is counted on its own row.
    EXPECT_EQ(screens::Globals().classes.Entry("TCXBUTTON")->instanceCount, 0);

    first.reset();
    EXPECT_EQ(entry->instanceCount, 1);
    EXPECT_TRUE(entry->inUse);
    second.reset();
    EXPECT_EQ(entry->instanceCount, 0);
    EXPECT_FALSE(entry->inUse);

    // Counting out more than was counted in, or an unknown name, changes nothing.
    screens::Globals().classes.CountInstance("tcbutton", false);
    screens::Globals().classes.CountInstance("NOSUCHCLASS", true);
    EXPECT_EQ(entry->instanceCount, 0);
    EXPECT_FALSE(entry->inUse);
}
