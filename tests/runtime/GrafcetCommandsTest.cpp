// Quorva run-time. Licensed under the MIT licence.
#include "runtime/GrafcetCommands.h"

#include "ViewerCommandsFixture.h"
#include "screens/ScreenGlobals.h"
#include "screens/TestVariables.h"
#include "viewers/GrafcetFile.h"
#include "viewers/GrafcetRegistry.h"
#include "viewers/GrafcetViewer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

namespace {

// A chart of one column: initial step 0, a transition, step 5, a jump.
std::string GrafcetCallerChart() {
    viewers::GrafcetChart chart;
    chart.rows = 4;
    chart.columns = 1;
    chart.cells = {{1, 0, "start"}, {3, 0, "go"}, {2, 5, "run"}, {13, 0, "0"}};
    return viewers::WriteGrafcetChart(chart);
}

// The Grafcet commands bound, the GRAFCETCALLER unit, a figure SFC and a chart MACHINE.Gr7.
class GrafcetCommands : public testsupport::ViewerCommandsFixture<&viewers::GrafcetViewers> {
protected:
    void SetUp() override {
        SetUpViewerCaller({&runtime::AddGrafcetCommands}, QUORVA_GRAFCET_CALLER_UNIT, "DOLOAD",
                          "SFC");
        testsupport::WriteFile(m_dir / "MACHINE.Gr7", GrafcetCallerChart());
    }
};

} // namespace

TEST_F(GrafcetCommands, UnitCodeLoadsRefreshesZoomsAndClearsTheCurrentFiguresChart) {
    testsupport::ScopedCurrentDir here(m_dir.Path());
    screens::testing::TestVariables variables;
    variables.Add("MACHINE[5]", 3);

    // Without a dot the name gets ".Gr7"; the state array is named after the file.
    rig->Load("MACHINE");
    viewers::GrafcetViewer* viewer = Viewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->FileName(), "MACHINE.Gr7");
    EXPECT_EQ(viewer->ChartName(), "MACHINE");
    EXPECT_EQ(viewer->Chart().rows, 4);
    EXPECT_EQ(viewer->parentWidget(), m_figure);

    variables.SetBoolean("MACHINE[5]", true);
    rig->Call("DOREFRESH");
    EXPECT_TRUE(viewer->ShownActive(2));
    EXPECT_FALSE(viewer->ShownActive(0));
    variables.SetBoolean("MACHINE[5]", false);
    rig->Call("DOREFRESH");
    EXPECT_FALSE(viewer->ShownActive(2));

    rig->Call("DOZOOMIN");
    EXPECT_EQ(viewer->ZoomLevel(), 3);
    rig->Call("DOZOOMIN");
    EXPECT_EQ(viewer->ZoomLevel(), 3);
    rig->Call("DOZOOMOUT");
    rig->Call("DOZOOMOUT");
    EXPECT_EQ(viewer->ZoomLevel(), 1);

    // A second load for the figure reuses its viewer; a name with a dot is taken as it is.
    testsupport::WriteFile(m_dir / "OTHER.chart", GrafcetCallerChart());
    rig->Load("OTHER.chart");
    EXPECT_EQ(Viewer(), viewer);
    EXPECT_EQ(viewer->FileName(), "OTHER.chart");
    EXPECT_EQ(viewer->ChartName(), "OTHER");

    // Clear empties the viewer and forgets it; the commands then have nothing to act on, and the
    // next load makes a new viewer in the cleared one's place.
    rig->Call("DOCLEAR");
    EXPECT_EQ(Viewer(), nullptr);
    EXPECT_EQ(viewer->Chart().rows, 1);
    EXPECT_TRUE(viewer->FileName().empty());
    EXPECT_FALSE(viewer->StepMarked(5));
    rig->Call("DOZOOMIN");
    EXPECT_EQ(viewer->ZoomLevel(), 1);
    QPointer<viewers::GrafcetViewer> cleared(viewer);
    rig->Load("MACHINE");
    ASSERT_NE(Viewer(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(cleared.isNull());
    EXPECT_EQ(Viewer()->ZoomLevel(), 2);
}

TEST_F(GrafcetCommands, MissingDamagedAndMisplacedCallsChangeNothing) {
    testsupport::ScopedCurrentDir here(m_dir.Path());

    // No such chart: the viewer is made and shows nothing.
    rig->Load("NOCHART");
    viewers::GrafcetViewer* viewer = Viewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->Chart().cells.empty());
    EXPECT_TRUE(viewer->FileName().empty());

    // A damaged chart after a good one: the good one stays.
    rig->Load("MACHINE");
    testsupport::WriteFile(m_dir / "BROKEN.Gr7", GrafcetCallerChart().substr(0, 30));
    rig->Load("BROKEN");
    EXPECT_EQ(viewer->FileName(), "MACHINE.Gr7");
    EXPECT_EQ(viewer->Chart().rows, 4);

    // A name longer than any file name and an empty one are just names of no file.
    rig->Load(std::string(255, 'A'));
    rig->Load("");
    EXPECT_EQ(viewer->FileName(), "MACHINE.Gr7");

    // Without a current figure nothing is made or changed.
    screens::SetCurrentFigure(nullptr);
    rig->Load("MACHINE");
    rig->Call("DOZOOMIN");
    rig->Call("DOCLEAR");
    EXPECT_EQ(viewers::GrafcetViewers().Count(), 1u);
    EXPECT_EQ(viewer->ZoomLevel(), 2);
    EXPECT_EQ(viewer->FileName(), "MACHINE.Gr7");

    // Called from another thread (a cyclic unit on the scan thread), the commands do nothing.
    screens::SetCurrentFigure(m_figure);
    std::thread scan([] {
        runtime::screencmd::WinGrafcetZoomIn();
        runtime::screencmd::WinGrafcetClear();
        runtime::screencmd::WinGrafcet(runtime::ShortString("MACHINE"));
    });
    scan.join();
    EXPECT_EQ(viewer->ZoomLevel(), 2);
    EXPECT_EQ(Viewer(), viewer);
}
