// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"
#include "runtime/GuestValues.h"
#include "runtime/ShortString.h"

#include <cstdint>

namespace runtime {

class Implementations;

// Binds the screen commands below: figure geometry and look, events and input, edit controls
// and visibility, and the form commands (COMMUT_FIG, whose entry GO2 shares, CLOSEFORM,
// CLOSEAPPLI, SETCAPTION, GETCAPTION, SETPAGE, GETPAGE, GETPARENTNAME, GETOBJECTNAME,
// FINDOBJECTNAME, TYPEFIG, PROCESSMESSAGES).
platform::Status AddScreenCommands(Implementations& implementations);

// The commands as plain functions. They act on the current window and the current figure
// (screens::Globals) and run on the GUI thread only. A command whose target is missing or of
// another kind does nothing and returns 0, false or the empty String; bad arguments (negative
// sizes, absurd coordinates, a line out of range) are clamped or ignored, never an error.
// Texts are code-page bytes.
namespace screencmd {

// --- Figure geometry and look ---
// Coordinates are pixels relative to the figure's parent; positions are clamped to the range of
// a screen file's coordinates (-32768..32767) and sizes to 0..32767.
void SetXOrg(std::int32_t xOrg); // moves the left edge, keeping the right edge
void SetYOrg(std::int32_t yOrg); // moves the top edge, keeping the bottom edge
std::int32_t GetXOrg();
std::int32_t GetYOrg();
void SetXFin(std::int32_t xEnd); // width := xEnd - left
void SetYFin(std::int32_t yEnd); // height := yEnd - top
std::int32_t GetXFin();          // left + width
std::int32_t GetYFin();          // top + height
// Moves the figure by (dx, dy), keeping its size.
void Displace(std::int32_t dx, std::int32_t dy);
// Moves the figure's origin (left, top) by (dx, dy), keeping its end (right, bottom).
void ODisplace(std::int32_t dx, std::int32_t dy);
// Moves the figure's end (right, bottom) by (dx, dy), keeping its origin: it grows or shrinks.
void OEnlarge(std::int32_t dx, std::int32_t dy);

// Drawn figures: the value (bars clamp it to 0..100). Edit fields and combo boxes: the text
// becomes the value written as text when it differs from GetValue.
void SetValue(long double value);
// Edit fields and combo boxes: their text read by VAL's rules (0 for text that is no number);
// drawn figures: their value; otherwise 0.
long double GetValue();
void SetColor(std::int32_t colour);     // fore colour, any figure
void SetFillColor(std::int32_t colour); // back colour, any figure
std::int32_t GetColor();
std::int32_t GetFillColor();
void SetPenWidth(std::int32_t width); // drawn figures; clamped to 0..255
std::int32_t GetPenWidth();
void SetNDecimales(std::int32_t decimals); // drawn figures; clamped to 0..255
std::int32_t GetNDecimales();
void Filled();
void Unfilled();
bool IsFilled();
// The current window's background as a Windows colour value (0 without a window).
std::int32_t WinBkgndColor();
// Bmp figures: display mode 1 (stretched) when state is not 0, else 0 (copied).
void StretchBmp(std::int32_t state);

// --- Forms and navigation ---
// Makes the figure of that object name in the current window the current figure; false, and
// nothing changed, when the window has none.
bool CommutFig(ShortString name);
// Closes the form of that name while it is the current window; false when no form has it.
// A form that refuses to close (its close permission is off) stays open; the result is true.
bool CloseForm(ShortString formName);
// Shows the form of that name: a visible one is restored and brought to the front; a hidden one
// is shown as the current window for that moment; a project screen that is not open yet is
// built (its unit, window and menu) and shown. Any other name is started as a program (as
// EXECUTE).
void Display(ShortString formName);
// Starts the command line as a program, without a shell, and returns at once (a program that
// cannot be started is logged). MODALEXECUTE waits until it ends while the screens keep being
// drawn and their objects keep running.
void Execute(ShortString commandLine);
void ModalExecute(ShortString commandLine);
// Shows the form as a modal window (opening the project screen when it is not open yet) and
// returns when it closes; the screens keep being drawn meanwhile.
void DisplayModal(ShortString formName);
// The handles (numbers of the run-time's handle table, as GETFORMHANDLE gives) of the current
// window and of the main window; 0 when there is none.
std::int32_t GetHwnd();
std::int32_t GetMainHwnd();
// Minimises every visible form.
void AllIconic();
// The visible stay-on-top forms become normal windows (a dialog of another program can then come
// above them); RESTORETOPMOSTS puts them back on top.
void NormalizeTopmosts();
void RestoreTopmosts();
// Closes the main window, which ends the run, even when its close permission is off.
void CloseAppli();
void SetCaption(ShortString caption); // the current window's title
ShortString GetCaption();
// Selects a page: of the current figure's page control when it has one (from 0; a page it lacks
// changes nothing), else the window's page (0..255), which shows the figures of that page.
void SetPage(std::int32_t page);
std::int32_t GetPage();
// The current window's name, a backslash and the name of the current figure's parent (a
// container figure's object name, else the window's name).
ShortString GetParentName();
ShortString GetObjectName(); // the current figure's class name
// The object name of the first figure of the current window whose class name is `className`
// (ignoring case); empty when none.
ShortString FindObjectName(ShortString className);
std::int32_t TypeFig(); // the current figure's kind code, 0 without one
// Processes the pending events `count` times (clamped to 0..1000).
void ProcessMessages(std::int32_t count);

// --- Events and input ---
// Make the next or previous figure of the current figure's link chain current; false at the
// end of the chain. The _COMPO variants skip the figures that carry no screen object.
bool NextGroup();
bool PreviousGroup();
bool NextGroupCompo();
bool PreviousGroupCompo();
// The input events latched for this cycle, when they happened in the current window.
bool TopLbDown();
bool TopRbDown();
bool TopLbUp();
bool TopRbUp();
bool DoubleClick();
std::uint16_t GetVirKey();
ShortString GetKey();
bool KeyUp();
// Whether the latched events hit the current figure.
bool IsMe();
bool GetButton(); // the down state of a drawn figure
void SetButton(bool down);
ShortString GetTextMessage();
void SetTextMessage(ShortString text);

// --- Edit controls and visibility ---
// Edit fields (one line) and memos. Lines count from 0; positions count characters from 0, a
// memo's line break as two (carriage return and line feed).
std::int32_t GetNumLines();
// Writes line `line` (cut to the variable's capacity) into `text`; false when out of range.
bool GetLine(StringRef text, std::int32_t line);
std::int32_t GetLineLength(std::int32_t line); // 0 when out of range
void GetSelection(Ref<std::int32_t> start, Ref<std::int32_t> end);
// The line holding a position (clamped into the text).
std::int32_t GetLineFromPos(std::int32_t position);
// Selects from start to end (clamped into the text; a negative end means the end of the text).
bool SetSelection(std::int32_t start, std::int32_t end);
bool DeleteLine(std::int32_t line);
bool DeleteSelection();            // false when nothing is selected
void EditInsert(ShortString text); // at the cursor, replacing the selection
bool IsModified();
void ClearModify();
void SetReadOnly(bool readOnly); // edit fields (kind 114)
bool GetFocus();
void HideControl();
void ShowControl();
bool ControlVisible();

} // namespace screencmd

} // namespace runtime
