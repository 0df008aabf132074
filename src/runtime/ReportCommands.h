// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <string>
#include <string_view>

#include <QImage>
#include <QRectF>
#include <QSizeF>

#include "platform/Result.h"
#include "runtime/PrintQueue.h"

class QWidget;

namespace shell {
class PrintSpool;
} // namespace shell

namespace runtime {

class Implementations;

// PRINTREPORT(Form Name) and HARDCOPY().
platform::Status AddReportCommands(Implementations& implementations);

// Where PRINTREPORT and HARDCOPY send their pages: the run-time's print spool, attached at start
// and detached before it goes (null: none; the commands then print nothing and say so in the
// log). Not owned. Any thread.
void AttachReportSpool(shell::PrintSpool* spool);

namespace report {

// The resolution report pages are drawn at: the print commands' device space.
constexpr int kReportUnitsPerInch = 600;
// Reports and hard copies keep at least this far from the sheet's edges (points, 10 mm), also
// on a page without printer margins (a PDF file).
constexpr double kMinimumMarginPoints = 72.0 * 10.0 / 25.4;

// The rectangle, in points on the sheet as oriented, that a picture of `source` (any unit) is
// drawn into: the printable area of `page`, kept kMinimumMarginPoints from the edges, at its top
// left corner, as wide as that area allows, or as high when the picture is the taller one;
// the proportions are kept. Empty for an empty source.
QRectF PlaceOnPage(const PageSetup& page, QSizeF source);

// Draws `widget` and its children (as their own painting does, at the page's resolution, not as
// a screen grab) as one page into the PDF file `pdfPath`, placed by PlaceOnPage. GUI thread.
platform::Status RenderWidgetPage(QWidget& widget, const PageSetup& page,
                                  const std::string& pdfPath);
// Writes `image` as one page into the PDF file `pdfPath`, placed by PlaceOnPage. Any thread.
platform::Status RenderImagePage(const QImage& image, const PageSetup& page,
                                 const std::string& pdfPath);

// PRINTREPORT: the named form (an open one, else the project's screen of that name, built for
// the page and removed afterwards) as a report page: its client area with its figures. An
// unknown name prints nothing and is logged. Called on another thread than the screens', the
// command is carried out on theirs, soon after.
void PrintReport(std::string_view formName);
// HARDCOPY: the current window as it is on the screen, scaled to the page width (the window
// the operator has in front, else the main window, when called from another thread).
void HardCopy();

} // namespace report

} // namespace runtime
