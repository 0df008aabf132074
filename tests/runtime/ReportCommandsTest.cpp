// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ReportCommands.h"
#include "FigureRecords.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QImage>

#include <array>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>
#include <unistd.h>

#include "platform/Log.h"
#include "runtime/PrintQueue.h"
#include "runtime/RuntimeLibrary.h"
#include "screens/FigureKind.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/ScreenLoader.h"
#include "screens/SynScreenWriter.h"
#include "shell/PrintSpool.h"

namespace {

namespace fs = std::filesystem;
namespace report = runtime::report;
using screens::FigureKind;

std::string ReportCommandOutput(const std::string& command) {
    std::string output;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        std::array<char, 4096> buffer{};
        for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
            output.append(buffer.data(), n);
        ::pclose(pipe);
    }
    return output;
}

// The first page of a PDF file at 72 dpi: one pixel per point of the sheet.
QImage ReportPagePixels(const fs::path& pdf) {
    const fs::path stem = pdf.parent_path() / (pdf.stem().string() + "-page");
    ReportCommandOutput("pdftoppm -q -r 72 -png -singlefile '" + pdf.string() + "' '" +
                        stem.string() + "'");
    return QImage(QString::fromStdString(stem.string() + ".png"));
}

bool IsPrintedRed(QColor colour) {
    return colour.red() > 200 && colour.green() < 60 && colour.blue() < 60;
}

// A screen of 400 x 300 pixels on a pale yellow background: a red filled rectangle from
// (100, 50) to (300, 150) and a line of text.
screens::SynScreen ReportScreen() {
    screens::SynScreen screen;
    screen.header.caption = "Report";
    screen.header.colour = 0x00C0FFFF; // Windows colours are BGR: R=FF G=FF B=C0
    screen.header.right = 400;
    screen.header.bottom = 300;
    screen.extended.emplace();
    screens::SynObject box;
    box.attributes = testsupport::Record(FigureKind::Rectang, 100, 50, 300, 150);
    box.attributes.objectName = "BOX";
    box.attributes.filled = 1;
    box.attributes.foreColour = 0x000000FF;
    box.attributes.backColour = 0x000000FF;
    screen.objects.push_back(box);
    screens::SynObject text;
    text.attributes = testsupport::Record(FigureKind::Text, 20, 200, 380, 240, "Shift A report");
    text.attributes.objectName = "TITLE";
    screen.objects.push_back(text);
    return screen;
}

// Where a point (x, y) of the 400 x 300 screen lands on an A4 portrait page without printer
// margins: 10 mm from the edges, the screen as wide as the page allows.
QPoint OnPortraitA4(double x, double y) {
    const double margin = 72.0 * 10.0 / 25.4;
    const double scale = (595.0 - 2 * margin) / 400.0;
    return QPoint(static_cast<int>(margin + x * scale), static_cast<int>(margin + y * scale));
}

class ReportCommands : public ::testing::Test {
protected:
    void SetUp() override {
        screens::Globals().Reset();
        screens::Globals().projectDirectory = m_project.Path().string();
        runtime::ProcessPrintQueue().Reset();
        shell::PrintSpool::Settings settings;
        settings.projectDirectory = m_project.Path().string();
        settings.toPdfFiles = true;
        m_spool = std::make_unique<shell::PrintSpool>(settings);
        runtime::AttachReportSpool(m_spool.get());
        m_previousSink = platform::log::SetSink([this](platform::LogLevel, std::string_view line) {
            std::lock_guard lock(m_logMutex);
            m_log += std::string(line) + "\n";
        });
    }
    void TearDown() override {
        runtime::AttachReportSpool(nullptr);
        platform::log::SetSink(m_previousSink);
        m_spool.reset();
        screens::Globals().Reset();
        runtime::ProcessPrintQueue().Reset();
    }

    // The PDF files printed so far, oldest first.
    std::vector<fs::path> Printed() {
        m_spool->Drain();
        std::vector<fs::path> files;
        std::error_code error; // no directory yet: nothing printed
        for (fs::directory_iterator it(m_project / "Print", error), end; !error && it != end;
             it.increment(error))
            if (it->path().extension() == ".pdf")
                files.push_back(it->path());
        std::sort(files.begin(), files.end());
        return files;
    }
    std::string Log() {
        std::lock_guard lock(m_logMutex);
        return m_log;
    }
    // A window built from the screen, hidden.
    QPointer<screens::ScreenForm> Build(const std::string& name) {
        QPointer<screens::ScreenForm> window;
        EXPECT_TRUE(screens::BuildScreen(name, ReportScreen(), window));
        m_windows.emplace_back(window.data());
        return window;
    }

    testsupport::TempDir m_project;
    std::unique_ptr<shell::PrintSpool> m_spool;
    std::vector<std::unique_ptr<screens::ScreenForm>> m_windows;
    std::mutex m_logMutex;
    std::string m_log;
    platform::log::Sink m_previousSink;
};

} // namespace

TEST(ReportPlacement, TheSourceFillsThePrintableWidthOrHeightWithinTheMargins) {
    runtime::PageSetup letter;
    letter.paperWidthPoints = 612;
    letter.paperHeightPoints = 792;
    letter.leftMarginPoints = 36;
    letter.topMarginPoints = 36;
    letter.widthPoints = 540;
    letter.heightPoints = 720;
    // The printer's margins, wider than the minimum, hold.
    EXPECT_EQ(report::PlaceOnPage(letter, QSizeF(100, 100)), QRectF(36, 36, 540, 540));
    EXPECT_EQ(report::PlaceOnPage(letter, QSizeF(100, 400)), QRectF(36, 36, 180, 720));
    // Turned sideways, the sheet's width is its height.
    letter.portrait = false;
    EXPECT_EQ(report::PlaceOnPage(letter, QSizeF(720, 100)), QRectF(36, 36, 720, 100));
    // Narrow printer margins give way to the 10 mm minimum.
    letter.portrait = true;
    letter.leftMarginPoints = 4;
    letter.widthPoints = 600;
    const double margin = report::kMinimumMarginPoints;
    EXPECT_NEAR(report::PlaceOnPage(letter, QSizeF(10, 1)).left(), margin, 1e-9);
    EXPECT_NEAR(report::PlaceOnPage(letter, QSizeF(10, 1)).width(), 612 - margin - margin,
                1e-9);
    // Nonsense pages are A4; an empty source has no place.
    runtime::PageSetup broken;
    broken.widthPoints = -5;
    EXPECT_NEAR(report::PlaceOnPage(broken, QSizeF(1, 1)).width(), 595 - 2 * margin, 1e-9);
    EXPECT_TRUE(report::PlaceOnPage(runtime::PageSetup{}, QSizeF(0, 10)).isEmpty());

    // Both commands are registered with the signatures of their rows.
    runtime::Implementations implementations;
    ASSERT_TRUE(runtime::AddReportCommands(implementations));
    EXPECT_NE(implementations.Of("PRINTREPORT"), nullptr);
    EXPECT_NE(implementations.Of("HARDCOPY"), nullptr);
}

TEST_F(ReportCommands, PrintReportDrawsTheFormsFiguresAtTheirScaledPlaces) {
    QPointer<screens::ScreenForm> form = Build("REPORT1");
    ASSERT_FALSE(form->isVisible());
    report::PrintReport("report1");
    const std::vector<fs::path> printed = Printed();
    ASSERT_EQ(printed.size(), 1u) << Log();

    const QImage page = ReportPagePixels(printed[0]);
    ASSERT_EQ(page.size(), QSize(595, 842));
    // Inside the rectangle, near its corners and in its middle: red.
    EXPECT_TRUE(IsPrintedRed(page.pixelColor(OnPortraitA4(200, 100)))) << Log();
    EXPECT_TRUE(IsPrintedRed(page.pixelColor(OnPortraitA4(104, 54))));
    EXPECT_TRUE(IsPrintedRed(page.pixelColor(OnPortraitA4(296, 146))));
    // Just outside it, the form's background; outside the form, the paper.
    EXPECT_EQ(page.pixelColor(OnPortraitA4(96, 100)), QColor(0xFF, 0xFF, 0xC0));
    EXPECT_EQ(page.pixelColor(OnPortraitA4(200, 156)), QColor(0xFF, 0xFF, 0xC0));
    EXPECT_EQ(page.pixelColor(OnPortraitA4(200, 320)), QColor(Qt::white));
    EXPECT_EQ(page.pixelColor(10, 10), QColor(Qt::white));
    // The figures drew themselves on the page: the text is text, not pixels of a screen.
    EXPECT_NE(ReportCommandOutput("pdftotext -q '" + printed[0].string() + "' -")
                  .find("Shift A report"),
              std::string::npos);
    EXPECT_NE(ReportCommandOutput("pdfinfo '" + printed[0].string() + "'").find("Lorvex Project"),
              std::string::npos);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(ReportCommands, AScreenNotOpenIsBuiltForThePageAndGoesAgain) {
    platform::Result<std::string> bytes = screens::WriteScreen(ReportScreen());
    ASSERT_TRUE(bytes) << bytes.Error();
    fs::create_directories(m_project / "Syno");
    testsupport::WriteFile(m_project / "Syno" / "SHIFT.Syn", bytes.Value());
    QPointer<screens::ScreenForm> current = Build("PANEL");
    screens::SetCurrentWindow(current);
    screens::Globals().mainWindow = nullptr;

    // Landscape this time: the screen is as high as the page allows.
    runtime::ProcessPrintQueue().SetPortrait(false);
    report::PrintReport("Shift");
    const std::vector<fs::path> printed = Printed();
    ASSERT_EQ(printed.size(), 1u) << Log();
    const QImage page = ReportPagePixels(printed[0]);
    ASSERT_EQ(page.size(), QSize(842, 595));
    const double margin = report::kMinimumMarginPoints;
    const double scale = (595.0 - 2 * margin) / 300.0;
    const auto at = [&](double x, double y) {
        return QPoint(static_cast<int>(margin + x * scale), static_cast<int>(margin + y * scale));
    };
    EXPECT_TRUE(IsPrintedRed(page.pixelColor(at(200, 100))));
    EXPECT_TRUE(IsPrintedRed(page.pixelColor(at(296, 146))));
    EXPECT_EQ(page.pixelColor(at(304, 100)), QColor(0xFF, 0xFF, 0xC0));
    EXPECT_EQ(page.pixelColor(at(420, 100)), QColor(Qt::white));

    // The form built for the page is gone; it took neither the main window's place nor the
    // current window's.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        const auto* form = dynamic_cast<screens::ScreenForm*>(widget);
        EXPECT_TRUE(form == nullptr || form->ScreenName() != "SHIFT");
    }
    EXPECT_EQ(screens::Globals().mainWindow.data(), nullptr);
    EXPECT_EQ(screens::CurrentWindow(), current.data());
}

TEST_F(ReportCommands, UnknownFormsAndMissingSpoolsPrintNothingAndSaySo) {
    report::PrintReport("NOSUCHFORM");
    report::PrintReport("");
    EXPECT_TRUE(Printed().empty());
    EXPECT_NE(Log().find("there is no form named \"NOSUCHFORM\""), std::string::npos) << Log();

    // HARDCOPY with no window at all.
    report::HardCopy();
    EXPECT_TRUE(Printed().empty());
    EXPECT_NE(Log().find("HARDCOPY: there is no window to print"), std::string::npos) << Log();

    // Without a spool, a known form is not printed either.
    Build("REPORT1");
    runtime::AttachReportSpool(nullptr);
    report::PrintReport("REPORT1");
    report::HardCopy();
    EXPECT_TRUE(Printed().empty());
    EXPECT_NE(Log().find("PRINTREPORT: printing is not set up"), std::string::npos) << Log();
    EXPECT_NE(Log().find("HARDCOPY: printing is not set up"), std::string::npos) << Log();
}

TEST_F(ReportCommands, HardCopyPrintsTheCurrentWindowAsOnTheScreen) {
    QPointer<screens::ScreenForm> window = Build("MAIN");
    window->show();
    screens::SetCurrentWindow(window);
    report::HardCopy();
    std::vector<fs::path> printed = Printed();
    ASSERT_EQ(printed.size(), 1u) << Log();
    const QImage page = ReportPagePixels(printed[0]);
    EXPECT_TRUE(IsPrintedRed(page.pixelColor(OnPortraitA4(200, 100)))) << Log();
    EXPECT_EQ(page.pixelColor(OnPortraitA4(96, 100)), QColor(0xFF, 0xFF, 0xC0));
    EXPECT_EQ(page.pixelColor(OnPortraitA4(200, 320)), QColor(Qt::white));
    // A copy of the screen's pixels: no text in it.
    EXPECT_EQ(ReportCommandOutput("pdftotext -q '" + printed[0].string() + "' -")
                  .find("Shift A report"),
              std::string::npos);

    // From another thread (a unit on the scan thread), both commands are carried out on the
    // screens' thread: nothing is printed until it runs.
    std::thread scan([] {
        report::HardCopy();
        report::PrintReport("MAIN");
    });
    scan.join();
    EXPECT_EQ(Printed().size(), 1u);
    QCoreApplication::processEvents();
    printed = Printed();
    ASSERT_EQ(printed.size(), 3u) << Log();
    EXPECT_TRUE(IsPrintedRed(ReportPagePixels(printed[1]).pixelColor(OnPortraitA4(200, 100))));
    EXPECT_TRUE(IsPrintedRed(ReportPagePixels(printed[2]).pixelColor(OnPortraitA4(200, 100))));
}
