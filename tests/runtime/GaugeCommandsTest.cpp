// Quorva run-time. Licensed under the MIT licence.
#include "runtime/GaugeCommands.h"
#include "FigureRecords.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <memory>
#include <string>

#include <QApplication>
#include <QKeyEvent>
#include <QSlider>

#include "../screens/TestVariables.h"
#include "screens/AttributsFig.h"
#include "screens/ClassDataIo.h"
#include "screens/ClassLayouts.h"
#include "screens/FBase.h"
#include "screens/FigureKind.h"
#include "screens/GaugeClasses.h"
#include "screens/GaugeWidgets.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/TSimple.h"
#include "screens/TVEdit.h"

namespace cmd = runtime::screencmd;
using screens::AttributsFig;
using screens::ClassData;
using screens::FigureKind;

namespace {

using testsupport::Record;

ClassData DataOf(std::string_view className)
{
    const screens::ClassLayout* layout = screens::FindClassLayout(className);
    EXPECT_NE(layout, nullptr) << className;
    return layout != nullptr ? screens::DefaultClassData(*layout) : ClassData{};
}

class GaugeCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        screens::Globals().Reset();
        m_form.SetScreenName("PANEL");
        screens::SetCurrentWindow(&m_form);
    }
    void TearDown() override { screens::Globals().Reset(); }

    template <typename T, typename... Args> T* Make(const AttributsFig& record, Args... args)
    {
        auto* figure = new T(args..., &m_form.Client());
        figure->SetLoading(true);
        figure->SetKind(record.kind);
        figure->Load(record);
        figure->SetLoading(false);
        figure->show();
        return figure;
    }

    // A placeholder carrying an object of class T built from `data`, run once, current.
    template <class T> T* Placed(ClassData data, int x2 = 210, int y2 = 40)
    {
        auto* placeholder = Make<screens::TSimple>(Record(FigureKind::Window, 10, 10, x2, y2));
        screens::SetCurrentFigure(placeholder);
        placeholder->AttachScreenObject(std::make_unique<T>());
        auto* object = dynamic_cast<T*>(placeholder->ScreenObject());
        object->ReadData(&data);
        object->Run();
        return object;
    }

    screens::ScreenForm m_form;
};

} // namespace

TEST_F(GaugeCommands, WrongTargetsDoNothingAndAnswerZero)
{
    // No current figure, then an edit field, then a slider asked for track-bar work.
    for (int target = 0; target < 3; ++target) {
        if (target == 1)
            screens::SetCurrentFigure(Make<screens::TVEdit>(Record(FigureKind::Edit, 0, 0, 50, 20),
                                                            std::uint8_t{0}));
        if (target == 2)
            Placed<screens::TSlider>(DataOf("TSLIDER"));
        cmd::SetTrackBar(5);
        cmd::SetTrackStart(1);
        cmd::SetTrackEnd(9);
        cmd::SetUpDown(3);
        cmd::SetAngle(90);
        cmd::FloodFill(true, 0xFF, 50);
        EXPECT_FALSE(cmd::TrackChange());
        EXPECT_FALSE(cmd::TrackQioChange(4));
        EXPECT_EQ(cmd::GetTrackBar(), 0);
        EXPECT_EQ(cmd::GetUpDown(), 0);
        EXPECT_EQ(cmd::GetAngle(), 0);
        if (target != 2) {
            cmd::SetSlider(5);
            EXPECT_FALSE(cmd::SliderChange());
            EXPECT_FALSE(cmd::SliderQioChange(4));
            EXPECT_EQ(cmd::GetSlider(), 0);
        }
    }
}

TEST_F(GaugeCommands, SliderCommandsSetReadAndFollowOnlyChangedValues)
{
    screens::testing::TestVariables variables;
    variables.Add("SPEED", 5);
    ClassData data = DataOf("TSLIDER");
    data.Find("track.n1")->bytes = "SPEED";
    screens::TSlider* slider = Placed<screens::TSlider>(data); // range 0..100

    cmd::SetSlider(250);
    EXPECT_EQ(cmd::GetSlider(), 100);
    EXPECT_EQ(variables.Number("SPEED"), 100); // the bound variable follows program code
    EXPECT_FALSE(cmd::SliderChange());         // which is no operator change

    EXPECT_TRUE(cmd::SliderQioChange(40));
    EXPECT_EQ(cmd::GetSlider(), 40);
    EXPECT_FALSE(cmd::SliderQioChange(40));

    // The operator moves it: reported once, and an unchanged QIO value does not undo it.
    slider->Gauge()->setFocus();
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
    QApplication::sendEvent(slider->Gauge(), &end);
    EXPECT_EQ(cmd::GetSlider(), 100);
    EXPECT_TRUE(cmd::SliderChange());
    EXPECT_FALSE(cmd::SliderChange());
    EXPECT_FALSE(cmd::SliderQioChange(40));
    EXPECT_EQ(cmd::GetSlider(), 100);
    EXPECT_TRUE(cmd::SliderQioChange(41.5L));
    EXPECT_EQ(cmd::GetSlider(), 41.5L);
    EXPECT_TRUE(cmd::SliderQioChange(std::numeric_limits<long double>::quiet_NaN()));
    EXPECT_EQ(cmd::GetSlider(), 0);
}

TEST_F(GaugeCommands, TrackBarCommandsSetRangeAndPosition)
{
    screens::TCTrackBar* track = Placed<screens::TCTrackBar>(DataOf("TCTRACKBAR"));
    cmd::SetTrackEnd(100);
    cmd::SetTrackStart(10);
    EXPECT_EQ(track->Slider()->minimum(), 10);
    EXPECT_EQ(track->Slider()->maximum(), 100);
    EXPECT_EQ(cmd::GetTrackBar(), 10); // the position moved into the new range
    cmd::SetTrackStart(100); // a start not below the end is refused
    cmd::SetTrackEnd(INT_MIN);
    EXPECT_EQ(track->Slider()->minimum(), 10);
    EXPECT_EQ(track->Slider()->maximum(), 100);

    cmd::SetTrackBar(INT_MAX);
    EXPECT_EQ(cmd::GetTrackBar(), 100);
    cmd::SetTrackBar(55);
    EXPECT_EQ(track->Slider()->value(), 55);
    EXPECT_FALSE(cmd::TrackChange());
    track->Slider()->setValue(60); // as the operator's drag does
    EXPECT_TRUE(cmd::TrackChange());
    EXPECT_TRUE(cmd::TrackQioChange(20));
    EXPECT_EQ(cmd::GetTrackBar(), 20);
    EXPECT_FALSE(cmd::TrackQioChange(20));

    // STrackBar answers the same commands.
    Placed<screens::STrackBar>(DataOf("STrackBar"));
    cmd::SetTrackBar(7);
    EXPECT_EQ(cmd::GetTrackBar(), 7);
}

TEST_F(GaugeCommands, UpDownCommandsClampAndWriteTheEdit)
{
    auto* edit = Make<screens::TVEdit>(Record(FigureKind::Edit, 10, 50, 110, 75), std::uint8_t{0});
    ClassData data = DataOf("TCUPDOWN");
    data.Find("minimum")->number = -10;
    data.Find("maximum")->number = 10;
    screens::TCUpDown* spin = Placed<screens::TCUpDown>(data, 26, 35);
    screens::Figure* placeholder = screens::CurrentFigure();
    placeholder->SetLinkNext(edit);
    edit->SetLinkPrevious(placeholder);
    spin->Run();

    cmd::SetUpDown(99);
    EXPECT_EQ(cmd::GetUpDown(), 10);
    EXPECT_EQ(edit->text(), "10");
    cmd::SetUpDown(INT_MIN);
    EXPECT_EQ(cmd::GetUpDown(), -10);
    EXPECT_EQ(edit->text(), "-10");
    EXPECT_EQ(screens::CurrentFigure(), placeholder);
}

TEST_F(GaugeCommands, AngleAndFloodFillActOnDrawnFigures)
{
    auto* text = Make<screens::FBase>(Record(FigureKind::Text, 10, 10, 80, 30));
    screens::SetCurrentFigure(text);
    cmd::SetAngle(-90);
    EXPECT_EQ(cmd::GetAngle(), 270);
    cmd::SetAngle(725);
    EXPECT_EQ(cmd::GetAngle(), 5);
    cmd::SetAngle(INT_MIN);
    EXPECT_GE(cmd::GetAngle(), 0);
    EXPECT_LT(cmd::GetAngle(), 360);

    auto* rect = Make<screens::FBase>(Record(FigureKind::Rectang, 10, 40, 80, 90));
    screens::SetCurrentFigure(rect);
    cmd::FloodFill(true, 0x0000FF, 150);
    EXPECT_TRUE(rect->Properties().fillOn);
    EXPECT_EQ(rect->Properties().fillLevel, 100);
    EXPECT_EQ(rect->Properties().fillColour, 0x0000FFu);
    cmd::FloodFill(false, 0, -5);
    EXPECT_FALSE(rect->Properties().fillOn);
    EXPECT_EQ(rect->Properties().fillLevel, 0);
}
