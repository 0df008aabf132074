// Quorva run-time. Licensed under the MIT licence.
#include "runtime/GaugeCommands.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "runtime/RuntimeLibrary.h"
#include "runtime/ScreenCommandSupport.h"
#include "screens/FBase.h"
#include "screens/GaugeClasses.h"
#include "screens/ScreenObjectOf.h"

namespace runtime {

namespace screencmd {
namespace {

screens::TSlider* CurrentSlider()
{
    return screens::ScreenObjectOf<screens::TSlider>(support::Current());
}

screens::TrackBarBinding* CurrentTrackBar()
{
    return screens::ScreenObjectOf<screens::TrackBarBinding>(support::Current());
}

screens::TCUpDown* CurrentUpDown()
{
    return screens::ScreenObjectOf<screens::TCUpDown>(support::Current());
}

std::int32_t ToInteger(double value)
{
    return static_cast<std::int32_t>(std::clamp(std::round(value), -2147483648.0, 2147483647.0));
}

} // namespace

bool SliderChange()
{
    screens::TSlider* slider = CurrentSlider();
    return slider != nullptr && slider->TakeOperatorChange();
}

bool SliderQioChange(long double qioValue)
{
    screens::TSlider* slider = CurrentSlider();
    return slider != nullptr && slider->FollowChangedValue(static_cast<double>(qioValue));
}

long double GetSlider()
{
    screens::TSlider* slider = CurrentSlider();
    return slider != nullptr ? slider->Value() : 0;
}

void SetSlider(long double position)
{
    if (screens::TSlider* slider = CurrentSlider())
        slider->SetValue(static_cast<double>(position));
}

bool TrackChange()
{
    screens::TrackBarBinding* track = CurrentTrackBar();
    return track != nullptr && track->TakeOperatorChange();
}

bool TrackQioChange(std::int32_t qioValue)
{
    screens::TrackBarBinding* track = CurrentTrackBar();
    return track != nullptr && track->FollowChangedValue(qioValue);
}

std::int32_t GetTrackBar()
{
    screens::TrackBarBinding* track = CurrentTrackBar();
    return track != nullptr ? ToInteger(track->Value()) : 0;
}

void SetTrackBar(std::int32_t position)
{
    if (screens::TrackBarBinding* track = CurrentTrackBar())
        track->SetValue(position);
}

void SetTrackStart(std::int32_t position)
{
    if (screens::TrackBarBinding* track = CurrentTrackBar())
        track->SetRange(position, track->Maximum());
}

void SetTrackEnd(std::int32_t position)
{
    if (screens::TrackBarBinding* track = CurrentTrackBar())
        track->SetRange(track->Minimum(), position);
}

std::int32_t GetUpDown()
{
    screens::TCUpDown* spin = CurrentUpDown();
    return spin != nullptr ? spin->Position() : 0;
}

void SetUpDown(std::int32_t value)
{
    if (screens::TCUpDown* spin = CurrentUpDown())
        spin->SetPosition(value);
}

std::int32_t GetAngle()
{
    screens::FBase* drawn = support::CurrentDrawn();
    return drawn != nullptr ? drawn->Properties().angle : 0;
}

void SetAngle(std::int32_t angle)
{
    screens::FBase* drawn = support::CurrentDrawn();
    if (drawn == nullptr)
        return;
    const int degrees = ((angle % 360) + 360) % 360;
    if (degrees != drawn->Properties().angle)
        drawn->SetAngle(degrees);
}

void FloodFill(bool isFlood, std::int32_t colour, std::int32_t percent)
{
    screens::FBase* drawn = support::CurrentDrawn();
    if (drawn == nullptr)
        return;
    drawn->SetFillColour(static_cast<std::uint32_t>(colour));
    drawn->SetFillLevel(percent);
    drawn->SetFillOn(isFlood);
}

} // namespace screencmd

platform::Status AddGaugeCommands(Implementations& implementations)
{
    using namespace screencmd;
    Implementations& in = implementations;
    for (const platform::Status& added : {
             in.Add<&SliderChange>("SLIDERCHANGE"),
             in.Add<&SliderQioChange>("SLIDERQIOCHANGE"),
             in.Add<&GetSlider>("GETSLIDER"),
             in.Add<&SetSlider>("SETSLIDER"),
             in.Add<&TrackChange>("TRACKCHANGE"),
             in.Add<&TrackQioChange>("TRACKQIOCHANGE"),
             in.Add<&GetTrackBar>("GETTRACKBAR"),
             in.Add<&SetTrackBar>("SETTRACKBAR"),
             in.Add<&SetTrackStart>("SETTRACKSTART"),
             in.Add<&SetTrackEnd>("SETTRACKEND"),
             in.Add<&GetUpDown>("GETUPDOWN"),
             in.Add<&SetUpDown>("SETUPDOWN"),
             in.Add<&GetAngle>("GETANGLE"),
             in.Add<&SetAngle>("SETANGLE"),
             in.Add<&FloodFill>("FLOODFILL"),
         }) {
        if (!added)
            return added;
    }
    return {};
}

} // namespace runtime
