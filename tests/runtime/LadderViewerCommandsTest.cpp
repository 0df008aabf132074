// Quorva run-time. Licensed under the MIT licence.
#include "runtime/LadderViewerCommands.h"

#include "ViewerCommandsFixture.h"
#include "screens/ScreenGlobals.h"
#include "screens/TestVariables.h"
#include "viewers/LadderFile.h"
#include "viewers/LadderRegistry.h"
#include "viewers/LadderViewer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

namespace {

// One rung of `columns` cells: a normally closed contact on A, then a coil on B.
std::string LadderCallerDiagram(int columns) {
    viewers::LadderDiagram diagram;
    diagram.rows = 1;
    diagram.columns = columns;
    diagram.cells.resize(static_cast<std::size_t>(columns));
    diagram.cells[0].kind = viewers::ladderkind::kClosedContact;
    diagram.cells[0].variable = "A";
    diagram.cells[1].kind = viewers::ladderkind::kCoil;
    diagram.cells[1].variable = "B";
    return viewers::WriteLadderFile(diagram);
}

// The ladder viewer commands bound, the LADDERVIEWERCALLER unit, a figure RUNGS, a diagram
// PUMP.lad and the project's mnemonics.
class LadderViewerCommands : public testsupport::ViewerCommandsFixture<&viewers::LadderViewers> {
protected:
    void SetUp() override {
        SetUpViewerCaller({&runtime::AddLadderViewerCommands}, QUORVA_LADDER_VIEWER_CALLER_UNIT,
                          "DOLADDER", "RUNGS");
        testsupport::WriteFile(m_dir / "PUMP.lad", LadderCallerDiagram(4));
        testsupport::WriteFile(m_dir / "MNEMOS", "a\tContact A\tthe A input\n");
    }
};

} // namespace

TEST_F(LadderViewerCommands, UnitCodeShowsRefreshesZoomsAndClearsTheFiguresDiagram) {
    testsupport::ScopedCurrentDir here(m_dir.Path());
    screens::testing::TestVariables variables;
    variables.Add("A", 3);
    variables.Add("B", 3);

    // Without a dot the name gets ".lad"; the viewer takes the figure's place in its window.
    rig->Load("PUMP");
    viewers::LadderViewer* viewer = Viewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->FileName(), "PUMP.lad");
    EXPECT_EQ(viewer->Grid().CellCount(), 4u);
    EXPECT_EQ(viewer->parentWidget(), m_figure);
    EXPECT_EQ(viewer->geometry(), m_figure->rect());
    EXPECT_TRUE(viewer->isVisible());
    // The project's mnemonics name the cells.
    EXPECT_EQ(viewer->Grid().Cells()[0].record.mnemonic1, "Contact A");

    // The normally closed contact on a false variable shows active.
    rig->Call("DOREFRESH");
    EXPECT_TRUE(viewer->RefreshPending());
    EXPECT_TRUE(viewer->Grid().Cells()[0].lastState);
    EXPECT_FALSE(viewer->Grid().Cells()[1].lastState);
    variables.SetBoolean("A", true);
    variables.SetBoolean("B", true);
    rig->Call("DOREFRESH");
    EXPECT_FALSE(viewer->Grid().Cells()[0].lastState);
    EXPECT_TRUE(viewer->Grid().Cells()[1].lastState);

    rig->Call("DOZOOMIN");
    EXPECT_EQ(viewer->ZoomLevel(), 3);
    rig->Call("DOZOOMIN");
    EXPECT_EQ(viewer->ZoomLevel(), 3);
    for (int i = 0; i < 4; ++i)
        rig->Call("DOZOOMOUT");
    EXPECT_EQ(viewer->ZoomLevel(), 0);

    // A second WINLADDER reuses the viewer and replaces its cells; a name with a dot is taken as
    // it is.
    testsupport::WriteFile(m_dir / "OTHER.v2", LadderCallerDiagram(6));
    rig->Load("OTHER.v2");
    EXPECT_EQ(Viewer(), viewer);
    EXPECT_EQ(viewer->FileName(), "OTHER.v2");
    EXPECT_EQ(viewer->Grid().CellCount(), 6u);

    // Clear empties the viewer and forgets it: the commands then find nothing, and the next
    // WINLADDER makes a new viewer in the cleared one's place.
    rig->Call("DOCLEAR");
    EXPECT_EQ(Viewer(), nullptr);
    EXPECT_EQ(viewer->Grid().CellCount(), 12u);
    EXPECT_TRUE(viewer->FileName().empty());
    EXPECT_TRUE(viewer->isVisible());
    rig->Call("DOZOOMIN");
    EXPECT_EQ(viewer->ZoomLevel(), 0);
    QPointer<viewers::LadderViewer> cleared(viewer);
    rig->Load("PUMP");
    viewers::LadderViewer* renewed = Viewer();
    ASSERT_NE(renewed, nullptr);
    EXPECT_NE(renewed, cleared.data());
    EXPECT_EQ(renewed->ZoomLevel(), 2);
    EXPECT_TRUE(renewed->isVisible());
    EXPECT_FALSE(cleared->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(cleared.isNull());
}

TEST_F(LadderViewerCommands, MissingDamagedAndMisplacedCallsChangeNothing) {
    testsupport::ScopedCurrentDir here(m_dir.Path());

    // No such file: the viewer is made and shows nothing new.
    rig->Load("NODIAGRAM");
    viewers::LadderViewer* viewer = Viewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->Grid().CellCount(), 0u);
    EXPECT_TRUE(viewer->FileName().empty());

    // After a good diagram, a missing, a damaged and a version-1 file leave it shown.
    rig->Load("PUMP");
    rig->Load("NODIAGRAM");
    testsupport::WriteFile(m_dir / "BROKEN.lad", LadderCallerDiagram(4).substr(0, 30));
    rig->Load("BROKEN");
    std::string version1 = LadderCallerDiagram(4);
    version1[0] = 1;
    testsupport::WriteFile(m_dir / "OLD.lad", version1);
    rig->Load("OLD");
    rig->Load(std::string(255, 'A'));
    rig->Load("");
    EXPECT_EQ(viewer->FileName(), "PUMP.lad");
    EXPECT_EQ(viewer->Grid().CellCount(), 4u);

    // Without a current figure nothing is made or changed.
    screens::SetCurrentFigure(nullptr);
    rig->Load("OTHER");
    rig->Call("DOZOOMIN");
    rig->Call("DOREFRESH");
    rig->Call("DOCLEAR");
    EXPECT_EQ(viewers::LadderViewers().Size(), 1u);
    EXPECT_EQ(viewer->ZoomLevel(), 2);
    EXPECT_FALSE(viewer->RefreshPending());
    EXPECT_EQ(viewer->FileName(), "PUMP.lad");

    // Called from another thread (a cyclic unit on the scan thread), the commands do nothing.
    screens::SetCurrentFigure(m_figure);
    std::thread scan([] {
        runtime::screencmd::WinLadderZoomIn();
        runtime::screencmd::WinLadderRefresh();
        runtime::screencmd::WinLadderClear();
        runtime::screencmd::WinLadder(runtime::ShortString("OTHER"));
    });
    scan.join();
    EXPECT_EQ(viewer->ZoomLevel(), 2);
    EXPECT_FALSE(viewer->RefreshPending());
    EXPECT_EQ(Viewer(), viewer);
}
