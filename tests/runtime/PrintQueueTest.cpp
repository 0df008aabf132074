// Quorva run-time. Licensed under the MIT licence.
#include "runtime/PrintQueue.h"

#include "TestSupport.h"
#include "UnitCallerRig.h"
#include "runtime/PrintFunctions.h"
#include "runtime/PrintRenderer.h"
#include "runtime/Services.h"
#include "runtime/SystemVariables.h"
#include "screens/ScreenGlobals.h"

#include <QImage>
#include <QProcess>
#include <QRegularExpression>

#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace {

using runtime::PageSetup;
using runtime::PrintJob;
using runtime::PrintOp;
using runtime::PrintRecord;
using runtime::SystemVariableId;

constexpr double kPointsPerUnit = 72.0 / runtime::kPrintUnitsPerInch;
constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();

PrintRecord Record(PrintOp op, std::string text = {}, std::int32_t value = 0) {
    PrintRecord record;
    record.op = op;
    record.text = std::move(text);
    record.values[0] = value;
    return record;
}

// Keeps the jobs handed to it instead of printing them.
struct CapturedJobs final : runtime::PrintJobSink {
    bool Print(PrintJob job) override {
        jobs.push_back(std::move(job));
        return true;
    }
    std::vector<PrintJob> jobs;
};

// Printers as a spool lists them, each with its page.
struct ListedPrinters final : runtime::PrinterChoice {
    std::vector<std::string> Printers() const override { return names; }
    bool SelectPrinter(std::size_t index) override {
        if (index >= names.size())
            return false;
        selected = index;
        return true;
    }
    std::size_t SelectedPrinter() const override { return selected; }
    PageSetup Page() const override { return pages.empty() ? PageSetup{} : pages[selected]; }
    std::vector<std::string> names;
    std::vector<PageSetup> pages;
    std::size_t selected = 0;
};

// Runs one of poppler's tools (Debian's poppler-utils); its standard output.
std::string Poppler(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        ADD_FAILURE() << program.toStdString() << " failed: " << process.errorString().toStdString()
                      << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput().toStdString();
}

// Words of a PDF as pdftotext places them, in points from the page's top left corner.
struct PdfWord {
    int page = 0;
    double xMin = 0, yMin = 0, xMax = 0;
};
struct PdfText {
    std::vector<QSizeF> pages;
    std::map<std::string, PdfWord> words;
    PdfWord operator[](const std::string& text) const {
        auto found = words.find(text);
        if (found == words.end())
            ADD_FAILURE() << "no word " << text << " in the PDF";
        return found == words.end() ? PdfWord{} : found->second;
    }
};

PdfText ReadPdfText(const std::filesystem::path& pdf) {
    static const QRegularExpression tag(
        R"re(<page width="([\d.]+)" height="([\d.]+)"|<word xMin="([-\d.]+)" yMin="([-\d.]+)" )re"
        R"re(xMax="([-\d.]+)" yMax="[-\d.]+">([^<]*)</word>)re");
    PdfText text;
    const QString html = QString::fromStdString(
        Poppler("pdftotext", {"-bbox", QString::fromStdString(pdf.string()), "-"}));
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (!m.captured(1).isEmpty())
            text.pages.emplace_back(m.captured(1).toDouble(), m.captured(2).toDouble());
        else
            text.words[m.captured(6).toStdString()] = {static_cast<int>(text.pages.size()),
                                                       m.captured(3).toDouble(),
                                                       m.captured(4).toDouble(),
                                                       m.captured(5).toDouble()};
    }
    return text;
}

// A part of a PDF's first page (`crop`, in device units) at `dpi`, without anti-aliasing,
// read by device unit.
struct PdfPage {
    QImage image;
    double perUnit = 1;
    QPoint origin;
    QPoint Pixel(double x, double y) const {
        return QPoint(static_cast<int>(x * perUnit), static_cast<int>(y * perUnit)) - origin;
    }
    bool Is(double x, double y, QColor colour) const {
        const QColor c = image.pixelColor(Pixel(x, y));
        return std::abs(c.red() - colour.red()) < 60 && std::abs(c.green() - colour.green()) < 60 &&
               std::abs(c.blue() - colour.blue()) < 60;
    }
    // The height in pixels of the dark run through (x, y).
    int DarkRun(double x, double y) const {
        const QPoint at = Pixel(x, y);
        auto dark = [&](int row) { return image.pixelColor(at.x(), row).lightness() < 100; };
        int top = at.y();
        int bottom = top;
        while (top > 0 && dark(top - 1))
            --top;
        while (bottom < image.height() && dark(bottom))
            ++bottom;
        return bottom - top;
    }
};

PdfPage RenderPdf(const std::filesystem::path& pdf, int dpi, QRect crop) {
    const std::string root = pdf.string() + "-page";
    PdfPage page;
    page.perUnit = dpi / static_cast<double>(runtime::kPrintUnitsPerInch);
    page.origin = QPoint(static_cast<int>(crop.x() * page.perUnit),
                         static_cast<int>(crop.y() * page.perUnit));
    Poppler("pdftoppm",
            {"-r", QString::number(dpi), "-l", "1", "-x", QString::number(page.origin.x()), "-y",
             QString::number(page.origin.y()), "-W",
             QString::number(static_cast<int>(crop.width() * page.perUnit)), "-H",
             QString::number(static_cast<int>(crop.height() * page.perUnit)), "-aa", "no",
             "-aaVector", "no", "-png", "-singlefile", QString::fromStdString(pdf.string()),
             QString::fromStdString(root)});
    page.image = QImage(QString::fromStdString(root + ".png"));
    EXPECT_FALSE(page.image.isNull());
    return page;
}

// A bitmap file of `rows` rows, `columns` colours across, as Qt writes one (24 bits a pixel).
void WriteBitmap(const std::filesystem::path& path, const std::vector<QColor>& columns, int rows) {
    QImage image(static_cast<int>(columns.size()), rows, QImage::Format_RGB32);
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < rows; ++y)
            image.setPixelColor(x, y, columns[static_cast<std::size_t>(x)]);
    EXPECT_TRUE(image.save(QString::fromStdString(path.string()), "BMP"));
}

// The printing functions bound in fresh guest memory with the PRINTCALLER unit; the process
// print queue fresh, attached to a renderer whose PDF files land in a temporary directory (the
// current directory too, where PRINTBITMAP finds its files) and to a list of printers.
class PrintCallerRig : public testsupport::UnitCallerRig {
public:
    PrintCallerRig() : m_inProject(directory.Path()) {
        if (platform::Status built = Build({&runtime::AddPrintFunctions}, QUORVA_PRINT_CALLER_UNIT);
            !built) {
            ADD_FAILURE() << built.Error();
            return;
        }
        services.systemVariables = &library->Variables();
        library->Dispatcher().SetServices(&services);
        runtime::ProcessPrintQueue().Reset();
        renderer = std::make_unique<runtime::PrintRenderer>(runtime::PrintRenderer::Output{
            [this](const std::string& pdf, const std::string&) {
                std::lock_guard lock(m_mutex);
                files.push_back(directory / ("job" + std::to_string(files.size() + 1) + ".pdf"));
                std::filesystem::rename(pdf, files.back());
            },
            [this] { return (directory / "rendering.pdf").string(); }});
        runtime::ProcessPrintQueue().Attach(renderer.get(), &printers);
        runtime::SetPrintPageCells(library->Variables(), runtime::ProcessPrintQueue().Page());
        ready = true;
    }
    ~PrintCallerRig() {
        runtime::ProcessPrintQueue().Reset();
        renderer.reset();
    }

    void Call(const std::string& procedure) {
        platform::Status ran = Run(procedure);
        EXPECT_TRUE(ran.IsOk()) << procedure << ": " << ran.Error();
    }
    // Runs `procedure` with S1 = `text` (when given) and I1, I2 ... = `values`.
    void Call(const std::string& procedure, std::initializer_list<std::int32_t> values,
              std::optional<std::string> text = {}) {
        int i = 1;
        for (std::int32_t value : values)
            Set<std::int32_t>("I" + std::to_string(i++), value);
        if (text)
            SetString("S1", *text);
        Call(procedure);
    }
    void Line(const std::string& text) { Call("DOPRINTLN", {}, text); }
    void Text(const std::string& text) { Call("DOPRINT", {}, text); }
    std::int32_t Measure(const std::string& procedure, const std::string& text,
                         const std::string& font, std::int32_t size) {
        SetString("S2", font);
        Call(procedure, {size}, text);
        return Get<std::int32_t>("IRES");
    }
    std::vector<std::filesystem::path> Jobs() {
        renderer->Drain();
        std::lock_guard lock(m_mutex);
        return files;
    }
    std::int32_t Cell(SystemVariableId id) { return library->Variables().Integer(id); }

    testsupport::TempDir directory;
    runtime::Services services;
    ListedPrinters printers;
    std::unique_ptr<runtime::PrintRenderer> renderer;
    std::vector<std::filesystem::path> files;
    bool ready = false;

private:
    testsupport::ScopedCurrentDir m_inProject;
    std::mutex m_mutex;
};

std::unique_ptr<PrintCallerRig> MakePrintRig() {
    auto rig = std::make_unique<PrintCallerRig>();
    return rig->ready ? std::move(rig) : nullptr;
}

TEST(PrintQueue, KeepsCommandsUntilFPrintAndTheMarginAcrossJobs) {
    runtime::PrintQueue queue;
    CapturedJobs sink;
    queue.Attach(&sink, nullptr);
    EXPECT_FALSE(queue.Print());
    queue.Init();
    EXPECT_FALSE(queue.Print());
    EXPECT_TRUE(sink.jobs.empty());

    queue.Add(Record(PrintOp::Margin, {}, 100));
    queue.Add(Record(PrintOp::Line, "one"));
    EXPECT_TRUE(queue.Print());
    EXPECT_FALSE(queue.Exists());
    queue.Add(Record(PrintOp::Line, "two"));
    EXPECT_TRUE(queue.Print());
    ASSERT_EQ(sink.jobs.size(), 2u);
    EXPECT_EQ(sink.jobs[0].leftMargin, 0);
    EXPECT_EQ(sink.jobs[1].leftMargin, 100);

    // INITPRINTER throws away what was queued, not the margin.
    queue.Add(Record(PrintOp::Line, "dropped"));
    queue.Init();
    EXPECT_EQ(queue.Count(), 0u);
    EXPECT_EQ(queue.LeftMargin(), 100);

    // A queue that is never printed stops growing; printing it makes room again.
    for (std::size_t i = 0; i < runtime::PrintQueue::kMaxRecords; ++i)
        queue.Add(Record(PrintOp::Text, "x"));
    EXPECT_FALSE(queue.Add(Record(PrintOp::Text, "one too many")));
    EXPECT_TRUE(queue.Print());
    EXPECT_TRUE(queue.Add(Record(PrintOp::Text, "again")));
    // With nowhere to print, FPRINT still empties the queue.
    queue.Detach();
    EXPECT_FALSE(queue.Print());
    EXPECT_FALSE(queue.Exists());
}

TEST(PrintQueue, TwoThreadsPrintingAtOnceLoseNothing) {
    runtime::PrintQueue queue;
    constexpr int kEach = 4000;
    auto print = [&queue](char who) {
        for (int i = 0; i < kEach; ++i)
            queue.Add(Record(PrintOp::Line, who + std::to_string(i)));
    };
    std::thread scan(print, 'a');
    std::thread gui(print, 'b');
    scan.join();
    gui.join();
    std::optional<PrintJob> job = queue.Take();
    ASSERT_TRUE(job);
    ASSERT_EQ(job->records.size(), 2u * kEach);
    int next[2] = {0, 0};
    for (const PrintRecord& record : job->records)
        EXPECT_EQ(record.text.substr(1), std::to_string(next[record.text[0] - 'a']++));
}

TEST(PrintedJob, TextsFollowOneAnotherOnTheirLinesAndPages) {
    auto rig = MakePrintRig();
    ASSERT_TRUE(rig);
    // An empty queue starts no job.
    rig->Call("DOFPRINT");
    rig->Call("DOINIT");
    rig->Call("DOFPRINT");
    EXPECT_TRUE(rig->Jobs().empty());

    rig->Text("Alpha ");
    rig->Line("Beta");
    rig->Line("Gamma");
    rig->Call("DOPEN", {3000});
    rig->Call("DOSIZE", {20});
    rig->Line("Delta");
    rig->Line("Epsilon");
    rig->Call("DOFORMFEED");
    rig->Line("Zeta");
    rig->Call("DOFPRINT");
    // SETMARGE indents the lines after it, also in the next jobs, and starts its line over.
    rig->Call("DOMARGE", {100});
    rig->Line("One");
    rig->Call("DOFPRINT");
    rig->Text("Two ");
    rig->Call("DOMARGE", {600});
    rig->Line("Three");
    rig->Call("DOFPRINT");
    rig->Line("Four");
    rig->Call("DOFPRINT");
    const std::int32_t alphaWidth = rig->Measure("DOLTEXT", "Alpha ", "Arial", 10);
    const std::int32_t lineHeight = rig->Measure("DOHTEXT", "A", "Arial", 10);
    const auto jobs = rig->Jobs();
    ASSERT_EQ(jobs.size(), 4u);

    const std::string info = Poppler("pdfinfo", {QString::fromStdString(jobs[0].string())});
    EXPECT_NE(info.find("Lorvex Project"), std::string::npos) << info;
    const std::string layout =
        Poppler("pdftotext", {"-layout", QString::fromStdString(jobs[0].string()), "-"});
    EXPECT_NE(layout.find("Alpha Beta\nGamma\n"), std::string::npos) << layout;

    const PdfText text = ReadPdfText(jobs[0]);
    ASSERT_EQ(text.pages.size(), 2u);
    EXPECT_NEAR(text.pages[0].width(), 595, 1); // A4 without a printer
    EXPECT_NEAR(text["Alpha"].xMin, 0, 1);
    EXPECT_NEAR(text["Alpha"].yMin, 0, 1);
    EXPECT_NEAR(text["Beta"].yMin, text["Alpha"].yMin, 0.1);
    EXPECT_NEAR(text["Beta"].xMin, alphaWidth * kPointsPerUnit, 1);
    EXPECT_NEAR(text["Gamma"].yMin - text["Alpha"].yMin, lineHeight * kPointsPerUnit, 0.2);
    // SETPEN moves to its line; PRINTSIZE(20) makes a character cell 20 points high.
    EXPECT_NEAR(text["Delta"].yMin, 3000 * kPointsPerUnit, 1.5);
    EXPECT_NEAR(text["Epsilon"].yMin - text["Delta"].yMin, 20.0, 0.3);
    // FORMFEED starts the next page at its top.
    EXPECT_EQ(text["Zeta"].page, 2);
    EXPECT_NEAR(text["Zeta"].yMin, 0, 1);

    EXPECT_NEAR(ReadPdfText(jobs[1])["One"].xMin, 100 * kPointsPerUnit, 1);
    const PdfText third = ReadPdfText(jobs[2]);
    EXPECT_NEAR(third["Two"].xMin, 100 * kPointsPerUnit, 1);
    EXPECT_NEAR(third["Three"].xMin, 600 * kPointsPerUnit, 1);
    EXPECT_NEAR(third["Three"].yMin, third["Two"].yMin, 0.1);
    EXPECT_NEAR(ReadPdfText(jobs[3])["Four"].xMin, 600 * kPointsPerUnit, 1);
}

TEST(PrintedJob, LinesCirclesAndBitmapsLandOnTheirPixels) {
    auto rig = MakePrintRig();
    ASSERT_TRUE(rig);
    WriteBitmap(rig->directory / "Logo.Bmp", {Qt::red, Qt::red, Qt::blue, Qt::blue}, 2);
    testsupport::WriteFile(rig->directory / "Broken.Bmp", "BM this is no bitmap");
    rig->Call("DOLINE", {600, 300, 3000, 300, 0});
    rig->Call("DOLINE", {600, 600, 3000, 600, 1});
    rig->Call("DOLINE", {600, 900, 3000, 900, 12});
    rig->Call("DOCOLOR", {0x000000FF}); // red, as 0x00BBGGRR
    rig->Call("DOCIRCLE", {1800, 5000, 300, 8});
    rig->Call("DOPEN", {1200});
    for (const char* name : {"Logo", "Missing", "Broken"})
        rig->Call("DOBITMAP", {600}, name);
    rig->Line("After");
    // A picture the screens hold by handle prints the same way.
    QImage green(1, 1, QImage::Format_RGB32);
    green.fill(Qt::green);
    screens::PictureHandles& held = screens::Globals().pictureHandles;
    const std::int32_t handle = held.Open("GREEN", {screens::Picture::Type::Bitmap, green, 24, {}});
    rig->Call("DOPEN", {3300});
    EXPECT_TRUE(runtime::QueueHeldPicture(2000, handle));
    EXPECT_FALSE(runtime::QueueHeldPicture(2000, handle + 1));
    held.Clear();
    rig->Call("DOFPRINT");
    const auto jobs = rig->Jobs();
    ASSERT_EQ(jobs.size(), 1u);

    // At 1200 dpi a device unit is two pixels: width 0 is drawn as 1, not as a hairline.
    const PdfPage fine = RenderPdf(jobs[0], 1200, QRect(400, 200, 1600, 800));
    EXPECT_GE(fine.DarkRun(1800, 300), 2);
    EXPECT_EQ(fine.DarkRun(1800, 300), fine.DarkRun(1800, 600));
    EXPECT_NEAR(fine.DarkRun(1800, 900), 24, 2);
    EXPECT_EQ(fine.DarkRun(500, 300), 0);

    const PdfPage page = RenderPdf(jobs[0], 150, QRect(0, 0, 5000, 5400));
    const QPoint onCircle[] = {{2100, 5000}, {1500, 5000}, {1800, 4700}, {1800, 5300}};
    for (QPoint at : onCircle)
        EXPECT_TRUE(page.Is(at.x(), at.y(), Qt::red)) << at.x() << "," << at.y();
    EXPECT_TRUE(page.Is(1800, 5000, Qt::white)); // only the outline
    // The bitmap: from the margin across the page less twice the margin, its height scaled as
    // much; the position stays where it was, so that the next line prints over it.
    const int width = rig->Cell(SystemVariableId::XPRINTPAGE) - 1200;
    const double bottom = 1200 + 2.0 * width / 4;
    EXPECT_TRUE(page.Is(640, 1240, Qt::red));
    EXPECT_TRUE(page.Is(600 + width / 2 - 40, bottom - 40, Qt::red));
    EXPECT_TRUE(page.Is(600 + width / 2 + 40, 1240, Qt::blue));
    EXPECT_TRUE(page.Is(560 + width, bottom - 40, Qt::blue));
    EXPECT_TRUE(page.Is(560, 1300, Qt::white));
    EXPECT_TRUE(page.Is(640 + width, 1300, Qt::white));
    EXPECT_TRUE(page.Is(560 + width, bottom + 40, Qt::white));
    EXPECT_NEAR(ReadPdfText(jobs[0])["After"].yMin, 1200 * kPointsPerUnit, 1);
    EXPECT_TRUE(page.Is(2040, 3340, Qt::green));
    EXPECT_TRUE(page.Is(1960, 3340, Qt::white));
}

TEST(PrintedJob, TextMeasuresAreThoseOfTheLiberationFonts) {
    auto rig = MakePrintRig();
    ASSERT_TRUE(rig);
    // Arial 10 points at 600 units an inch: an em of 83 units; ascent 1854 and descent 434 of
    // 2048; advances H 1479, e 1139, l 455, o 1139 (Liberation Sans keeps Arial's metrics).
    EXPECT_EQ(rig->Measure("DOHTEXT", "Hello", "Arial", 10), 93);
    EXPECT_EQ(rig->Measure("DOHTEXT", "Hello", "Arial", -10), 93);
    EXPECT_NEAR(rig->Measure("DOLTEXT", "Hello", "Arial", 10), 4667 * 83 / 2048.0, 1);
    EXPECT_EQ(rig->Measure("DOLTEXT", "", "Arial", 10), 0);
    // Courier New 12 points: an em of 100 units, every character 1229/2048 wide.
    EXPECT_NEAR(rig->Measure("DOLTEXT", "12345", "Courier New", 12), 300, 1);
    // Times New Roman: ascent 1825, descent 443.
    EXPECT_EQ(rig->Measure("DOHTEXT", "x", "Times New Roman", 10), 92);
    const std::int32_t pageHeight = rig->Cell(SystemVariableId::YPRINTPAGE);
    EXPECT_NEAR(pageHeight, 297 / 25.4 * 600, 4);
    EXPECT_EQ(rig->Measure("DOMAXLINES", "", "Arial", 10), pageHeight / 93);
}

TEST(PrintedJob, PrinterChoiceAndFormatMoveThePageAndItsCells) {
    auto rig = MakePrintRig();
    ASSERT_TRUE(rig);
    rig->Call("DOGETINDEX");
    EXPECT_EQ(rig->Get<std::int32_t>("IRES"), -1); // no printer: jobs become files
    const std::int32_t a4Width = rig->Cell(SystemVariableId::XPRINTPAGE);
    const std::int32_t a4Height = rig->Cell(SystemVariableId::YPRINTPAGE);

    // Labels: a 4 x 6 in sheet printable from 1/8 in on every side.
    rig->printers.names = {"Office", "Labels"};
    rig->printers.pages = {PageSetup{}, PageSetup{270, 414, 288, 432, 9, 9, true}};
    rig->Set<std::uint8_t>("FLAG", 0);
    rig->Call("DOFORMAT");
    EXPECT_EQ(rig->Cell(SystemVariableId::XPRINTPAGE), a4Height);
    EXPECT_EQ(rig->Cell(SystemVariableId::YPRINTPAGE), a4Width);
    rig->Call("DOSETINDEX", {1});
    for (std::int32_t wrong : {2, -1, kIntMin})
        rig->Call("DOSETINDEX", {wrong});
    rig->Call("DOGETINDEX");
    EXPECT_EQ(rig->Get<std::int32_t>("IRES"), 1);
    EXPECT_EQ(rig->Cell(SystemVariableId::XPRINTPAGE), 3450);
    EXPECT_EQ(rig->Cell(SystemVariableId::YPRINTPAGE), 2250);
    rig->Line("Sideways");
    rig->Call("DOFPRINT");
    rig->Set<std::uint8_t>("FLAG", 1);
    rig->Call("DOFORMAT");
    EXPECT_EQ(rig->Cell(SystemVariableId::XPRINTPAGE), 2250);
    rig->Line("Upright");
    rig->Call("DOFPRINT");

    const auto jobs = rig->Jobs();
    ASSERT_EQ(jobs.size(), 2u);
    const PdfText sideways = ReadPdfText(jobs[0]);
    ASSERT_EQ(sideways.pages.size(), 1u);
    EXPECT_NEAR(sideways.pages[0].width(), 432, 1);
    EXPECT_NEAR(sideways.pages[0].height(), 288, 1);
    // Device position 0 is the printable area's corner, not the sheet's.
    EXPECT_NEAR(sideways["Sideways"].xMin, 9, 1);
    EXPECT_NEAR(sideways["Sideways"].yMin, 9, 1);
    EXPECT_NEAR(ReadPdfText(jobs[1]).pages.at(0).width(), 288, 1);
}

TEST(PrintedJob, HostileArgumentsStillGiveAReadableJob) {
    auto rig = MakePrintRig();
    ASSERT_TRUE(rig);
    WriteBitmap(rig->directory / "Logo.Bmp", {Qt::black}, 1);
    rig->Call("DOSIZE", {kIntMin});
    rig->Line("Huge");
    for (std::int32_t size : {0, 99, kIntMin})
        rig->Call(size == 0 ? "DOSIZE" : "DOATTR", {size});
    rig->Call("DOFONT", {}, "No Such Font At All");
    rig->Call("DOPEN", {kIntMax - 10});
    rig->Line("Wrapping");
    rig->Line("Wrapping");
    rig->Call("DOMARGE", {kIntMax});
    rig->Text("Far");
    rig->Text("Away");
    rig->Call("DOLINE", {kIntMin, kIntMin, kIntMax, kIntMax, kIntMax});
    rig->Call("DOCIRCLE", {kIntMax, kIntMin, kIntMin, kIntMin});
    for (std::int32_t margin : {kIntMax, kIntMin})
        rig->Call("DOBITMAP", {margin}, "Logo");
    rig->Call("DOCOLOR", {kIntMin});
    rig->Call("DOFORMFEED");
    rig->Call("DOMARGE", {0});
    rig->Call("DOCOLOR", {0});
    rig->Line("Last");
    rig->Call("DOFPRINT");
    EXPECT_GT(rig->Measure("DOHTEXT", "x", "Arial", kIntMin), 0);
    EXPECT_GT(rig->Measure("DOLTEXT", std::string(255, 'W'), "", kIntMax), 0);
    EXPECT_GE(rig->Measure("DOMAXLINES", "", "Arial", kIntMin), 0);

    const auto jobs = rig->Jobs();
    ASSERT_EQ(jobs.size(), 1u);
    const PdfText text = ReadPdfText(jobs[0]);
    EXPECT_EQ(text.pages.size(), 2u);
    EXPECT_EQ(text["Last"].page, 2);
}

TEST(PrintRenderer, DeliversTheJobsStillWaitingWhenItStops) {
    testsupport::TempDir directory;
    std::atomic<int> delivered{0};
    {
        runtime::PrintRenderer renderer(runtime::PrintRenderer::Output{
            [&delivered](const std::string& pdf, const std::string& title) {
                EXPECT_EQ(title, "Lorvex Project");
                EXPECT_GT(std::filesystem::file_size(pdf), 0u);
                std::filesystem::remove(pdf);
                ++delivered;
            },
            {}});
        for (int i = 0; i < 4; ++i) {
            PrintJob job;
            for (int line = 0; line < 60; ++line)
                job.records.push_back(Record(PrintOp::Line, "line " + std::to_string(line)));
            EXPECT_TRUE(renderer.Print(std::move(job)));
        }
    }
    EXPECT_EQ(delivered.load(), 4);
}

} // namespace
