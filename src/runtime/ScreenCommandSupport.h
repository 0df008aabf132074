// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <QRect>
#include <QString>
#include <atomic>
#include <string>
#include <string_view>
#include <vector>

namespace screens {
class FBase;
class Figure;
class ScreenForm;
} // namespace screens

// What the screen command families share: reaching the current figure, its bounds, figures by
// name, forms by name and the code-page texts of Qt. GUI thread only.
namespace runtime::screencmd::support {

// Coordinates of screen files are 16-bit: commands keep positions and sizes within them.
inline constexpr int kMinCoordinate = -32768;
inline constexpr int kMaxCoordinate = 32767;

// The current figure, or null.
screens::Figure* Current();
// The current figure when it is a drawn one, or null.
screens::FBase* CurrentDrawn();

// Position and size in the parent; for drawn figures the size they draw in.
QRect BoundsOf(screens::Figure& figure);
// Sets them, clamping the position to the coordinate range and the size to 0..kMaxCoordinate.
void SetBoundsOf(screens::Figure& figure, long long left, long long top, long long width,
                 long long height);

// The figures of a window in the order of its widget tree (each figure, then the figures inside
// it), which is creation order unless the stacking order was changed.
std::vector<screens::Figure*> FiguresOf(screens::ScreenForm& window);
// The figure whose object name is `name` (compared ignoring ASCII case), or null.
screens::Figure* FindFigure(screens::ScreenForm& window, std::string_view name);
// The screen form of that name among the application's windows (ignoring ASCII case), or null.
screens::ScreenForm* FindForm(std::string_view name);

// Whether the caller runs on the screens' thread, which owns windows, figures, charts, viewers and
// menus. The second form logs `warning` the first time a command family, whose flag `warned` is,
// is called from another thread (a cyclic unit on the scan thread).
bool OnGuiThread();
bool OnGuiThread(std::atomic<bool>& warned, std::string_view warning);

std::string UpperAscii(std::string_view text);
QString ToQt(std::string_view codePageText);
std::string FromQt(const QString& text);

} // namespace runtime::screencmd::support
