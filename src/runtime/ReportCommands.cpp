// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ReportCommands.h"

#include "platform/Log.h"
#include "runtime/PrintRenderer.h"
#include "runtime/RuntimeLibrary.h"
#include "runtime/ScreenCommandSupport.h"
#include "runtime/ShortString.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/ScreenLoader.h"
#include "shell/PrintSpool.h"

#include <QApplication>
#include <QLayout>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPixmap>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <filesystem>

namespace runtime {

namespace {

std::atomic<shell::PrintSpool*> s_reportSpool{nullptr};

constexpr double kDeviceUnitsPerPoint = report::kReportUnitsPerInch / 72.0;

bool OnGuiThread() {
    return screencmd::support::OnGuiThread();
}

// Runs `command` on the screens' thread: now when called there, else queued to it.
template <typename Command> void OnScreensThread(const char* name, Command command) {
    if (OnGuiThread()) {
        command();
        return;
    }
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr) {
        platform::LogWarning("{}: there are no screens; nothing printed", name);
        return;
    }
    QMetaObject::invokeMethod(application, std::move(command), Qt::QueuedConnection);
}

// The page as given, or A4 when its numbers make no page.
PageSetup Checked(const PageSetup& page) {
    const bool valid = page.widthPoints > 0 && page.heightPoints > 0 &&
                       page.paperWidthPoints >= page.widthPoints &&
                       page.paperHeightPoints >= page.heightPoints && page.leftMarginPoints >= 0 &&
                       page.topMarginPoints >= 0 &&
                       page.leftMarginPoints + page.widthPoints <= page.paperWidthPoints &&
                       page.topMarginPoints + page.heightPoints <= page.paperHeightPoints;
    if (valid)
        return page;
    PageSetup a4;
    a4.portrait = page.portrait;
    return a4;
}

// A PDF writer whose painter draws on the whole sheet (as oriented) at the report resolution.
void SetUpWriter(QPdfWriter& writer, const PageSetup& page) {
    writer.setResolution(report::kReportUnitsPerInch);
    writer.setTitle(
        QString::fromLatin1(kPrintJobTitle.data(), static_cast<qsizetype>(kPrintJobTitle.size())));
    writer.setCreator(QStringLiteral("Quorva"));
    QPageLayout layout(QPageSize(QSizeF(page.paperWidthPoints, page.paperHeightPoints),
                                 QPageSize::Point),
                       page.portrait ? QPageLayout::Portrait : QPageLayout::Landscape,
                       QMarginsF(), QPageLayout::Point);
    layout.setMode(QPageLayout::FullPageMode);
    writer.setPageLayout(layout);
}

// Hands a finished page to the spool, or removes it when it could not be made.
void Deliver(shell::PrintSpool& spool, const std::string& path, const platform::Status& made,
             const char* command, std::string_view what) {
    if (!made) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        platform::LogError("{}: {} cannot be printed: {}", command, what, made.Error());
        return;
    }
    spool.Submit(path, std::string(kPrintJobTitle));
    platform::LogInfo("{}: {} sent to the print spool", command, what);
}

shell::PrintSpool* Spool(const char* command) {
    shell::PrintSpool* spool = s_reportSpool.load();
    if (spool == nullptr)
        platform::LogWarning("{}: printing is not set up; nothing printed", command);
    return spool;
}

// The window the operator has in front, else the main window.
screens::ScreenForm* FrontWindow() {
    if (auto* active = dynamic_cast<screens::ScreenForm*>(QApplication::activeWindow()))
        return active;
    return screens::Globals().mainWindow.data();
}

// The project's screen `name`, built hidden for a report; null when the project has none. It
// does not become the main window, and the current window and figure stay as they were.
std::unique_ptr<screens::ScreenForm> BuildHiddenScreen(const std::string& name) {
    screens::ScreenGlobals& globals = screens::Globals();
    const screens::CurrentScope keepCurrent;
    const QPointer<screens::ScreenForm> mainWindow = globals.mainWindow;
    QPointer<screens::ScreenForm> window;
    const bool built = screens::LoadScreen(name, window, globals.projectDirectory);
    globals.mainWindow = mainWindow;
    if (!built || window == nullptr) {
        delete window.data();
        return nullptr;
    }
    return std::unique_ptr<screens::ScreenForm>(window.data());
}

void PrintReportNow(const std::string& formName) {
    shell::PrintSpool* spool = Spool("PRINTREPORT");
    if (spool == nullptr)
        return;
    std::unique_ptr<screens::ScreenForm> built;
    screens::ScreenForm* form = screencmd::support::FindForm(formName);
    if (form == nullptr && !formName.empty()) {
        built = BuildHiddenScreen(screencmd::support::UpperAscii(formName));
        form = built.get();
    }
    if (form == nullptr) {
        platform::LogWarning("PRINTREPORT: there is no form named \"{}\"; nothing printed",
                             formName);
        return;
    }
    if (!form->isVisible()) {
        // A form never shown has not placed its client area yet.
        form->ensurePolished();
        if (QLayout* layout = form->layout())
            layout->activate();
    }
    QWidget& content = form->HasClient() ? form->Client() : *form;
    const std::string path = spool->NewJobPath();
    const platform::Status made =
        report::RenderWidgetPage(content, ProcessPrintQueue().Page(), path);
    Deliver(*spool, path, made, "PRINTREPORT", "form " + form->ScreenName());
}

void HardCopyOf(screens::ScreenForm* window) {
    shell::PrintSpool* spool = Spool("HARDCOPY");
    if (spool == nullptr)
        return;
    if (window == nullptr) {
        platform::LogWarning("HARDCOPY: there is no window to print");
        return;
    }
    const QImage image = window->grab().toImage();
    const std::string path = spool->NewJobPath();
    const platform::Status made = report::RenderImagePage(image, ProcessPrintQueue().Page(), path);
    Deliver(*spool, path, made, "HARDCOPY", "window " + window->ScreenName());
}

void PrintReportCommand(ShortString formName) { report::PrintReport(formName.View()); }

void HardCopyCommand() { report::HardCopy(); }

} // namespace

void AttachReportSpool(shell::PrintSpool* spool) { s_reportSpool.store(spool); }

platform::Status AddReportCommands(Implementations& implementations) {
    if (platform::Status added = implementations.Add<&PrintReportCommand>("PRINTREPORT"); !added)
        return added;
    return implementations.Add<&HardCopyCommand>("HARDCOPY");
}

namespace report {

QRectF PlaceOnPage(const PageSetup& given, QSizeF source) {
    if (source.width() <= 0 || source.height() <= 0)
        return {};
    const PageSetup page = Checked(given);
    const double right = page.paperWidthPoints - page.leftMarginPoints - page.widthPoints;
    const double bottom = page.paperHeightPoints - page.topMarginPoints - page.heightPoints;
    // Turned sideways, the sheet's sides trade places, and so do its margins.
    const QSizeF sheet = page.portrait ? QSizeF(page.paperWidthPoints, page.paperHeightPoints)
                                       : QSizeF(page.paperHeightPoints, page.paperWidthPoints);
    const QMarginsF margins = page.portrait
                                  ? QMarginsF(page.leftMarginPoints, page.topMarginPoints, right,
                                              bottom)
                                  : QMarginsF(page.topMarginPoints, page.leftMarginPoints, bottom,
                                              right);
    const auto atLeast = [](double margin) { return std::max(margin, kMinimumMarginPoints); };
    QRectF area(QPointF(atLeast(margins.left()), atLeast(margins.top())),
                QPointF(sheet.width() - atLeast(margins.right()),
                        sheet.height() - atLeast(margins.bottom())));
    if (area.width() <= 0 || area.height() <= 0)
        area = QRectF(QPointF(0, 0), sheet).marginsRemoved(margins);
    const double scale =
        std::min(area.width() / source.width(), area.height() / source.height());
    return QRectF(area.topLeft(), source * scale);
}

platform::Status RenderWidgetPage(QWidget& widget, const PageSetup& given,
                                  const std::string& pdfPath) {
    const PageSetup page = Checked(given);
    const QSize size = widget.size();
    const QRectF target = PlaceOnPage(page, QSizeF(size));
    if (target.isEmpty())
        return platform::Fail("it has no area");
    QPdfWriter writer(QString::fromStdString(pdfPath));
    SetUpWriter(writer, page);
    QPainter painter;
    if (!painter.begin(&writer))
        return platform::Fail("the file " + pdfPath + " cannot be written");
    // Pictures of figures stay exact, as on the screen (no JPEG).
    painter.setRenderHint(QPainter::LosslessImageRendering);
    painter.translate(target.topLeft() * kDeviceUnitsPerPoint);
    painter.scale(target.width() * kDeviceUnitsPerPoint / size.width(),
                  target.height() * kDeviceUnitsPerPoint / size.height());
    widget.render(&painter, QPoint(), QRegion(),
                  QWidget::DrawWindowBackground | QWidget::DrawChildren);
    if (!painter.end())
        return platform::Fail("the file " + pdfPath + " cannot be written");
    return {};
}

platform::Status RenderImagePage(const QImage& image, const PageSetup& given,
                                 const std::string& pdfPath) {
    const PageSetup page = Checked(given);
    const QRectF target = PlaceOnPage(page, QSizeF(image.size()));
    if (image.isNull() || target.isEmpty())
        return platform::Fail("the picture is empty");
    QPdfWriter writer(QString::fromStdString(pdfPath));
    SetUpWriter(writer, page);
    QPainter painter;
    if (!painter.begin(&writer))
        return platform::Fail("the file " + pdfPath + " cannot be written");
    // A screen copy with its texts and lines stays sharp: stored without loss, not as JPEG.
    painter.setRenderHint(QPainter::LosslessImageRendering);
    const QRectF device(target.topLeft() * kDeviceUnitsPerPoint,
                        target.size() * kDeviceUnitsPerPoint);
    painter.drawImage(device, image);
    if (!painter.end())
        return platform::Fail("the file " + pdfPath + " cannot be written");
    return {};
}

void PrintReport(std::string_view formName) {
    OnScreensThread("PRINTREPORT", [name = std::string(formName)] { PrintReportNow(name); });
}

void HardCopy() {
    if (OnGuiThread()) {
        screens::ScreenForm* current = screens::CurrentWindow();
        HardCopyOf(current != nullptr ? current : FrontWindow());
        return;
    }
    OnScreensThread("HARDCOPY", [] { HardCopyOf(FrontWindow()); });
}

} // namespace report

} // namespace runtime
