// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ButtonCommands.h"
#include "FigureRecords.h"

#include "../screens/TestVariables.h"
#include "platform/GuestMemory.h"
#include "runtime/InteractionCommands.h"
#include "screens/AttributsFig.h"
#include "screens/ButtonClasses.h"
#include "screens/ClassDataIo.h"
#include "screens/ClassLayouts.h"
#include "screens/ControlClasses.h"
#include "screens/FBase.h"
#include "screens/FigureKind.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/TVCheckBox.h"
#include "screens/TVListBox.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace cmd = runtime::screencmd;
using runtime::ShortString;
using screens::FigureKind;

namespace {

// Button figures are drawn filled.
screens::AttributsFig FilledRecord(FigureKind kind, int x1, int y1, int x2, int y2) {
    screens::AttributsFig record = testsupport::Record(kind, x1, y1, x2, y2);
    record.filled = 1;
    return record;
}

class ButtonCommands : public ::testing::Test {
protected:
    void SetUp() override {
        screens::Globals().Reset();
        m_form.SetScreenName("PANEL");
        m_form.resize(500, 300);
        screens::SetCurrentWindow(&m_form);
        auto memory = platform::GuestMemory::Create();
        ASSERT_TRUE(memory);
        m_memory = std::move(memory.Value());
        m_word = m_memory->Allocate(16).value();
    }
    void TearDown() override { screens::Globals().Reset(); }

    screens::TVCheckBox* Box(int x, std::unique_ptr<screens::Component> object = nullptr) {
        auto* box = new screens::TVCheckBox(&m_form.Client());
        box->SetLoading(true);
        box->SetKind(static_cast<std::uint8_t>(FigureKind::CheckBox));
        box->Load(FilledRecord(FigureKind::CheckBox, x, 10, x + 60, 30));
        box->SetLoading(false);
        box->show();
        if (object)
            box->AttachScreenObject(std::move(object));
        screens::SetCurrentFigure(box);
        return box;
    }
    screens::FBase* Drawn(FigureKind kind, int x, std::string name = {}) {
        auto* figure = new screens::FBase(&m_form.Client());
        figure->SetLoading(true);
        figure->SetKind(static_cast<std::uint8_t>(kind));
        figure->Load(FilledRecord(kind, x, 50, x + 60, 80));
        figure->SetLoading(false);
        figure->SetNames("TC", std::move(name));
        figure->show();
        screens::SetCurrentFigure(figure);
        return figure;
    }
    static void Chain(std::initializer_list<screens::Figure*> figures) {
        screens::Figure* previous = nullptr;
        for (screens::Figure* figure : figures) {
            if (previous != nullptr) {
                previous->SetLinkNext(figure);
                figure->SetLinkPrevious(previous);
            }
            previous = figure;
        }
    }
    static void Latch(const screens::InputEvents& events) {
        screens::Globals().input.Pending() = events;
        screens::Globals().input.Latch();
    }
    runtime::BitRef Bit(std::int32_t number) { return runtime::BitRef(*m_memory, m_word, number); }

    screens::ScreenForm m_form;
    std::unique_ptr<platform::GuestMemory> m_memory;
    runtime::GuestAddress m_word = 0;
};

std::unique_ptr<screens::Component> Bound(std::unique_ptr<screens::CheckBinding> object,
                                          const std::string& variable) {
    screens::ClassData data =
        screens::DefaultClassData(*screens::FindClassLayout(object->RegisteredName()));
    data.Find("case.n1")->bytes = variable;
    object->ReadData(&data);
    return object;
}

} // namespace

TEST_F(ButtonCommands, CheckBoxCommandsSetAndReadTheCheckState) {
    screens::TVCheckBox* box = Box(10);
    cmd::Check();
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(cmd::GetCheck(), 1);
    EXPECT_TRUE(cmd::GetCheckBox());
    EXPECT_TRUE(cmd::GetRadio());
    cmd::Uncheck();
    EXPECT_EQ(cmd::GetCheck(), 0);
    cmd::SetCheck(2);
    EXPECT_EQ(cmd::GetCheck(), 2);
    cmd::SetCheck(-7);
    EXPECT_EQ(cmd::GetCheck(), 1);
    cmd::SetCheckBox(false);
    EXPECT_FALSE(cmd::GetCheckBox());
    // Without a variable, the QIO box is the box itself.
    cmd::SetQioBox(true);
    EXPECT_TRUE(cmd::GetQioBox());
    EXPECT_TRUE(box->isChecked());
}

TEST_F(ButtonCommands, QioBoxGoesThroughTheBoundVariable) {
    screens::testing::TestVariables variables;
    variables.Add("RUNNING", 3);
    variables.Add("MODE", 4);
    screens::TVCheckBox* box = Box(10, Bound(std::make_unique<screens::TCCase>(), "Running"));
    box->ScreenObject()->Run();
    cmd::SetQioBox(true);
    EXPECT_EQ(variables.Number("RUNNING"), 1);
    EXPECT_TRUE(box->isChecked());
    box->setChecked(false); // the operator's click does not change the variable
    EXPECT_TRUE(cmd::GetQioBox());
    EXPECT_FALSE(cmd::GetCheckBox());

    // An Integer variable takes 1 and 0.
    screens::TVCheckBox* mode = Box(100, Bound(std::make_unique<screens::TCCase>(), "MODE"));
    mode->ScreenObject()->Run();
    cmd::SetQioBox(true);
    EXPECT_EQ(variables.Number("MODE"), 1);
    cmd::SetQioBox(false);
    EXPECT_EQ(variables.Number("MODE"), 0);
    EXPECT_FALSE(cmd::GetQioBox());
}

TEST_F(ButtonCommands, ExclusiveAndRadioUncheckTheOthersOfTheChain) {
    screens::TVCheckBox* a = Box(10, Bound(std::make_unique<screens::TCRadio>(), ""));
    screens::TVCheckBox* b = Box(100, Bound(std::make_unique<screens::TCRadio>(), ""));
    screens::TVCheckBox* plain = Box(200);
    screens::TVCheckBox* outside = Box(300);
    Chain({a, b, plain});
    a->setChecked(true);
    plain->setChecked(true);
    outside->setChecked(true);

    screens::SetCurrentFigure(b);
    cmd::SetRadio(true);
    EXPECT_FALSE(a->isChecked());
    EXPECT_TRUE(b->isChecked());
    EXPECT_TRUE(plain->isChecked()); // not a radio button
    screens::SetCurrentFigure(a);
    cmd::Exclusive();
    EXPECT_TRUE(a->isChecked());
    EXPECT_FALSE(b->isChecked());
    EXPECT_FALSE(plain->isChecked());
    EXPECT_TRUE(outside->isChecked()); // not in the chain

    // Drawn buttons: one down.
    screens::FBase* one = Drawn(FigureKind::Button, 10);
    screens::FBase* two = Drawn(FigureKind::Button, 100);
    Chain({one, two});
    one->SetDown(true);
    cmd::ExclusiveButton();
    EXPECT_TRUE(two->Down());
    EXPECT_FALSE(one->Down());
}

TEST_F(ButtonCommands, ButtonReportsAClickOfAGlyphButtonAndOwnerButtonsSwapPictures) {
    screens::FBase* figure = Drawn(FigureKind::Button, 10);
    figure->AttachScreenObject(std::make_unique<screens::TCButton>());
    figure->ScreenObject()->Run();
    EXPECT_FALSE(cmd::Button());
    QTest::mouseClick(figure, Qt::LeftButton, {}, QPoint(5, 5));
    figure->ScreenObject()->Run();
    EXPECT_TRUE(cmd::Button());
    cmd::ValidButton(false);
    figure->ScreenObject()->Run();
    EXPECT_FALSE(figure->isEnabled()); // kept by the object's Run

    screens::FBase* picture = Drawn(FigureKind::Bmp, 200);
    screens::InputEvents press;
    press.leftDown = true;
    press.figure = picture;
    Latch({});
    EXPECT_FALSE(cmd::ToggleOwner(ShortString("Off"), ShortString("On")));
    EXPECT_EQ(picture->Properties().text, "Off");
    Latch(press);
    EXPECT_TRUE(cmd::ToggleOwner(ShortString("Off"), ShortString("On")));
    EXPECT_EQ(picture->Properties().text, "On");
    Latch({});
    EXPECT_TRUE(
        cmd::ToggleOwner(ShortString("Off"), ShortString("On"))); // stays until the next press

    screens::FBase* momentary = Drawn(FigureKind::Bmp, 300);
    press.figure = momentary;
    Latch(press);
    EXPECT_TRUE(cmd::ButtonOwner(ShortString("Up"), ShortString("Dn")));
    EXPECT_EQ(momentary->Properties().text, "Dn");
    screens::InputEvents release;
    release.leftUp = true;
    release.figure = momentary;
    Latch(release);
    EXPECT_FALSE(cmd::ButtonOwner(ShortString("Up"), ShortString("Dn")));
    EXPECT_EQ(momentary->Properties().text, "Up");
}

TEST_F(ButtonCommands, PushAndToggleButtonsDriveABit) {
    screens::FBase* button = Drawn(FigureKind::Button, 10);
    runtime::BitRef state = Bit(35); // bit 3 of the second word
    screens::InputEvents press;
    press.leftDown = true;
    press.figure = button;
    Latch(press);
    cmd::ToggleButton(state, 0);
    EXPECT_EQ(state.Get(), true);
    EXPECT_TRUE(button->Down());
    Latch({});
    cmd::ToggleButton(state, 0);
    EXPECT_EQ(state.Get(), true);
    screens::InputEvents key;
    key.keyDown = true;
    key.virtualKey = 0x70; // F1
    Latch(key);
    cmd::ToggleButton(state, 0x70);
    EXPECT_EQ(state.Get(), false);
    EXPECT_FALSE(button->Down());

    // Momentary: held by the key until its release.
    Latch(key);
    cmd::PushButton(state, 0x70);
    EXPECT_EQ(state.Get(), true);
    EXPECT_TRUE(button->Down());
    Latch({});
    cmd::PushButton(state, 0x70);
    EXPECT_EQ(state.Get(), true);
    screens::InputEvents keyUp;
    keyUp.keyUp = true;
    keyUp.virtualKey = 0x70;
    Latch(keyUp);
    cmd::PushButton(state, 0x70);
    EXPECT_EQ(state.Get(), false);
    EXPECT_FALSE(button->Down());
    // Only bit 35 changed.
    EXPECT_EQ(Bit(34).Get(), false);
    EXPECT_EQ(Bit(36).Get(), false);
}

TEST_F(ButtonCommands, DragDropsOnTheFigureUnderTheRelease) {
    screens::FBase* source = Drawn(FigureKind::Rectang, 10, "SOURCE");
    screens::FBase* target = Drawn(FigureKind::Rectang, 200, "TARGET");
    cmd::Drag(ShortString("Recipe 4"));
    screens::InputEvents release;
    release.leftUp = true;
    release.figure = source; // the release goes to the figure that was pressed
    release.window = &m_form;
    release.x = 230;
    release.y = 60;
    Latch(release);
    screens::SetCurrentFigure(source);
    EXPECT_FALSE(cmd::Drop());
    screens::SetCurrentFigure(target);
    EXPECT_EQ(cmd::GetFigName().Str(), "TARGET");
    EXPECT_TRUE(cmd::Drop());
    EXPECT_EQ(cmd::GetDrop().Str(), "Recipe 4");
    EXPECT_FALSE(cmd::Drop()); // taken once
    cmd::Drag(ShortString("x"));
    cmd::Drag(ShortString("")); // cancelled
    EXPECT_FALSE(cmd::Drop());
    EXPECT_EQ(cmd::GetDrop().Str(), "Recipe 4");
}

TEST_F(ButtonCommands, TextCaseScaleAndWindowCommands) {
    EXPECT_EQ(cmd::UpCases(ShortString("pump 3\xE9z")).Str(), "PUMP 3\xE9Z");
    EXPECT_EQ(cmd::LoCases(ShortString("VALVE\xC9_A")).Str(), "valve\xC9_a");
    EXPECT_EQ(cmd::Scale(5, 0, 10, 0, 100), 50);
    EXPECT_EQ(cmd::Scale(4, 4, 20, 0, 100), 0);
    EXPECT_EQ(cmd::Scale(7, 3, 3, -1, 100), -1);    // an empty input range
    EXPECT_EQ(cmd::Scale(30, 0, 10, 100, 0), -200); // not clamped

    EXPECT_FALSE(cmd::WindowValid());
    m_form.show();
    EXPECT_TRUE(cmd::WindowValid());
    cmd::SetCanClose(false);
    EXPECT_FALSE(m_form.CanClose());

    cmd::CursorWait();
    cmd::CursorWait();
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    cmd::CursorNormal();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    screens::FBase* figure = Drawn(FigureKind::Rectang, 10);
    EXPECT_TRUE(cmd::BlinkN());
    EXPECT_TRUE(figure->Properties().blinking);
    EXPECT_FALSE(cmd::BlinkN());

    // A slider knob follows its variable: upwards from where it started.
    auto memory = m_memory.get();
    const runtime::Ref<long double> level(*memory, m_word);
    level.Set(25);
    cmd::SliderVertical(level, 100, 0, 50);
    EXPECT_EQ(figure->pos(), QPoint(10, 0));
    level.Set(1000); // beyond the range: at the end of the travel
    cmd::SliderVertical(level, 100, 0, 50);
    EXPECT_EQ(figure->pos(), QPoint(10, -50));
    cmd::SliderVertical(level, 0, 0, 50); // no travel: nothing
    cmd::SliderVertical(level, 100, 5, 5);
    EXPECT_EQ(figure->pos(), QPoint(10, -50));
}

TEST_F(ButtonCommands, WithoutATargetEveryCommandAnswersNothing) {
    screens::TVListBox list(&m_form.Client());
    list.SetKind(static_cast<std::uint8_t>(FigureKind::ListBox));
    runtime::BitRef state = Bit(0);
    for (screens::Figure* figure :
         {static_cast<screens::Figure*>(&list), static_cast<screens::Figure*>(nullptr)}) {
        screens::SetCurrentFigure(figure);
        cmd::Check();
        cmd::SetCheck(1);
        cmd::SetQioBox(true);
        cmd::SetRadio(true);
        cmd::Exclusive();
        cmd::ExclusiveButton();
        cmd::LoadBmp(ShortString("x"));
        cmd::LoadBmpFromRes();
        EXPECT_EQ(cmd::GetCheck(), 0);
        EXPECT_FALSE(cmd::GetCheckBox());
        EXPECT_FALSE(cmd::GetQioBox());
        EXPECT_FALSE(cmd::GetRadio());
        EXPECT_FALSE(cmd::Button());
        EXPECT_FALSE(cmd::ToggleOwner(ShortString("a"), ShortString("b")));
        EXPECT_FALSE(cmd::ButtonOwner(ShortString("a"), ShortString("b")));
        EXPECT_FALSE(cmd::Drop());
        EXPECT_FALSE(cmd::MoveFig());
        EXPECT_FALSE(cmd::LooseFocus());
        EXPECT_FALSE(cmd::Arrive());
        EXPECT_FALSE(cmd::Depart());
    }
    EXPECT_EQ(cmd::GetFigName().Str(), "");
    EXPECT_FALSE(cmd::BlinkN());
    cmd::ToggleButton(state, 0x70);
    cmd::PushButton(state, 0x70);
    EXPECT_EQ(state.Get(), false);
    cmd::ValidButton(false);
    cmd::ValidXScroll(false);
    screens::SetCurrentWindow(nullptr);
    EXPECT_FALSE(cmd::WindowValid());
    cmd::SetCanClose(false);
}
