// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include <QApplication>
#include <QKeyEvent>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include "ClassDataSupport.h"
#include "FigureTestSupport.h"
#include "TestVariables.h"
#include "screens/ClassDataIo.h"
#include "screens/ClassLayouts.h"
#include "screens/GaugeClasses.h"
#include "screens/GaugeWidgets.h"
#include "screens/ScreenGlobals.h"
#include "screens/TSimple.h"
#include "screens/TVEdit.h"

using screens::ClassData;

namespace {

using screens::testing::DataOf;
using screens::testing::Field;

std::string RawDouble(double value)
{
    const auto bits = std::bit_cast<std::uint64_t>(value);
    std::string bytes(8, '\0');
    for (int i = 0; i < 8; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    return bytes;
}

std::string RawLittle(std::int64_t value, int size)
{
    std::string bytes(static_cast<std::size_t>(size), '\0');
    for (int i = 0; i < size; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget& widget) { widget.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
    int count = 0;
};

class GaugeClasses : public ::testing::Test {
protected:
    void SetUp() override { screens::Globals().Reset(); }
    void TearDown() override { screens::Globals().Reset(); }

    // A window placeholder (kind 145) in the form's client area, as the current figure.
    screens::TSimple* Placeholder(int x1, int y1, int x2, int y2)
    {
        return figuretest::MakePlaceholder(m_form, x1, y1, x2, y2, "TCGAUGE", "GAUGE1");
    }

    screens::TVEdit* Edit(int x1, int y1, int x2, int y2)
    {
        auto* edit = new screens::TVEdit(0, &m_form.Client());
        screens::AttributsFig record = figuretest::Record(114, x1, y1, x2, y2);
        edit->SetLoading(true);
        edit->SetKind(114);
        edit->Load(record);
        edit->SetLoading(false);
        edit->SetNames("TCEDIT", "EDIT1");
        edit->show();
        return edit;
    }

    template <class T> T* Attach(screens::TSimple& placeholder, ClassData& data)
    {
        placeholder.AttachScreenObject(std::make_unique<T>());
        auto* object = dynamic_cast<T*>(placeholder.ScreenObject());
        object->ReadData(&data);
        return object;
    }

    screens::ScreenForm m_form;
};

} // namespace

TEST_F(GaugeClasses, UpDownKeepsItsLinkedEditWithinTheLimitsAndStepsIt)
{
    screens::TSimple* placeholder = Placeholder(120, 10, 136, 35);
    screens::TVEdit* edit = Edit(10, 10, 110, 35);
    ClassData data = DataOf("TCUPDOWN");
    Field(data, "minimum").number = 0;
    Field(data, "maximum").number = 50;
    Field(data, "increment").number = 5;
    auto* spin = Attach<screens::TCUpDown>(*placeholder, data);

    // The first Run (while loading, before the chain exists) builds the arrows only.
    spin->Run();
    ASSERT_NE(spin->Control(), nullptr);
    EXPECT_EQ(spin->AttachedEdit(), nullptr);
    placeholder->SetLinkNext(edit);
    edit->SetLinkPrevious(placeholder);

    edit->setText("72");
    spin->Run();
    EXPECT_EQ(spin->AttachedEdit(), edit);
    EXPECT_EQ(edit->text(), "50");
    EXPECT_EQ(spin->Position(), 50);
    EXPECT_EQ(screens::CurrentFigure(), placeholder); // the edit was current only meanwhile

    edit->setText("-3.6");
    spin->Run();
    EXPECT_EQ(edit->text(), "0");
    edit->setText(" 12.6 ");
    spin->Run();
    EXPECT_EQ(spin->Position(), 13);
    EXPECT_EQ(edit->text(), " 12.6 "); // within the limits: left as typed
    edit->setText("abc");
    spin->Run();
    EXPECT_EQ(edit->text(), "abc");
    EXPECT_EQ(spin->Position(), 13);

    // The arrows step the edit's value by the increment, within the limits.
    edit->setText("12.6");
    spin->Step(1);
    EXPECT_EQ(edit->text(), "18");
    QToolButton* up = nullptr;
    for (QToolButton* button : spin->Control()->findChildren<QToolButton*>())
        if (button->arrowType() == Qt::UpArrow)
            up = button;
    ASSERT_NE(up, nullptr);
    for (int i = 0; i < 10; ++i)
        up->click();
    EXPECT_EQ(edit->text(), "50");
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(edit, &down);
    EXPECT_EQ(edit->text(), "45");
    spin->SetPosition(-1000000000000LL);
    EXPECT_EQ(edit->text(), "0");
    EXPECT_EQ(spin->Position(), 0);

    // The arrows were placed against the edit's right side, as high as the edit.
    EXPECT_EQ(placeholder->geometry().left(), edit->geometry().right() + 1);
    EXPECT_EQ(placeholder->geometry().height(), edit->geometry().height());
}

TEST_F(GaugeClasses, TrackBarFollowsItsVariableOnlyOnChangeAndWritesBackOperatorMoves)
{
    screens::testing::TestVariables variables;
    variables.Add("LEVEL", 4);
    variables.SetInteger("LEVEL", 3);
    screens::TSimple* placeholder = Placeholder(10, 10, 210, 40);
    ClassData data = DataOf("TCTRACKBAR");
    Field(data, "track.n1").bytes = "level";
    auto* track = Attach<screens::TCTrackBar>(*placeholder, data);

    track->Run();
    QSlider* slider = track->Slider();
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->orientation(), Qt::Horizontal);
    EXPECT_EQ(slider->minimum(), 0);
    EXPECT_EQ(slider->maximum(), 10);
    EXPECT_EQ(slider->value(), 3);
    EXPECT_EQ(slider->geometry(), placeholder->rect());

    variables.SetInteger("LEVEL", 7);
    track->Run();
    EXPECT_EQ(slider->value(), 7);
    EXPECT_FALSE(track->TakeOperatorChange()); // the variable moved it, not the operator

    // The operator moves it: the variable follows, and the next Run does not move it back.
    slider->setValue(9);
    EXPECT_EQ(variables.Number("LEVEL"), 9);
    EXPECT_TRUE(track->TakeOperatorChange());
    EXPECT_FALSE(track->TakeOperatorChange());
    track->Run();
    EXPECT_EQ(slider->value(), 9);

    variables.SetInteger("LEVEL", 25);
    track->Run();
    EXPECT_EQ(slider->value(), 10);
    EXPECT_EQ(variables.Number("LEVEL"), 25); // showing a value never writes it

    // Resizing the placeholder resizes the control with it.
    m_form.show();
    placeholder->resize(300, 50);
    EXPECT_EQ(slider->size(), QSize(300, 50));
    m_form.hide();

    // An unknown variable switches the binding off; the bar still works for program code.
    screens::TSimple* other = Placeholder(10, 50, 40, 250);
    ClassData unknown = DataOf("TCTRACKBAR");
    Field(unknown, "track.n1").bytes = "NOSUCH";
    auto* loose = Attach<screens::TCTrackBar>(*other, unknown);
    loose->Run();
    loose->Run();
    EXPECT_FALSE(loose->Bound());
    EXPECT_EQ(loose->Slider()->orientation(), Qt::Vertical);
    loose->SetValue(4);
    EXPECT_EQ(loose->Slider()->value(), 4);
}

TEST_F(GaugeClasses, STrackBarTakesRangeTicksAndPositionFromItsRawSettings)
{
    screens::TSimple* placeholder = Placeholder(10, 10, 210, 40);
    ClassData data = DataOf("STrackBar");
    Field(data, "r1").bytes = RawLittle(200, 4);
    Field(data, "r2").bytes = RawLittle(-20, 2);
    Field(data, "r3").bytes = RawLittle(10, 2);
    Field(data, "r4").bytes = std::string("\x01\x02\x01\x00\x00", 5);
    Field(data, "r5").bytes = RawLittle(50, 4);
    auto* track = Attach<screens::STrackBar>(*placeholder, data);
    track->Run();
    QSlider* slider = track->Slider();
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->minimum(), -20);
    EXPECT_EQ(slider->maximum(), 200);
    EXPECT_EQ(slider->value(), 50);
    EXPECT_EQ(slider->tickInterval(), 10);
    EXPECT_EQ(slider->tickPosition(), QSlider::TicksBothSides);
    EXPECT_EQ(slider->orientation(), Qt::Vertical); // from the data, not the wide shape

    // Settings that make no range (all zero, a cut-short file) give the default 0..10.
    screens::TSimple* other = Placeholder(10, 50, 210, 80);
    ClassData empty = DataOf("STrackBar");
    Field(empty, "r4").bytes = "\x01";
    auto* fallback = Attach<screens::STrackBar>(*other, empty);
    fallback->Run();
    EXPECT_EQ(fallback->Slider()->maximum(), 10);
    EXPECT_EQ(fallback->Slider()->orientation(), Qt::Horizontal);
    EXPECT_FALSE(fallback->SetRange(5, 5));
    EXPECT_TRUE(fallback->SetRange(5, 8));
    EXPECT_EQ(fallback->Slider()->value(), 5);
}

TEST_F(GaugeClasses, SliderDrawsItsValueAndTakesTheOperatorsDrag)
{
    screens::testing::TestVariables variables;
    variables.Add("SPEED", 5);
    variables.SetReal("SPEED", 50);
    screens::TSimple* placeholder = Placeholder(0, 0, 212, 30);
    placeholder->SetForeColour(figuretest::kRecordRed);
    placeholder->SetBackColour(0x00FFFFFF);
    ClassData data = DataOf("TSLIDER");
    Field(data, "r1").bytes = RawDouble(0);
    Field(data, "r2").bytes = RawDouble(200);
    Field(data, "track.n1").bytes = "SPEED";
    auto* slider = Attach<screens::TSlider>(*placeholder, data);
    slider->Run();
    screens::GaugeWidget* gauge = slider->Gauge();
    ASSERT_NE(gauge, nullptr);
    EXPECT_EQ(gauge->Maximum(), 200);
    EXPECT_EQ(gauge->Value(), 50);

    // The value part (red) runs from the left end to a quarter of the track.
    const int middle = 15;
    const int length = 200; // between the 6-pixel margins
    auto red = [&](double fraction) {
        const QImage image = figuretest::Render(*gauge);
        const int x = 6 + static_cast<int>(fraction * length);
        return image.pixelColor(x, middle) == figuretest::kRed;
    };
    EXPECT_TRUE(red(0.1));
    EXPECT_FALSE(red(0.5));
    variables.SetReal("SPEED", 150);
    slider->Run();
    EXPECT_TRUE(red(0.6));
    EXPECT_FALSE(red(0.9));

    // A press at three quarters moves it there and writes the variable.
    m_form.show();
    QTest::mousePress(gauge, Qt::LeftButton, Qt::NoModifier, QPoint(6 + 150, middle));
    EXPECT_NEAR(gauge->Value(), 150, 1.0);
    QTest::mouseMove(gauge, QPoint(6 + 40, middle));
    QTest::mouseRelease(gauge, Qt::LeftButton, Qt::NoModifier, QPoint(6 + 40, middle));
    EXPECT_NEAR(static_cast<double>(variables.Number("SPEED")), 40, 1.0);
    EXPECT_TRUE(slider->TakeOperatorChange());
    QTest::keyClick(gauge, Qt::Key_End);
    EXPECT_EQ(variables.Number("SPEED"), 200);
}

TEST_F(GaugeClasses, KnobPointsAtItsValueOverAThreeQuarterTurn)
{
    screens::testing::TestVariables variables;
    variables.Add("TURN", 4);
    screens::TSimple* placeholder = Placeholder(0, 0, 100, 100);
    placeholder->SetForeColour(figuretest::kRecordRed);
    placeholder->SetBackColour(0x00FFFFFF);
    ClassData data = DataOf("TKNOB");
    Field(data, "r1").bytes = RawDouble(-10);
    Field(data, "r2").bytes = RawDouble(10);
    Field(data, "track.n1").bytes = "TURN";
    variables.SetInteger("TURN", -10);
    auto* knob = Attach<screens::TKnob>(*placeholder, data);
    knob->Run();
    screens::GaugeWidget* gauge = knob->Gauge();
    ASSERT_NE(gauge, nullptr);

    // A point of the pointer, 25 pixels from the centre towards `degrees`.
    auto pointerAt = [&](double degrees) {
        const double radians = degrees * 3.14159265358979 / 180.0;
        const QImage image = figuretest::Render(*gauge);
        const int x = 50 + static_cast<int>(std::lround(25 * std::cos(radians)));
        const int y = 50 - static_cast<int>(std::lround(25 * std::sin(radians)));
        return image.pixelColor(x, y) == figuretest::kRed;
    };
    EXPECT_TRUE(pointerAt(225)); // minimum: lower left
    EXPECT_FALSE(pointerAt(-45));
    variables.SetInteger("TURN", 10);
    knob->Run();
    EXPECT_TRUE(pointerAt(-45)); // maximum: lower right
    EXPECT_FALSE(pointerAt(225));
    variables.SetInteger("TURN", 0);
    knob->Run();
    EXPECT_TRUE(pointerAt(90)); // middle: straight up

    // Dragging to the right of the centre turns it towards the maximum.
    m_form.show();
    QTest::mousePress(gauge, Qt::LeftButton, Qt::NoModifier, QPoint(90, 50));
    // Three o'clock lies five sixths along the turn: -10 + 20 * 5 / 6, rounded for the integer.
    EXPECT_EQ(variables.Number("TURN"), 7);
}

TEST_F(GaugeClasses, UnchangedValuesDoNotRepaint)
{
    screens::testing::TestVariables variables;
    variables.Add("LEVEL", 5);
    variables.SetReal("LEVEL", 20);
    screens::TSimple* placeholder = Placeholder(0, 0, 200, 30);
    ClassData data = DataOf("TSLIDER");
    Field(data, "track.n1").bytes = "LEVEL";
    auto* slider = Attach<screens::TSlider>(*placeholder, data);
    slider->Run();
    m_form.show();
    QApplication::processEvents();
    PaintCounter paints(*slider->Gauge());

    for (int i = 0; i < 3; ++i)
        slider->Run();
    QApplication::processEvents();
    EXPECT_EQ(paints.count, 0);

    variables.SetReal("LEVEL", 21);
    slider->Run();
    QApplication::processEvents();
    EXPECT_GE(paints.count, 1);
    m_form.hide();
}
