// Quorva run-time. Licensed under the MIT licence.
#include "runtime/FormServiceCommands.h"
#include "FigureRecords.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QLineEdit>
#include <QMenu>

#include "platform/GuestMemory.h"
#include "runtime/GuiHandles.h"
#include "runtime/RuntimeLibrary.h"
#include "runtime/ScreenCommands.h"
#include "screens/FBase.h"
#include "screens/FigureKind.h"
#include "screens/FigureText.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"

namespace cmd = runtime::screencmd;
using runtime::ShortString;
using screens::FigureKind;

namespace {

// A window "PANEL" (the current window) and four Integer cells of guest memory for the
// commands' var parameters.
class FormServiceCommands : public ::testing::Test {
protected:
    void SetUp() override {
        screens::Globals().Reset();
        m_form.SetScreenName("PANEL");
        m_form.Client();
        screens::SetCurrentWindow(&m_form);
        auto memory = platform::GuestMemory::Create();
        ASSERT_TRUE(memory);
        m_memory = std::move(memory.Value());
        m_cells = m_memory->Allocate(16).value();
    }
    void TearDown() override { screens::Globals().Reset(); }

    runtime::Ref<std::int32_t> Cell(int index) const {
        return runtime::Ref<std::int32_t>(*m_memory, m_cells + static_cast<std::uint32_t>(4 * index));
    }
    std::int32_t Value(int index) const { return Cell(index).GetOr(-999); }
    bool GetBounds(std::string_view name) {
        for (int i = 0; i < 4; ++i)
            Cell(i).Set(-999);
        return cmd::FormGetBounds(ShortString(name), Cell(0), Cell(1), Cell(2), Cell(3));
    }
    screens::FBase* Drawn(std::string name) {
        auto* figure = new screens::FBase(&m_form.Client());
        const screens::AttributsFig record = testsupport::Record(FigureKind::Text, 10, 10, 110, 40);
        figure->SetLoading(true);
        figure->SetKind(record.kind);
        figure->Load(record);
        figure->SetLoading(false);
        figure->SetNames("TCTEXT", std::move(name));
        figure->show();
        screens::SetCurrentFigure(figure);
        return figure;
    }

    screens::ScreenForm m_form;
    std::unique_ptr<platform::GuestMemory> m_memory;
    platform::GuestAddress m_cells = 0;
};

} // namespace

TEST_F(FormServiceCommands, BoundsTakeLeftThenTopAndZeroKeepsTheSize) {
    m_form.resize(400, 300);
    // The second argument is the left edge, the third the top edge.
    EXPECT_TRUE(cmd::FormSetBounds(ShortString("panel"), 120, 45, 0, 0));
    EXPECT_EQ(m_form.x(), 120);
    EXPECT_EQ(m_form.y(), 45);
    EXPECT_EQ(m_form.size(), QSize(400, 300));
    ASSERT_TRUE(GetBounds("PANEL"));
    EXPECT_EQ(Value(0), 120); // "Top" receives the left edge
    EXPECT_EQ(Value(1), 45);  // "Left" receives the top edge
    EXPECT_EQ(Value(2), 400);
    EXPECT_EQ(Value(3), 300);

    // One size at a time; a negative size keeps the current one as 0 does.
    EXPECT_TRUE(cmd::FormSetBounds(ShortString("PANEL"), 120, 45, 250, 0));
    EXPECT_EQ(m_form.size(), QSize(250, 300));
    EXPECT_TRUE(cmd::FormSetBounds(ShortString("PANEL"), 120, 45, -5, 180));
    EXPECT_EQ(m_form.size(), QSize(250, 180));

    // A fixed-size form (dialog border) takes the new size as its fixed size.
    m_form.setFixedSize(250, 180);
    EXPECT_TRUE(cmd::FormSetBounds(ShortString("PANEL"), 0, 0, 320, 200));
    EXPECT_EQ(m_form.size(), QSize(320, 200));
    EXPECT_EQ(m_form.maximumSize(), QSize(320, 200));

    // Absurd positions are clamped to the coordinate range.
    EXPECT_TRUE(cmd::FormSetBounds(ShortString("PANEL"), 5'000'000, -5'000'000, 0, 0));
    EXPECT_EQ(m_form.pos(), QPoint(32767, -32768));

    // An unknown form: false, and -1, -1, 0, 0.
    EXPECT_FALSE(cmd::FormSetBounds(ShortString("NOFORM"), 1, 2, 3, 4));
    EXPECT_FALSE(GetBounds("NOFORM"));
    EXPECT_EQ(Value(0), -1);
    EXPECT_EQ(Value(1), -1);
    EXPECT_EQ(Value(2), 0);
    EXPECT_EQ(Value(3), 0);

    // Visibility.
    EXPECT_FALSE(cmd::FormVisible(ShortString("panel")));
    m_form.show();
    EXPECT_TRUE(cmd::FormVisible(ShortString("panel")));
    EXPECT_FALSE(cmd::FormVisible(ShortString("NOFORM")));
}

TEST_F(FormServiceCommands, HandlesAreStableNumbersThatFindNothingOnceTheirObjectGoes) {
    const std::int32_t form = cmd::GetFormHandle(ShortString("panel"));
    EXPECT_GT(form, 0);
    EXPECT_EQ(cmd::GetFormHandle(ShortString("PANEL")), form);
    EXPECT_EQ(cmd::GetFormHandle(ShortString("NOFORM")), 0);
    EXPECT_EQ(cmd::GetHdleComponent(), 0); // no current figure

    Cell(0).Set(-1);
    Cell(1).Set(-1);
    EXPECT_EQ(cmd::GetClientOrigin(Cell(0), Cell(1)), form);
    const QPoint origin = m_form.Client().mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(Value(0), origin.x());
    EXPECT_EQ(Value(1), origin.y());

    screens::FBase* figure = Drawn("LABEL1");
    const std::int32_t component = cmd::GetHdleComponent();
    EXPECT_GT(component, 0);
    EXPECT_NE(component, form);
    EXPECT_EQ(cmd::GuiHandles().ObjectOf(component), &figure->Widget());

    delete figure;
    EXPECT_EQ(cmd::GuiHandles().ObjectOf(component), nullptr);

    // Without a current window.
    screens::SetCurrentWindow(nullptr);
    Cell(0).Set(-1);
    EXPECT_EQ(cmd::GetClientOrigin(Cell(0), Cell(1)), 0);
    EXPECT_EQ(Value(0), 0);
}

TEST_F(FormServiceCommands, PopupMenusCheckTheirHandlesAndPublishTheChosenItem) {
    const std::int32_t popup = cmd::PopupMenuCreate();
    ASSERT_GT(popup, 0);
    auto* menu = cmd::GuiHandles().Find<QMenu>(popup);
    ASSERT_NE(menu, nullptr);
    cmd::PopupMenuAddChild(popup, ShortString("Start pump"));
    cmd::PopupMenuAddChild(popup, ShortString("-"));
    cmd::PopupMenuAddChild(popup, ShortString("Stop pump"));
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_TRUE(menu->actions()[1]->isSeparator());
    EXPECT_EQ(m_form.Client().contextMenuPolicy(), Qt::CustomContextMenu);

    // Choosing an item publishes its caption like a menu item.
    menu->actions()[2]->trigger();
    for (int cycle = 0; cycle < 4; ++cycle)
        screens::Globals().menu.CycleStep();
    EXPECT_EQ(screens::Globals().menu.PublishedCaption(), "Stop pump");

    // Handles that are no popup menu of POPUPMENUCREATE are refused and the variable kept.
    const std::int32_t form = cmd::GetFormHandle(ShortString("PANEL"));
    for (std::int32_t wrong : {form, 0, -1, 0x7FFFFFF0}) {
        cmd::PopupMenuAddChild(wrong, ShortString("x"));
        Cell(0).Set(wrong);
        cmd::PopupMenuDestroy(Cell(0));
        EXPECT_EQ(Value(0), wrong);
    }
    EXPECT_EQ(menu->actions().size(), 3);

    Cell(0).Set(popup);
    cmd::PopupMenuDestroy(Cell(0));
    EXPECT_EQ(Value(0), 0);
    EXPECT_EQ(cmd::GuiHandles().ObjectOf(popup), nullptr);
    EXPECT_EQ(m_form.Client().contextMenuPolicy(), Qt::DefaultContextMenu);
    cmd::PopupMenuAddChild(popup, ShortString("late")); // a stale handle does nothing
    Cell(0).Set(popup);
    cmd::PopupMenuDestroy(Cell(0));
    EXPECT_EQ(Value(0), popup);

    // A popup made for a figure belongs to that figure's control.
    screens::FBase* figure = Drawn("LABEL1");
    const std::int32_t figurePopup = cmd::PopupMenuCreate();
    ASSERT_NE(cmd::GuiHandles().Find<QMenu>(figurePopup), nullptr);
    EXPECT_EQ(cmd::GuiHandles().Find<QMenu>(figurePopup)->parentWidget(), &figure->Widget());
    delete figure; // the menu goes with its control
    EXPECT_EQ(cmd::GuiHandles().ObjectOf(figurePopup), nullptr);

    screens::SetCurrentWindow(nullptr);
    EXPECT_EQ(cmd::PopupMenuCreate(), 0);
}

TEST_F(FormServiceCommands, StringWidthMeasuresInTheCurrentFiguresFont) {
    EXPECT_EQ(cmd::StringWidth(ShortString("WWW")), 0); // no current figure
    screens::FBase* figure = Drawn("LABEL1");
    const QFontMetrics metrics(screens::FigureFontOf(figure->Properties()));
    EXPECT_EQ(cmd::StringWidth(ShortString("Pump 12")), metrics.horizontalAdvance("Pump 12"));
    EXPECT_GT(cmd::StringWidth(ShortString("WWWW")), cmd::StringWidth(ShortString("iiii")));
    figure->SetFont("Arial", -30, 0);
    EXPECT_GT(cmd::StringWidth(ShortString("Pump 12")), metrics.horizontalAdvance("Pump 12"));
}

TEST_F(FormServiceCommands, WindowBackgroundAndFocus) {
    m_form.resize(200, 120);
    m_form.show();
    cmd::ChangeBackgroundColor(0x0000FF); // Windows colours are 0x00BBGGRR: red
    EXPECT_EQ(cmd::WinBkgndColor(), 0x0000FF);
    const QImage image = m_form.Client().grab().toImage();
    EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() / 2), QColor(255, 0, 0));

    auto* first = new QLineEdit(&m_form.Client());
    auto* second = new QLineEdit(&m_form.Client());
    auto* hidden = new QLineEdit(&m_form.Client());
    first->show();
    second->show();
    hidden->hide();
    first->setFocus();
    cmd::NextFocus();
    EXPECT_EQ(m_form.focusWidget(), second);
    cmd::NextFocus(); // the hidden field is passed over and the chain wraps
    EXPECT_EQ(m_form.focusWidget(), first);

    // Without a window nothing happens.
    screens::SetCurrentWindow(nullptr);
    cmd::NextFocus();
    cmd::EnableRefresh(false);
    cmd::ChangeBackgroundColor(0);
    cmd::WinDialog(true);
    EXPECT_TRUE(m_form.updatesEnabled());
    EXPECT_FALSE(m_form.IsDialog());
    EXPECT_EQ(m_form.focusWidget(), first);
}

TEST(FormServiceCommandBindings, EveryCommandFitsItsSignature) {
    runtime::Implementations implementations;
    const platform::Status added = runtime::AddFormServiceCommands(implementations);
    EXPECT_TRUE(added.IsOk()) << added.Error();
}
