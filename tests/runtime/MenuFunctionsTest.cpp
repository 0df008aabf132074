// Quorva run-time. Licensed under the MIT licence.
#include "runtime/MenuFunctions.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <QAction>
#include <QMenuBar>

#include "runtime/RuntimeLibrary.h"
#include "screens/MenuItems.h"
#include "screens/MenuScript.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"

namespace {

namespace menus = runtime::menus;

runtime::ShortString S(std::string_view text) {
    return runtime::ShortString(text);
}

class MenuFunctions : public ::testing::Test {
protected:
    void SetUp() override {
        screens::Globals().Reset();
        screens::LoadMenuScript(m_window, std::vector<std::string>{
                                              "M MENU", "BEGIN", "POPUP \"File\"", "BEGIN",
                                              "MENUITEM \"Open\", 100", "POPUP \"Sub\"", "BEGIN",
                                              "MENUITEM \"Deep\", 101", "END", "END", "END"});
    }
    void TearDown() override { screens::Globals().Reset(); }

    QString Text(int number) {
        QAction* item = screens::FindMenuItem(m_window, number);
        return item ? item->text() : QString("<none>");
    }

    screens::ScreenForm m_window;
};

} // namespace

TEST_F(MenuFunctions, ActOnTheCurrentWindowOnly) {
    // No current window: nothing happens.
    menus::ToggleMenu(100);
    menus::SetMenuString(100, S("Changed"));
    EXPECT_FALSE(menus::GetMenuSt(100));
    EXPECT_EQ(Text(100), QString("Open"));

    screens::SetCurrentWindow(&m_window);
    menus::ToggleMenu(100);
    EXPECT_TRUE(menus::GetMenuSt(100));
    EXPECT_FALSE(menus::GetMenuSt(555));
    menus::SetPopupString(0, S("Datei"));
    EXPECT_EQ(m_window.ScreenMenuBar()->actions()[0]->text(), QString("Datei"));
    menus::SetPopupPString(101, S("Mehr"));
    EXPECT_EQ(m_window.ScreenMenuBar()->actions()[0]->menu()->actions()[1]->text(),
              QString("Mehr"));
}

TEST_F(MenuFunctions, MenuStrGivesThePublishedCaptionForOneCycle) {
    screens::SetCurrentWindow(&m_window);
    screens::FindMenuItem(m_window, 100)->trigger();
    screens::MenuSelection& selection = screens::Globals().menu;
    for (int cycle = 0; cycle < 3; ++cycle) {
        selection.CycleStep();
        EXPECT_TRUE(menus::MenuStr().Empty());
    }
    selection.CycleStep();
    EXPECT_EQ(menus::MenuStr().View(), "Open");
    selection.CycleStep();
    EXPECT_TRUE(menus::MenuStr().Empty());
}

TEST_F(MenuFunctions, DoNothingOutsideTheGuiThread) {
    screens::SetCurrentWindow(&m_window);
    screens::ToggleMenuItemCheck(m_window, 100);
    bool checked = true;
    std::thread scan([&checked] {
        checked = menus::GetMenuSt(100);
        menus::ToggleMenu(100);
        menus::SetMenuString(100, S("Changed"));
    });
    scan.join();
    EXPECT_FALSE(checked);
    EXPECT_TRUE(screens::IsMenuItemChecked(m_window, 100));
    EXPECT_EQ(Text(100), QString("Open"));
}

TEST(MenuFunctionsTable, AllEightBindToTheirRows) {
    runtime::Implementations implementations;
    ASSERT_TRUE(runtime::AddMenuFunctions(implementations));
    for (const char* name : {"GETMENUST", "VALIDMENUITEM", "SETMENUSTRING", "SETMENUBITMAP",
                             "SETPOPUPSTRING", "SETPOPUPPSTRING", "TOGGLEMENU", "MENUSTR"})
        EXPECT_NE(implementations.Of(name), nullptr) << name;
}
