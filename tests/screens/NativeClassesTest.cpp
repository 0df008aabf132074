// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <QApplication>
#include <QDateTimeEdit>
#include <QMenu>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>

#include "ClassDataSupport.h"
#include "FigureTestSupport.h"
#include "screens/ClassDataIo.h"
#include "screens/ClassLayouts.h"
#include "screens/NativeClasses.h"
#include "screens/ScreenGlobals.h"
#include "screens/TSimple.h"

using screens::ClassData;

namespace {

using screens::testing::DataOf;
using screens::testing::Field;

class NativeClasses : public ::testing::Test {
protected:
    void SetUp() override { screens::Globals().Reset(); }
    void TearDown() override { screens::Globals().Reset(); }

    screens::TSimple* Placeholder(int x1, int y1, int x2, int y2)
    {
        return figuretest::MakePlaceholder(m_form, x1, y1, x2, y2, "NATIVE", "WINDOW1");
    }

    screens::FBase* Drawn(std::uint8_t kind, int x1, int y1, int x2, int y2)
    {
        screens::FBase* figure =
            figuretest::MakeFigure(m_form, figuretest::Record(kind, x1, y1, x2, y2));
        figure->setParent(&m_form.Client());
        figure->show();
        return figure;
    }

    template <class T> T* Attach(screens::Figure& figure, ClassData& data)
    {
        figure.AttachScreenObject(std::make_unique<T>());
        auto* object = dynamic_cast<T*>(figure.ScreenObject());
        screens::SetCurrentFigure(&figure);
        object->ReadData(&data);
        return object;
    }

    screens::ScreenForm m_form;
};

} // namespace

TEST_F(NativeClasses, ControlsFillTheirPlaceholderOnceAndFollowIt)
{
    screens::TSimple* richPlace = Placeholder(10, 10, 210, 110);
    ClassData richData = DataOf("RichEdit");
    auto* rich = Attach<screens::RichEdit>(*richPlace, richData);
    rich->Run();
    rich->Run();
    ASSERT_NE(rich->Editor(), nullptr);
    EXPECT_EQ(richPlace->findChildren<QTextEdit*>().size(), 1); // built once
    EXPECT_EQ(rich->Editor()->geometry(), richPlace->rect());
    m_form.show();
    richPlace->resize(120, 60);
    EXPECT_EQ(rich->Editor()->size(), QSize(120, 60));
    EXPECT_TRUE(rich->Editor()->isVisible());
    richPlace->hide();
    EXPECT_FALSE(rich->Editor()->isVisible());
    m_form.hide();

    // The date-time picker's byte chooses the time or the date.
    screens::TSimple* datePlace = Placeholder(10, 120, 160, 145);
    ClassData dateData = DataOf("DateTimePicker");
    auto* date = Attach<screens::DateTimePicker>(*datePlace, dateData);
    date->Run();
    ASSERT_NE(date->Picker(), nullptr);
    EXPECT_TRUE(date->Picker()->calendarPopup());
    EXPECT_TRUE(date->Picker()->displayedSections() & QDateTimeEdit::YearSection);
    screens::TSimple* timePlace = Placeholder(10, 150, 160, 175);
    ClassData timeData = DataOf("DateTimePicker");
    Field(timeData, "b1").number = 1;
    auto* time = Attach<screens::DateTimePicker>(*timePlace, timeData);
    time->Run();
    EXPECT_TRUE(time->Picker()->displayedSections() & QDateTimeEdit::SecondSection);
    EXPECT_FALSE(time->Picker()->displayedSections() & QDateTimeEdit::YearSection);

    // The cool bar lies under the figures placed on it.
    screens::TSimple* barPlace = Placeholder(0, 0, 300, 30);
    auto* onTheBar = new QWidget(barPlace);
    ClassData barData = DataOf("CoolBar");
    auto* bar = Attach<screens::CoolBar>(*barPlace, barData);
    bar->Run();
    ASSERT_NE(bar->Strip(), nullptr);
    const QObjectList& onPlaceholder = barPlace->children();
    EXPECT_EQ(onPlaceholder.indexOf(bar->Strip()), onPlaceholder.indexOf(onTheBar) - 1);

    // Without a current figure nothing is built; a later Run with one builds it.
    screens::TSimple* late = Placeholder(0, 40, 100, 60);
    ClassData lateData = DataOf("RichEdit");
    auto* lateEdit = Attach<screens::RichEdit>(*late, lateData);
    screens::SetCurrentFigure(nullptr);
    lateEdit->Run();
    EXPECT_EQ(lateEdit->Editor(), nullptr);
    screens::SetCurrentFigure(late);
    lateEdit->Run();
    EXPECT_NE(lateEdit->Editor(), nullptr);
}

TEST_F(NativeClasses, SplitterResizesTheFiguresBesideItDownToTheMinimumSize)
{
    screens::FBase* left = Drawn(101, 0, 0, 100, 200);
    screens::FBase* splitter = Drawn(101, 100, 0, 105, 200);
    screens::FBase* right = Drawn(101, 105, 0, 300, 200);
    screens::FBase* below = Drawn(101, 0, 250, 300, 300); // not beside the bar
    ClassData data = DataOf("Splitter");
    Field(data, "r1").bytes = std::string("\x32\x00\x00\x00", 4); // minimum size 50
    auto* split = Attach<screens::Splitter>(*splitter, data);
    EXPECT_EQ(split->MinimumSize(), 50);
    split->Run();
    ASSERT_NE(split->Handle(), nullptr);
    EXPECT_TRUE(split->Vertical());
    const QRect leftBefore = left->geometry();
    const QRect rightBefore = right->geometry();
    const int leftWidth = leftBefore.width();
    const int rightRight = rightBefore.right();

    EXPECT_EQ(split->Drag(20), 20);
    EXPECT_EQ(left->width(), leftWidth + 20);
    EXPECT_EQ(right->geometry().left(), rightBefore.left() + 20);
    EXPECT_EQ(right->geometry().right(), rightRight);
    EXPECT_EQ(splitter->geometry().left(), 120);
    EXPECT_EQ(below->geometry(), QRect(0, 250, below->width(), below->height()));

    // Far to the left: the left figure stops at the minimum size.
    split->Drag(-1000);
    EXPECT_EQ(left->width(), 50);
    EXPECT_EQ(split->Drag(-10), 0);
    // Far to the right: the right figure stops at it.
    split->Drag(1000);
    EXPECT_EQ(right->width(), 50);
    EXPECT_EQ(right->geometry().right(), rightRight);

    // The mouse drags it as well.
    m_form.show();
    const int before = left->width();
    QTest::mousePress(split->Handle(), Qt::LeftButton, Qt::NoModifier, QPoint(2, 100));
    QTest::mouseMove(split->Handle(), QPoint(-8, 100));
    QTest::mouseRelease(split->Handle(), Qt::LeftButton, Qt::NoModifier, QPoint(-8, 100));
    EXPECT_EQ(left->width(), before - 10);
    m_form.hide();

    // A minimum size out of range reads as 30.
    ClassData odd = DataOf("Splitter");
    Field(odd, "r1").bytes = std::string("\xFF\xFF\xFF\xFF", 4);
    screens::Splitter other;
    other.ReadData(&odd);
    EXPECT_EQ(other.MinimumSize(), 30);
}

TEST_F(NativeClasses, PopUpMenuShowsOnRightClickAndPublishesTheChosenLine)
{
    screens::FBase* figure = Drawn(133, 10, 10, 42, 42);
    screens::FBase* linked = Drawn(101, 60, 10, 120, 40);
    ClassData data = DataOf("MPopUp");
    Field(data, "menuLines").items = {"Start", "-", "Stop"};
    auto* popUp = Attach<screens::MPopUp>(*figure, data);
    popUp->Run();
    QMenu* menu = popUp->Menu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_TRUE(menu->actions()[1]->isSeparator());

    m_form.show();
    QTest::mousePress(figure, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
    QTest::mousePress(figure, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_FALSE(menu->isVisible());

    // A figure linked to it opens it too, once the chain exists.
    figure->SetLinkNext(linked);
    linked->SetLinkPrevious(figure);
    popUp->Run();
    QTest::mousePress(linked, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
    m_form.hide();

    // Choosing "Stop" publishes it as the menu choice, three cycles later.
    menu->actions()[2]->trigger();
    screens::MenuSelection& selection = screens::Globals().menu;
    for (int i = 0; i < 4; ++i)
        selection.CycleStep();
    EXPECT_EQ(selection.PublishedCaption(), "Stop");
    EXPECT_EQ(selection.PublishedNumber(), 3);
}
