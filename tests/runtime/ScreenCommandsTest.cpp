// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ScreenCommands.h"
#include "FigureRecords.h"

#include "../LibraryRig.h"
#include "TestUnit.h"
#include "platform/CpuEngine.h"
#include "platform/GuestMemory.h"
#include "runtime/RuntimeLibrary.h"
#include "screens/AttributsFig.h"
#include "screens/Component.h"
#include "screens/FBase.h"
#include "screens/FigureKind.h"
#include "screens/PageControl.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/TSimple.h"
#include "screens/TVCheckBox.h"
#include "screens/TVEdit.h"
#include "screens/TVMemo.h"

#include <QEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTimer>
#include <cctype>
#include <climits>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace cmd = runtime::screencmd;
using runtime::ShortString;
using screens::AttributsFig;
using screens::FigureKind;

namespace {

using testsupport::Record;

// A window "PANEL" with figures made as the screen loader makes them, the current window.
class ScreenCommands : public ::testing::Test {
protected:
    void SetUp() override {
        screens::Globals().Reset();
        m_form.SetScreenName("PANEL");
        screens::SetCurrentWindow(&m_form);
    }
    void TearDown() override { screens::Globals().Reset(); }

    template <typename T, typename... Args>
    T* Make(QWidget& parent, const AttributsFig& record, std::string name, Args... args) {
        auto* figure = new T(args..., &parent);
        figure->SetLoading(true);
        figure->SetKind(record.kind);
        figure->Load(record);
        figure->SetLoading(false);
        std::string className = "TC" + std::string(screens::FigureKindName(record.kind));
        for (char& c : className)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        figure->SetNames(std::move(className), std::move(name));
        figure->show();
        return figure;
    }
    screens::FBase* Drawn(FigureKind kind, std::string name, int x1 = 30, int y1 = 20, int x2 = 130,
                          int y2 = 60) {
        return Make<screens::FBase>(m_form.Client(), Record(kind, x1, y1, x2, y2), std::move(name));
    }
    screens::TVEdit* Edit(std::string name, std::string text) {
        return Make<screens::TVEdit>(m_form.Client(),
                                     Record(FigureKind::Edit, 10, 10, 110, 35, text),
                                     std::move(name), std::uint8_t{0});
    }
    static void Select(screens::Figure* figure) { screens::SetCurrentFigure(figure); }

    screens::ScreenForm m_form;
};

} // namespace

TEST_F(ScreenCommands, CommutFigSelectsByNameAndAnUnknownNameKeepsThePreviousFigure) {
    screens::FBase* first = Drawn(FigureKind::Rectang, "RECT1");
    screens::FBase* second = Drawn(FigureKind::Rectang, "RECT2", 200, 20, 250, 60);
    auto* box = Make<screens::TSimple>(m_form.Client(),
                                       Record(FigureKind::Window, 300, 0, 400, 100), "BOX1");
    screens::FBase* inner =
        Make<screens::FBase>(*box, Record(FigureKind::Rectang, 5, 5, 20, 20), "INNER");

    EXPECT_TRUE(cmd::CommutFig(ShortString("rect2")));
    EXPECT_EQ(screens::CurrentFigure(), second);
    EXPECT_FALSE(cmd::CommutFig(ShortString("NOPE")));
    EXPECT_FALSE(cmd::CommutFig(ShortString("")));
    EXPECT_EQ(screens::CurrentFigure(), second);
    EXPECT_EQ(cmd::GetXOrg(), 200); // later commands still act on the previous figure

    EXPECT_EQ(cmd::GetParentName().Str(), "PANEL\\PANEL");
    EXPECT_TRUE(cmd::CommutFig(ShortString("INNER")));
    EXPECT_EQ(screens::CurrentFigure(), inner);
    EXPECT_EQ(cmd::GetParentName().Str(), "PANEL\\BOX1");
    EXPECT_EQ(cmd::GetObjectName().Str(), "TCRECTANG");
    EXPECT_EQ(cmd::TypeFig(), 101);
    EXPECT_EQ(cmd::FindObjectName(ShortString("tcrectang")).Str(), "RECT1");
    EXPECT_EQ(cmd::FindObjectName(ShortString("TCNONE")).Str(), "");

    // Another window's figures are not found.
    screens::ScreenForm other;
    other.SetScreenName("OTHER");
    screens::SetCurrentWindow(&other);
    EXPECT_FALSE(cmd::CommutFig(ShortString("RECT1")));
    EXPECT_EQ(screens::CurrentFigure(), inner);
    (void)first;
}

TEST_F(ScreenCommands, GeometryMovesOneEdgeAndKeepsTheOtherAndClampsWildValues) {
    Select(Drawn(FigureKind::Rectang, "RECT1"));
    // What unit code sees: (left, top, right - left, bottom - top).
    const auto bounds = [] {
        return QRect(cmd::GetXOrg(), cmd::GetYOrg(), cmd::GetXFin() - cmd::GetXOrg(),
                     cmd::GetYFin() - cmd::GetYOrg());
    };
    EXPECT_EQ(bounds(), QRect(30, 20, 100, 40));
    cmd::SetXOrg(30);
    EXPECT_EQ(bounds(), QRect(30, 20, 100, 40));
    cmd::SetXOrg(10);
    EXPECT_EQ(bounds(), QRect(10, 20, 120, 40));
    cmd::SetYOrg(40);
    EXPECT_EQ(bounds(), QRect(10, 40, 120, 20));
    cmd::SetXFin(50);
    cmd::SetYFin(100);
    EXPECT_EQ(bounds(), QRect(10, 40, 40, 60));
    cmd::SetXFin(0); // left of the left edge: no width, never a negative one
    EXPECT_EQ(bounds(), QRect(10, 40, 0, 60));

    cmd::SetXFin(110);
    cmd::Displace(5, -5);
    EXPECT_EQ(bounds(), QRect(15, 35, 100, 60));
    cmd::ODisplace(10, 5); // the origin moves, the end stays
    EXPECT_EQ(bounds(), QRect(25, 40, 90, 55));
    cmd::OEnlarge(-20, 10); // the end moves, the origin stays
    EXPECT_EQ(bounds(), QRect(25, 40, 70, 65));

    cmd::Displace(INT_MAX, INT_MIN);
    EXPECT_EQ(bounds(), QRect(32767, -32768, 70, 65));
    cmd::OEnlarge(INT_MIN, INT_MIN);
    EXPECT_EQ(bounds(), QRect(32767, -32768, 0, 0));
    cmd::SetXOrg(INT_MIN);
    EXPECT_EQ(cmd::GetXOrg(), -32768);
}

TEST_F(ScreenCommands, ValueGoesToDrawnFiguresOrToTheTextOfEditFields) {
    screens::FBase* bar = Drawn(FigureKind::BarV, "BAR1");
    Select(bar);
    cmd::SetValue(150);
    EXPECT_EQ(cmd::GetValue(), 100);
    cmd::SetValue(-5);
    EXPECT_EQ(cmd::GetValue(), 0);

    screens::TVEdit* edit = Edit("EDIT1", "abc");
    Select(edit);
    EXPECT_EQ(cmd::GetValue(), 0); // not a number: what VAL leaves
    edit->setText("12.50");
    EXPECT_EQ(cmd::GetValue(), 12.5L);
    cmd::SetValue(12.5); // the same value: the text is kept as written
    EXPECT_EQ(edit->text(), "12.50");
    cmd::SetValue(-3.25);
    EXPECT_EQ(edit->text(), "-3.25");
    EXPECT_EQ(edit->Properties().text, "-3.25");
    EXPECT_EQ(cmd::GetValue(), -3.25L);

    // A check box has no value.
    Select(Make<screens::TVCheckBox>(m_form.Client(), Record(FigureKind::CheckBox, 0, 0, 50, 20),
                                     "CHECK1"));
    cmd::SetValue(7);
    EXPECT_EQ(cmd::GetValue(), 0);
}

TEST_F(ScreenCommands, LookCommandsActOnDrawnFiguresAndLeaveOtherKindsAlone) {
    Select(Drawn(FigureKind::Value, "VALUE1"));
    cmd::SetPenWidth(300);
    EXPECT_EQ(cmd::GetPenWidth(), 255);
    cmd::SetNDecimales(-1);
    EXPECT_EQ(cmd::GetNDecimales(), 0);
    screens::FBase* picture = Drawn(FigureKind::Bmp, "BMP1");
    Select(picture);
    cmd::StretchBmp(5);
    EXPECT_EQ(picture->Properties().displayMode, 1);

    screens::TVEdit* edit = Edit("EDIT1", "x");
    Select(edit);
    cmd::Filled();
    cmd::SetPenWidth(4);
    cmd::SetNDecimales(3);
    EXPECT_FALSE(cmd::IsFilled());
    EXPECT_EQ(cmd::GetPenWidth(), 0);
    EXPECT_EQ(cmd::GetNDecimales(), 0);
    cmd::SetFillColor(0x123456); // colours serve every figure
    EXPECT_EQ(cmd::GetFillColor(), 0x123456);
    cmd::HideControl();
    EXPECT_FALSE(cmd::ControlVisible());
    cmd::ShowControl();
    EXPECT_TRUE(cmd::ControlVisible());
}

TEST_F(ScreenCommands, InputCommandsReportTheLatchedEventsOfTheCurrentWindowOnly) {
    screens::FBase* button = Drawn(FigureKind::Button, "BUTTON1");
    screens::FBase* other = Drawn(FigureKind::Rectang, "RECT1");
    screens::InputEvents& pending = screens::Globals().input.Pending();
    pending.leftDown = true;
    pending.keyUp = true;
    pending.virtualKey = 0x41;
    pending.keyText = "a";
    pending.figure = button;
    pending.window = &m_form;
    EXPECT_FALSE(cmd::TopLbDown()); // pending, not yet latched
    screens::Globals().input.Latch();

    Select(button);
    EXPECT_TRUE(cmd::TopLbDown());
    EXPECT_FALSE(cmd::TopRbDown());
    EXPECT_FALSE(cmd::TopLbUp());
    EXPECT_FALSE(cmd::DoubleClick());
    EXPECT_TRUE(cmd::KeyUp());
    EXPECT_EQ(cmd::GetVirKey(), 0x41);
    EXPECT_EQ(cmd::GetKey().Str(), "a");
    EXPECT_TRUE(cmd::IsMe());
    Select(other);
    EXPECT_FALSE(cmd::IsMe());

    screens::ScreenForm window;
    screens::SetCurrentWindow(&window);
    EXPECT_FALSE(cmd::TopLbDown());
    EXPECT_EQ(cmd::GetVirKey(), 0);
    EXPECT_FALSE(cmd::IsMe());

    screens::Globals().input.Latch(); // the next cycle has no events
    screens::SetCurrentWindow(&m_form);
    Select(button);
    EXPECT_FALSE(cmd::TopLbDown());
    EXPECT_FALSE(cmd::IsMe());

    cmd::SetButton(true);
    EXPECT_TRUE(cmd::GetButton());
    EXPECT_TRUE(button->Down());
    cmd::SetButton(false);
    EXPECT_FALSE(cmd::GetButton());

    cmd::SetTextMessage(ShortString("hello"));
    EXPECT_EQ(cmd::GetTextMessage().Str(), "hello");
}

TEST_F(ScreenCommands, GroupNavigationWalksTheLinkChainAndStopsAtItsEnds) {
    screens::FBase* a = Drawn(FigureKind::Rectang, "A");
    screens::FBase* b = Drawn(FigureKind::Rectang, "B");
    screens::FBase* c = Drawn(FigureKind::Rectang, "C");
    a->SetLinkNext(b);
    b->SetLinkPrevious(a);
    b->SetLinkNext(c);
    c->SetLinkPrevious(b);
    a->AttachScreenObject(std::make_unique<screens::Component>("TCRECT", 101));
    c->AttachScreenObject(std::make_unique<screens::Component>("TCRECT", 101));

    Select(a);
    EXPECT_TRUE(cmd::NextGroup());
    EXPECT_EQ(screens::CurrentFigure(), b);
    EXPECT_TRUE(cmd::NextGroup());
    EXPECT_FALSE(cmd::NextGroup());
    EXPECT_EQ(screens::CurrentFigure(), c);
    EXPECT_TRUE(cmd::PreviousGroup());
    EXPECT_EQ(screens::CurrentFigure(), b);

    Select(a);
    EXPECT_TRUE(cmd::NextGroupCompo()); // past B, which carries no object
    EXPECT_EQ(screens::CurrentFigure(), c);
    EXPECT_TRUE(cmd::PreviousGroupCompo());
    EXPECT_EQ(screens::CurrentFigure(), a);
    EXPECT_FALSE(cmd::PreviousGroupCompo());
    EXPECT_EQ(screens::CurrentFigure(), a);

    // A chain that loops back ends instead of running for ever.
    c->SetLinkNext(b);
    Select(b);
    a->AttachScreenObject(nullptr);
    c->AttachScreenObject(nullptr);
    EXPECT_FALSE(cmd::NextGroupCompo());
    EXPECT_EQ(screens::CurrentFigure(), b);
}

TEST_F(ScreenCommands, CloseFormClosesAKnownFormAsTheCurrentWindow) {
    EXPECT_FALSE(cmd::CloseForm(ShortString("NOSUCHFORM")));

    screens::ScreenForm other;
    other.SetScreenName("OTHER");
    other.show();
    screens::ScreenForm* currentWhileClosing = nullptr;
    other.SetClosedHandler([&] { currentWhileClosing = screens::CurrentWindow(); });
    EXPECT_TRUE(cmd::CloseForm(ShortString("other")));
    EXPECT_FALSE(other.isVisible());
    EXPECT_EQ(currentWhileClosing, &other);
    EXPECT_EQ(screens::CurrentWindow(), &m_form);
    EXPECT_TRUE(cmd::CloseForm(ShortString("OTHER"))); // hidden, still a form

    // A form that may not close stays; the main window closes at the program's request.
    other.show();
    other.SetCanClose(false);
    EXPECT_TRUE(cmd::CloseForm(ShortString("OTHER")));
    EXPECT_TRUE(other.isVisible());
    screens::Globals().mainWindow = &other;
    cmd::CloseAppli();
    EXPECT_FALSE(other.isVisible());
}

TEST_F(ScreenCommands, DisplayShowsFormsAndOpensProjectScreensThatAreNotOpenYet) {
    // A hidden form comes up as the current window for that moment; the caller's stays current.
    screens::ScreenForm other;
    other.SetScreenName("OTHER");
    screens::ScreenForm* currentWhileShown = nullptr;
    struct ShowWatch : QObject {
        screens::ScreenForm*& seen;
        explicit ShowWatch(screens::ScreenForm*& s) : seen(s) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Show)
                seen = screens::CurrentWindow();
            return false;
        }
    } watch(currentWhileShown);
    other.installEventFilter(&watch);
    cmd::Display(ShortString("other"));
    EXPECT_TRUE(other.isVisible());
    EXPECT_EQ(currentWhileShown, &other);
    EXPECT_EQ(screens::CurrentWindow(), &m_form);

    // A minimised visible form is restored.
    other.showMinimized();
    cmd::Display(ShortString("OTHER"));
    EXPECT_FALSE(other.isMinimized());

    // A name no form has goes to the run-time, which opens that screen of the project.
    std::vector<std::string> opened;
    screens::Globals().openScreen = [&opened](std::string_view name) {
        opened.emplace_back(name);
        return true;
    };
    cmd::Display(ShortString("Controls"));
    EXPECT_EQ(opened, std::vector<std::string>{"CONTROLS"});
}

TEST_F(ScreenCommands, DisplayModalWaitsForTheFormAndTopmostsComeBackOnTop) {
    screens::ScreenForm dialog;
    dialog.SetScreenName("DIALOG");
    bool modalWhileShown = false;
    QTimer::singleShot(20, &dialog, [&] {
        modalWhileShown = dialog.isVisible() && dialog.isModal();
        dialog.close();
    });
    cmd::DisplayModal(ShortString("dialog"));
    EXPECT_TRUE(modalWhileShown);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.isModal());
    cmd::DisplayModal(ShortString("NOSUCHFORM")); // returns at once

    screens::ScreenForm onTop;
    onTop.SetScreenName("ONTOP");
    onTop.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    onTop.show();
    m_form.show();
    cmd::NormalizeTopmosts();
    EXPECT_FALSE(onTop.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(onTop.isVisible());
    cmd::RestoreTopmosts();
    EXPECT_TRUE(onTop.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(onTop.isVisible());
    EXPECT_FALSE(m_form.windowFlags() & Qt::WindowStaysOnTopHint);

    // Window handles are stable numbers of the run-time's table, never pointers.
    screens::Globals().mainWindow = &onTop;
    const std::int32_t current = cmd::GetHwnd();
    EXPECT_GT(current, 0);
    EXPECT_EQ(cmd::GetHwnd(), current);
    EXPECT_NE(cmd::GetMainHwnd(), current);
    EXPECT_GT(cmd::GetMainHwnd(), 0);

    cmd::AllIconic();
    EXPECT_TRUE(onTop.isMinimized());
    EXPECT_TRUE(m_form.isMinimized());
}

TEST_F(ScreenCommands, SetPageShowsTheFiguresOfThePageAndTheCurrentPageChangesNothing) {
    screens::FBase* paged = Drawn(FigureKind::Rectang, "PAGED");
    paged->SetPageLayer(2);
    EXPECT_EQ(cmd::GetPage(), 0);
    cmd::SetPage(2);
    EXPECT_EQ(cmd::GetPage(), 2);
    EXPECT_FALSE(paged->isHidden());
    EXPECT_TRUE(m_form.updatesEnabled());

    Select(paged);
    cmd::HideControl();
    cmd::SetPage(2); // the current page: nothing is shown again
    EXPECT_TRUE(paged->isHidden());
    cmd::SetPage(1);
    EXPECT_TRUE(paged->isHidden());
    cmd::SetPage(-7);
    EXPECT_EQ(cmd::GetPage(), 0);

    cmd::SetCaption(ShortString("Caption \xE9"));
    EXPECT_EQ(m_form.windowTitle(), QString::fromUtf8("Caption \xC3\xA9"));
    EXPECT_EQ(cmd::GetCaption().Str(), "Caption \xE9");
}

TEST_F(ScreenCommands, SetPageSelectsThePageOfAnAttachedPageControlInsteadOfTheWindows) {
    auto* holder = Make<screens::TSimple>(m_form.Client(),
                                          Record(FigureKind::Window, 0, 0, 200, 100), "WINDOW1");
    auto object = std::make_unique<screens::PageControl>();
    screens::PageControl* pages = object.get();
    holder->AttachScreenObject(std::move(object));
    Select(holder);
    EXPECT_EQ(cmd::GetPage(), 0); // not built yet: no page
    pages->Run();
    for (const char* caption : {"one", "two", "three"})
        pages->Tabs()->addTab(new QWidget, caption);

    cmd::SetPage(2);
    EXPECT_EQ(pages->CurrentPage(), 2);
    EXPECT_EQ(cmd::GetPage(), 2);
    EXPECT_EQ(m_form.CurrentPage(), 0);
    cmd::SetPage(7);
    EXPECT_EQ(cmd::GetPage(), 2);
}

TEST_F(ScreenCommands, EditCommandsWorkOnMemoLinesWithTwoCharacterLineBreaks) {
    auto* memo = Make<screens::TVMemo>(
        m_form.Client(), Record(FigureKind::Edit, 0, 0, 200, 100, "first\r\nsecond\r\nthird"),
        "MEMO1");
    Select(memo);
    auto memory = platform::GuestMemory::Create();
    ASSERT_TRUE(memory);
    const runtime::GuestAddress address = memory.Value()->Allocate(256).value();
    const runtime::StringRef line(*memory.Value(), address, 255);

    EXPECT_EQ(cmd::GetNumLines(), 3);
    EXPECT_TRUE(cmd::GetLine(line, 1));
    EXPECT_EQ(line.Get().Str(), "second");
    EXPECT_TRUE(cmd::GetLine(runtime::StringRef(*memory.Value(), address, 3), 2));
    EXPECT_EQ(line.Get().Str(), "thi");
    EXPECT_FALSE(cmd::GetLine(line, 3));
    EXPECT_FALSE(cmd::GetLine(line, -1));
    EXPECT_EQ(cmd::GetLineLength(1), 6);
    EXPECT_EQ(cmd::GetLineLength(9), 0);
    EXPECT_EQ(cmd::GetLineFromPos(6), 0); // inside the first line break
    EXPECT_EQ(cmd::GetLineFromPos(7), 1);
    EXPECT_EQ(cmd::GetLineFromPos(1000), 2);
    EXPECT_EQ(cmd::GetLineFromPos(-3), 0);

    EXPECT_TRUE(cmd::SetSelection(7, 13));
    EXPECT_EQ(memo->textCursor().selectedText(), "second");
    const runtime::Ref<std::int32_t> start(*memory.Value(), address);
    const runtime::Ref<std::int32_t> end(*memory.Value(), address + 4);
    cmd::GetSelection(start, end);
    EXPECT_EQ(start.GetOr(-1), 7);
    EXPECT_EQ(end.GetOr(-1), 13);

    cmd::ClearModify();
    EXPECT_FALSE(cmd::IsModified());
    EXPECT_TRUE(cmd::DeleteSelection());
    EXPECT_FALSE(cmd::DeleteSelection());
    cmd::EditInsert(ShortString("2nd"));
    EXPECT_TRUE(cmd::IsModified());
    EXPECT_EQ(memo->toPlainText(), "first\n2nd\nthird");
    EXPECT_TRUE(cmd::DeleteLine(2));
    EXPECT_TRUE(cmd::DeleteLine(0));
    EXPECT_FALSE(cmd::DeleteLine(1));
    EXPECT_EQ(memo->toPlainText(), "2nd");
    EXPECT_EQ(memo->Properties().text, "2nd"); // the figure keeps the edited text
    cmd::SetReadOnly(true);
    EXPECT_TRUE(memo->isReadOnly());
}

TEST_F(ScreenCommands, EditCommandsTreatAnEditFieldAsOneLine) {
    screens::TVEdit* edit = Edit("EDIT1", "hello");
    Select(edit);
    EXPECT_EQ(cmd::GetNumLines(), 1);
    EXPECT_TRUE(cmd::SetSelection(1, -1)); // a negative end: to the end of the text
    EXPECT_EQ(edit->selectedText(), "ello");
    EXPECT_TRUE(cmd::SetSelection(-4, 99));
    cmd::EditInsert(ShortString("bye"));
    EXPECT_EQ(edit->text(), "bye");
    EXPECT_EQ(edit->Properties().text, "bye");
    EXPECT_TRUE(cmd::IsModified());
    EXPECT_TRUE(cmd::DeleteLine(0));
    EXPECT_EQ(edit->Properties().text, "");

    Select(Drawn(FigureKind::Rectang, "RECT1")); // no edit control: nothing happens
    EXPECT_FALSE(cmd::SetSelection(0, 1));
    EXPECT_FALSE(cmd::DeleteLine(0));
    cmd::EditInsert(ShortString("x"));
    EXPECT_FALSE(cmd::IsModified());
}

TEST_F(ScreenCommands, WithoutCurrentFigureOrWindowCommandsReturnDefaults) {
    Drawn(FigureKind::Rectang, "RECT1");
    cmd::SetXOrg(5);
    cmd::Displace(1, 1);
    cmd::SetValue(3);
    cmd::SetColor(1);
    cmd::HideControl();
    cmd::SetButton(true);
    EXPECT_EQ(cmd::GetXOrg(), 0);
    EXPECT_EQ(cmd::GetXFin(), 0);
    EXPECT_EQ(cmd::GetValue(), 0);
    EXPECT_EQ(cmd::GetColor(), 0);
    EXPECT_FALSE(cmd::IsFilled());
    EXPECT_EQ(cmd::TypeFig(), 0);
    EXPECT_EQ(cmd::GetObjectName().Str(), "");
    EXPECT_EQ(cmd::GetParentName().Str(), "");
    EXPECT_FALSE(cmd::ControlVisible());
    EXPECT_FALSE(cmd::GetButton());
    EXPECT_FALSE(cmd::NextGroup());
    EXPECT_FALSE(cmd::IsMe());
    EXPECT_FALSE(cmd::GetFocus());
    EXPECT_EQ(cmd::GetNumLines(), 0);

    screens::SetCurrentWindow(nullptr);
    EXPECT_FALSE(cmd::CommutFig(ShortString("RECT1")));
    EXPECT_EQ(cmd::WinBkgndColor(), 0);
    EXPECT_EQ(cmd::GetCaption().Str(), "");
    cmd::SetPage(3);
    EXPECT_EQ(cmd::GetPage(), 0);
    EXPECT_EQ(cmd::FindObjectName(ShortString("TCRECTANG")).Str(), "");
    cmd::ProcessMessages(-5);
    cmd::ProcessMessages(INT_MAX); // clamped: returns
}

// The commands called from unit code through their entry cells, with the current window set as
// the GUI cycle sets it for a screen's automatic unit.
TEST_F(ScreenCommands, UnitCodeDrivesFiguresThroughTheCallingContract) {
    testsupport::LibraryRig rig;
    ASSERT_TRUE(rig.BuildLibrary({&runtime::AddScreenCommands}));
    std::ifstream in(QUORVA_SCREEN_CALLER_UNIT, std::ios::binary);
    ASSERT_TRUE(in);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    auto placed = testsupport::PlaceTestUnit(*rig.memory, rig.functions, bytes);
    ASSERT_TRUE(placed) << placed.Error();
    auto cpu = platform::CpuEngine::Create(*rig.memory);
    ASSERT_TRUE(cpu);
    const testsupport::TestUnit& unit = placed.Value();
    const auto run = [&](const char* procedure) {
        const platform::Status status = cpu.Value()->CallUnitCode(unit.entries.at(procedure));
        ASSERT_TRUE(status) << status.Error();
    };
    const auto text = [&] {
        return runtime::ReadGuestString(*rig.memory, unit.variables.at("TEXT")).Str();
    };
    const auto setName = [&](std::string_view name) {
        runtime::WriteGuestString(*rig.memory, unit.variables.at("NAME"), ShortString(name));
    };

    screens::FBase* bar = Drawn(FigureKind::BarH, "BAR1"); // left 30, width 100
    bar->SetValue(42.5);
    Make<screens::TVMemo>(m_form.Client(), Record(FigureKind::Edit, 0, 0, 99, 99, "a\r\nsecond"),
                          "MEMO1");

    setName("bar1");
    run("DOSELECT");
    EXPECT_EQ(rig.memory->Read<std::int32_t>(unit.variables.at("OK")).value_or(-1), 1);
    EXPECT_EQ(screens::CurrentFigure(), bar);
    rig.memory->Write<std::int32_t>(unit.variables.at("X"), 10);
    run("DOMOVE");
    EXPECT_EQ(rig.memory->Read<std::int32_t>(unit.variables.at("RES")).value_or(-1), 130);
    EXPECT_EQ(bar->geometry(), QRect(10, 20, 120, 40));
    run("DOVALUE");
    EXPECT_EQ(runtime::Ref<long double>(*rig.memory, unit.variables.at("VALUE")).GetOr(0), 42.5L);
    run("DOPARENT");
    EXPECT_EQ(text(), "PANEL\\PANEL");

    setName("NOPE"); // GO2 is COMMUT_FIG under another name
    run("DOGO2");
    EXPECT_EQ(rig.memory->Read<std::int32_t>(unit.variables.at("OK")).value_or(-1), 0);
    setName("MEMO1");
    run("DOGO2");
    EXPECT_EQ(rig.memory->Read<std::int32_t>(unit.variables.at("OK")).value_or(-1), 1);
    rig.memory->Write<std::int32_t>(unit.variables.at("X"), 1);
    run("DOLINE");
    EXPECT_EQ(rig.memory->Read<std::int32_t>(unit.variables.at("OK")).value_or(-1), 1);
    EXPECT_EQ(text(), "second");
}
