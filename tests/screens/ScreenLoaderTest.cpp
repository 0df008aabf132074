// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>

#include <QApplication>

#include "ScreenTestClasses.h"
#include "TestSupport.h"
#include "screens/ClassLayouts.h"
#include "screens/ClassRegistry.h"
#include "screens/FBase.h"
#include "screens/FigureKind.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/ScreenLoader.h"
#include "screens/SynScreenReader.h"
#include "screens/SynScreenWriter.h"

namespace {

using screens::FigureKind;

screens::SynObject Object(FigureKind kind, const char* name, int x1, int y1, int x2, int y2)
{
    screens::SynObject object;
    screens::AttributsFig& record = object.attributes;
    record.kind = static_cast<std::uint8_t>(kind);
    record.objectName = name;
    record.x1 = static_cast<std::int16_t>(x1);
    record.y1 = static_cast<std::int16_t>(y1);
    record.x2 = static_cast<std::int16_t>(x2);
    record.y2 = static_cast<std::int16_t>(y2);
    record.backColour = 0x00FF0000;
    record.filled = 1;
    record.penWidth = 1;
    return object;
}

screens::SynScreen Screen()
{
    screens::SynScreen screen;
    screen.header.caption = "Pumps";
    screen.header.left = 10;
    screen.header.top = 20;
    screen.header.right = 410;
    screen.header.bottom = 320;
    return screen;
}

QWidget* Child(screens::ScreenForm& window, const char* name)
{
    return window.findChild<QWidget*>(QString::fromLatin1(name));
}

class ScreenLoaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        screens::Globals().Reset();
        screens::RegisterStandardClasses(screens::Globals().classes);
        screentest::RegisterProbeClasses();
        screentest::ProbeRuns().clear();
    }
    void TearDown() override
    {
        delete m_window.data();
        screens::Globals().Reset();
    }

    QPointer<screens::ScreenForm> m_window;
};

} // namespace

TEST_F(ScreenLoaderTest, FiguresGoIntoTheirContainersAndLinkedFiguresAreChained)
{
    screens::SynScreen screen = Screen();
    screen.objects.push_back(Object(FigureKind::Window, "Panel", 100, 100, 300, 250));
    screens::SynObject inside = Object(FigureKind::Rectang, "Inner", 10, 10, 50, 50);
    inside.attributes.parentName = "PANEL";
    screen.objects.push_back(inside);
    screens::SynObject lost = Object(FigureKind::Rectang, "Lost", 10, 10, 50, 50);
    lost.attributes.parentName = "NOWHERE";
    screen.objects.push_back(lost);
    for (const char* name : {"A", "B", "C"}) {
        screens::SynObject linked = Object(FigureKind::Rectang, name, 0, 0, 20, 20);
        linked.attributes.linkGroup = 5;
        screen.objects.push_back(linked);
    }
    for (const char* name : {"K1", "K2"}) {
        screens::SynObject keyed = Object(FigureKind::Circle, name, 0, 0, 20, 20);
        keyed.attributes.secondLinkKey = 9;
        screen.objects.push_back(keyed);
    }
    screens::SynObject paged = Object(FigureKind::Rectang, "Page2", 0, 0, 20, 20);
    paged.attributes.pageLayer = 2;
    screen.objects.push_back(paged);

    ASSERT_TRUE(screens::BuildScreen("Pumps", screen, m_window));
    ASSERT_NE(m_window, nullptr);
    EXPECT_EQ(screens::Globals().mainWindow, m_window);
    EXPECT_EQ(m_window->ScreenName(), "PUMPS");
    EXPECT_EQ(m_window->windowTitle(), "Pumps");
    EXPECT_EQ(m_window->size(), QSize(400, 300));

    QWidget* panel = Child(*m_window, "PANEL");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(screens::FindContainer(*m_window, "panel"), panel);
    EXPECT_EQ(screens::FindContainer(*m_window, ""), &m_window->Client());
    EXPECT_EQ(screens::FindContainer(*m_window, "NOWHERE"), nullptr);
    EXPECT_EQ(Child(*m_window, "INNER")->parentWidget(), panel);
    // A drawn figure is no container, even when its name is asked for.
    EXPECT_EQ(screens::FindContainer(*m_window, "INNER"), nullptr);
    EXPECT_TRUE(Child(*m_window, "LOST")->isHidden());
    EXPECT_TRUE(Child(*m_window, "PAGE2")->isHidden());
    EXPECT_FALSE(Child(*m_window, "A")->isHidden());

    auto figure = [this](const char* name) { return screens::FigureOf(Child(*m_window, name)); };
    EXPECT_EQ(figure("A")->LinkNext(), figure("B"));
    EXPECT_EQ(figure("B")->LinkNext(), figure("C"));
    EXPECT_EQ(figure("C")->LinkNext(), nullptr);
    EXPECT_EQ(figure("C")->LinkPrevious(), figure("B"));
    EXPECT_EQ(figure("A")->LinkPrevious(), nullptr);
    EXPECT_EQ(figure("K1")->LinkNext(), figure("K2"));
    EXPECT_EQ(figure("K2")->LinkPrevious(), figure("K1"));
    EXPECT_EQ(figure("INNER")->LinkNext(), nullptr);
    EXPECT_EQ(screens::Globals().stepText, screens::kIdleStepText);
    EXPECT_TRUE(screens::Globals().screensReady);
}

TEST_F(ScreenLoaderTest, ClassObjectsAreMadeAndAnUnknownClassStopsReading)
{
    screens::SynScreen screen = Screen();
    screen.header.systemMenu = 0; // the main window may not be closed
    screens::SynObject on = Object(FigureKind::Bmp, "On", 0, 0, 20, 20);
    on.attributes.className = "TCProbeOn";
    screen.objects.push_back(on);
    screens::SynObject off = Object(FigureKind::Bmp, "Off", 30, 0, 50, 20);
    off.attributes.className = "TCPROBEOFF";
    screen.objects.push_back(off);
    screens::SynObject unknown = Object(FigureKind::Bmp, "Odd", 60, 0, 80, 20);
    unknown.attributes.className = "TCNOSUCH";
    screen.objects.push_back(unknown);
    screen.objects.push_back(Object(FigureKind::Rectang, "After", 0, 40, 20, 60));

    ASSERT_TRUE(screens::BuildScreen("Probe", screen, m_window));
    // The object that runs each cycle ran once while loading, as the current figure; the other
    // never ran.
    EXPECT_EQ(screentest::ProbeRuns(), std::vector<std::string>{"ON"});
    ASSERT_EQ(screens::Globals().activeObjects.size(), 1u);
    EXPECT_EQ(screens::Globals().activeObjects[0].figure, Child(*m_window, "ON"));
    EXPECT_EQ(screens::Globals().classes.Entry("TCPROBEON")->instanceCount, 1);
    EXPECT_EQ(screens::Globals().classes.Entry("TCPROBEOFF")->instanceCount, 1);
    EXPECT_NE(screens::FigureOf(Child(*m_window, "OFF"))->ScreenObject(), nullptr);
    // The unknown class keeps its figure, but nothing after it is read.
    EXPECT_NE(Child(*m_window, "ODD"), nullptr);
    EXPECT_EQ(Child(*m_window, "AFTER"), nullptr);
    // The window is still finished: its close permission holds.
    m_window->show();
    m_window->close();
    EXPECT_TRUE(m_window->isVisible());

    // Objects count out of their class when their window goes.
    delete m_window.data();
    EXPECT_EQ(screens::Globals().classes.Entry("TCPROBEON")->instanceCount, 0);
    EXPECT_FALSE(screens::Globals().classes.Entry("TCPROBEON")->inUse);
}

TEST_F(ScreenLoaderTest, TheHeaderSetsTheWindowUp)
{
    screens::SynScreen screen = Screen();
    screen.header.sizeable = 0;
    screen.header.normalWindow = 0;
    ASSERT_TRUE(screens::BuildScreen("Fixed", screen, m_window));
    EXPECT_EQ(m_window->minimumSize(), QSize(400, 300));
    EXPECT_EQ(m_window->maximumSize(), QSize(400, 300));
    EXPECT_TRUE(m_window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(screens::CurrentWindow(), m_window);

    QPointer<screens::ScreenForm> second;
    screens::SynScreen dialog = Screen();
    dialog.header.dialogBorder = 1;
    dialog.extended = screens::SynExtendedBlock{};
    dialog.extended->minWidth = 200;
    ASSERT_TRUE(screens::BuildScreen("Dialog", dialog, second));
    EXPECT_TRUE(second->IsDialog());
    EXPECT_EQ(screens::Globals().mainWindow, m_window);
    EXPECT_FALSE(second->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    delete second.data();
}

TEST_F(ScreenLoaderTest, ScreenFilesAreFoundInTheProjectThenInItsSynoDirectory)
{
    testsupport::TempDir project;
    testsupport::ScopedCurrentDir cwd(project.Path());
    std::filesystem::create_directories(project.Path() / "Syno");
    platform::Result<std::string> bytes = screens::WriteScreen(Screen());
    ASSERT_TRUE(bytes.IsOk());
    testsupport::WriteFile(project.Path() / "Syno" / "SIDE.Syn", bytes.Value());
    EXPECT_FALSE(screens::FindScreenFile("SIDE", "").has_value());
    EXPECT_EQ(screens::FindScreenFile("SIDE", project.Path().string()), bytes.Value());
    testsupport::WriteFile(project.Path() / "SIDE.Syn", "CLEQUORVAIO7");
    EXPECT_EQ(screens::FindScreenFile("SIDE", project.Path().string()), "CLEQUORVAIO7");

    // A missing file, or a header that cannot be read, builds nothing.
    EXPECT_FALSE(screens::LoadScreen("NONE", m_window, project.Path().string()));
    EXPECT_FALSE(screens::LoadScreen("SIDE", m_window, project.Path().string()));
    EXPECT_EQ(m_window, nullptr);
}

// Every cut of the demo's screen file builds what can be read: never a crash, the objects
// before the cut, the window from the header.
TEST_F(ScreenLoaderTest, EveryTruncationOfTheDemoScreenBuildsWhatCanBeRead)
{
    std::ifstream file(QUORVA_DEMO_SCREEN, std::ios::binary);
    ASSERT_TRUE(file.good()) << QUORVA_DEMO_SCREEN;
    const std::string bytes((std::istreambuf_iterator<char>(file)), {});
    platform::Result<screens::SynScreen> whole = screens::ReadScreen(bytes);
    ASSERT_TRUE(whole.IsOk());
    const std::size_t objects = whole.Value().objects.size();
    std::size_t built = 0;
    std::size_t lastCount = 0;
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        platform::Result<screens::SynScreen> cut =
            screens::ReadScreen(std::string_view(bytes).substr(0, length));
        if (!cut)
            continue;
        const std::size_t count = cut.Value().objects.size();
        ASSERT_LE(count, objects);
        ASSERT_GE(count, lastCount) << "a longer cut read fewer objects";
        lastCount = count;
        QPointer<screens::ScreenForm> window;
        ASSERT_TRUE(screens::BuildScreen("MAIN", cut.Value(), window)) << length;
        int figures = 0;
        for (QWidget* child : window->findChildren<QWidget*>())
            figures += screens::FigureOf(child) != nullptr ? 1 : 0;
        EXPECT_EQ(static_cast<std::size_t>(figures), count) << length;
        delete window.data();
        screens::Globals().activeObjects.clear();
        ++built;
    }
    EXPECT_GT(built, bytes.size() / 2);
    EXPECT_EQ(lastCount, objects - 1);
}

// A page control's first Run, while its screen loads, makes the pages that later objects name
// as their parents.
TEST_F(ScreenLoaderTest, PagesOfAPageControlTakeTheObjectsThatFollowIt)
{
    screens::SynScreen screen = Screen();
    screens::SynObject pages = Object(FigureKind::Window, "Window1", 10, 10, 310, 210);
    pages.attributes.className = "PageContro"; // as a screen file cuts it
    screens::ClassData data;
    data.layout = screens::FindClassLayout("PageContro");
    ASSERT_NE(data.layout, nullptr);
    data.values.resize(data.layout->fields.size());
    data.Find("tabsOnTop")->number = 1;
    data.Find("pageCaptions")->items = {"Pumps", "Valves"};
    pages.classData = data;
    screen.objects.push_back(pages);
    screens::SynObject onSecond = Object(FigureKind::Edit, "Flow", 5, 5, 100, 30);
    onSecond.attributes.parentName = "WINDOW1_S1";
    screen.objects.push_back(onSecond);

    ASSERT_TRUE(screens::BuildScreen("Plant", screen, m_window));
    QWidget* page = screens::FindContainer(*m_window, "Window1_S1");
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(Child(*m_window, "FLOW")->parentWidget(), page);
    EXPECT_NE(screens::FindContainer(*m_window, "WINDOW1_S0"), nullptr);
    EXPECT_EQ(screens::FindContainer(*m_window, "WINDOW1_S2"), nullptr);
}
