// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ButtonCommands.h"

#include "runtime/InteractionCommands.h"
#include "runtime/RuntimeLibrary.h"
#include "runtime/ScreenCommandSupport.h"
#include "screens/ButtonClasses.h"
#include "screens/ControlClasses.h"
#include "screens/FBase.h"
#include "screens/Figure.h"
#include "screens/FigureKind.h"
#include "screens/ScreenGlobals.h"
#include "screens/ScreenObjectOf.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <initializer_list>
#include <string>

namespace runtime {

namespace screencmd {

using support::Current;

namespace {

bool IsKind(const screens::Figure& figure, screens::FigureKind kind) {
    return figure.Properties().kind == static_cast<std::uint8_t>(kind);
}

bool IsButtonKind(const screens::Figure& figure) {
    return IsKind(figure, screens::FigureKind::Button) ||
           IsKind(figure, screens::FigureKind::XpButton);
}

QAbstractButton* CheckOf(screens::Figure* figure) {
    if (figure == nullptr || !IsKind(*figure, screens::FigureKind::CheckBox))
        return nullptr;
    return screens::CheckControlOf(*figure);
}

QAbstractButton* CurrentCheck() {
    return CheckOf(Current());
}

// The current figure when it is a drawn button.
screens::FBase* CurrentButton() {
    screens::FBase* drawn = support::CurrentDrawn();
    return drawn != nullptr && IsButtonKind(*drawn) ? drawn : nullptr;
}

// Unchecks the check boxes of the figure's chain other than itself (of class T when given).
template <typename T = void> void UncheckOthers(screens::Figure& figure) {
    for (screens::Figure* other : screens::LinkChainOf(figure)) {
        if (other == &figure)
            continue;
        if constexpr (!std::is_void_v<T>) {
            if (screens::ScreenObjectOf<T>(other) == nullptr)
                continue;
        }
        if (QAbstractButton* box = CheckOf(other); box != nullptr && box->isChecked())
            box->setChecked(false);
    }
}

// Whether the latched events hold a press (or release) of the left button on the figure.
bool PressedOn(screens::Figure& figure) {
    const screens::InputEvents& input = screens::Globals().input.Latched();
    return input.leftDown && input.figure == &figure.Widget();
}

bool ReleasedOn(screens::Figure& figure) {
    const screens::InputEvents& input = screens::Globals().input.Latched();
    return input.leftUp && input.figure == &figure.Widget();
}

// A Bmp figure shows `name` unless it shows it already.
void ShowPicture(screens::FBase& figure, const ShortString& name) {
    if (IsKind(figure, screens::FigureKind::Bmp) && figure.Properties().text != name.View())
        figure.SetText(name.Str());
}

ShortString ChangeCase(ShortString text, char from, char to) {
    std::string bytes = text.Str();
    for (char& c : bytes)
        if (c >= from && c <= static_cast<char>(from + 25))
            c = static_cast<char>(c - from + to);
    return ShortString(bytes);
}

} // namespace

void Check() {
    if (QAbstractButton* box = CurrentCheck())
        box->setChecked(true);
}

void Uncheck() {
    if (QAbstractButton* box = CurrentCheck())
        box->setChecked(false);
}

std::int32_t GetCheck() {
    QAbstractButton* box = CurrentCheck();
    if (box == nullptr)
        return 0;
    if (auto* check = dynamic_cast<QCheckBox*>(box))
        return check->checkState() == Qt::PartiallyChecked ? 2 : check->isChecked() ? 1 : 0;
    return box->isChecked() ? 1 : 0;
}

void SetCheck(std::int32_t flag) {
    QAbstractButton* box = CurrentCheck();
    if (box == nullptr)
        return;
    auto* check = dynamic_cast<QCheckBox*>(box);
    if (flag == 2 && check != nullptr) {
        check->setTristate(true);
        check->setCheckState(Qt::PartiallyChecked);
        return;
    }
    box->setChecked(flag != 0);
}

bool GetCheckBox() {
    QAbstractButton* box = CurrentCheck();
    return box != nullptr && box->isChecked();
}

void SetCheckBox(bool state) {
    if (QAbstractButton* box = CurrentCheck())
        box->setChecked(state);
}

bool GetQioBox() {
    screens::Figure* figure = Current();
    QAbstractButton* box = CheckOf(figure);
    if (box == nullptr)
        return false;
    auto* binding = screens::ScreenObjectOf<screens::CheckBinding>(figure);
    screens::ScreenVariables* variables = screens::Globals().variables;
    if (binding == nullptr || !binding->Bound() || variables == nullptr)
        return box->isChecked();
    return variables->ReadByte(binding->Binding()->address) != 0;
}

void SetQioBox(bool state) {
    screens::Figure* figure = Current();
    QAbstractButton* box = CheckOf(figure);
    if (box == nullptr)
        return;
    auto* binding = screens::ScreenObjectOf<screens::CheckBinding>(figure);
    screens::ScreenVariables* variables = screens::Globals().variables;
    if (binding != nullptr && binding->Bound() && variables != nullptr) {
        const bool boolean = binding->Binding()->type == 3;
        const char* text = boolean ? (state ? "True" : "False") : (state ? "1" : "0");
        variables->SetText(binding->Variable(), text);
    }
    box->setChecked(state);
}

void Exclusive() {
    screens::Figure* figure = Current();
    QAbstractButton* box = CheckOf(figure);
    if (box == nullptr)
        return;
    box->setChecked(true);
    UncheckOthers(*figure);
}

bool GetRadio() {
    return GetCheckBox();
}

void SetRadio(bool state) {
    screens::Figure* figure = Current();
    QAbstractButton* box = CheckOf(figure);
    if (box == nullptr)
        return;
    box->setChecked(state);
    if (state)
        UncheckOthers<screens::TCRadio>(*figure);
}

void ExclusiveButton() {
    screens::FBase* button = CurrentButton();
    if (button == nullptr)
        return;
    if (!button->Down())
        button->SetDown(true);
    for (screens::Figure* other : screens::LinkChainOf(*button)) {
        auto* drawn = dynamic_cast<screens::FBase*>(other);
        if (drawn != nullptr && drawn != button && IsButtonKind(*drawn) && drawn->Down())
            drawn->SetDown(false);
    }
}

void LoadBmp(ShortString name) {
    screens::Figure* figure = Current();
    if (auto* glyphButton = screens::ScreenObjectOf<screens::ButtonBinding>(figure)) {
        if (!name.Empty())
            glyphButton->LoadGlyph(name.View());
        return;
    }
    if (auto* drawn = support::CurrentDrawn();
        drawn != nullptr && IsKind(*drawn, screens::FigureKind::Bmp))
        drawn->SetText(name.Str());
}

void LoadBmpFromRes() {
    if (auto* glyphButton = screens::ScreenObjectOf<screens::ButtonBinding>(Current()))
        glyphButton->LoadGlyph({});
}

bool Button() {
    screens::Figure* figure = Current();
    if (auto* glyphButton = screens::ScreenObjectOf<screens::ButtonBinding>(figure))
        return glyphButton->ClickedThisCycle();
    screens::FBase* button = CurrentButton();
    return button != nullptr && ReleasedOn(*button);
}

bool ToggleOwner(ShortString nUp, ShortString nDown) {
    screens::FBase* figure = support::CurrentDrawn();
    if (figure == nullptr)
        return false;
    if (PressedOn(*figure))
        figure->SetDown(!figure->Down());
    ShowPicture(*figure, figure->Down() ? nDown : nUp);
    return figure->Down();
}

bool ButtonOwner(ShortString nUp, ShortString nDown) {
    screens::FBase* figure = support::CurrentDrawn();
    if (figure == nullptr)
        return false;
    const bool pressed = PressedOn(*figure);
    if (pressed && !figure->Down())
        figure->SetDown(true);
    // The release goes to the figure that had the press, wherever the mouse is then.
    if (ReleasedOn(*figure) && figure->Down())
        figure->SetDown(false);
    ShowPicture(*figure, figure->Down() ? nDown : nUp);
    return pressed || figure->Down();
}

ShortString UpCases(ShortString text) {
    return ChangeCase(text, 'a', 'A');
}

ShortString LoCases(ShortString text) {
    return ChangeCase(text, 'A', 'a');
}

} // namespace screencmd

using namespace screencmd;

platform::Status AddButtonCommands(Implementations& implementations) {
    Implementations& in = implementations;
    for (const platform::Status& added : {
             in.Add<&Check>("CHECK"),
             in.Add<&Uncheck>("UNCHECK"),
             in.Add<&GetCheck>("GETCHECK"),
             in.Add<&SetCheck>("SETCHECK"),
             in.Add<&GetCheckBox>("GETCHECKBOX"),
             in.Add<&SetCheckBox>("SETCHECKBOX"),
             in.Add<&GetQioBox>("GETQIOBOX"),
             in.Add<&SetQioBox>("SETQIOBOX"),
             in.Add<&Exclusive>("EXCLUSIVE"),
             in.Add<&ExclusiveButton>("EXCLUSIVEBUTTON"),
             in.Add<&LoadBmp>("LOADBMP"),
             in.Add<&LoadBmpFromRes>("LOADBMPFROMRES"),
             in.Add<&Button>("BUTTON"),
             in.Add<&ToggleOwner>("TOGGLEOWNER"),
             in.Add<&ButtonOwner>("BUTTONOWNER"),
             in.Add<&GetRadio>("GETRADIO"),
             in.Add<&SetRadio>("SETRADIO"),
             in.Add<&UpCases>("UPCASES"),
             in.Add<&LoCases>("LOCASES"),
             AddInteractionCommands(in),
         }) {
        if (!added)
            return added;
    }
    return {};
}

} // namespace runtime
