// Quorva run-time. Licensed under the MIT licence.
#include "runtime/PrintRenderer.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include <unistd.h>

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPen>

#include "platform/CodePage.h"
#include "platform/Log.h"
#include "screens/BmpInfo.h"
#include "screens/FigureFont.h"
#include "screens/PictureFiles.h"
#include "screens/WindowsColour.h"

namespace runtime {

namespace {

constexpr std::int32_t kDefaultFontPoints = 10;
constexpr std::int64_t kMaxFontPoints = 1000;
// Wider pens than this (about 42 cm) only make the printer's rasteriser work; they are drawn
// at this width.
constexpr std::int32_t kMaxPenWidth = 10'000;

double UnitsFromPoints(double points) { return points * kPrintUnitsPerInch / 72.0; }

// The sheet with the printable area inside its margins: painting starts at the area's top left
// corner, as on a printer's device context. In landscape the margins go round with the sheet
// (what was the top margin is the left one).
QPageLayout PageLayoutOf(const PageSetup& page) {
    const PageSetup a4;
    const bool valid = page.widthPoints > 0 && page.heightPoints > 0 &&
                       page.paperWidthPoints >= page.widthPoints &&
                       page.paperHeightPoints >= page.heightPoints &&
                       page.leftMarginPoints >= 0 && page.topMarginPoints >= 0 &&
                       page.leftMarginPoints + page.widthPoints <= page.paperWidthPoints &&
                       page.topMarginPoints + page.heightPoints <= page.paperHeightPoints;
    const PageSetup& used = valid ? page : a4;
    const double left = used.leftMarginPoints;
    const double top = used.topMarginPoints;
    const double right = used.paperWidthPoints - used.widthPoints - left;
    const double bottom = used.paperHeightPoints - used.heightPoints - top;
    const QMarginsF margins =
        page.portrait ? QMarginsF(left, top, right, bottom) : QMarginsF(top, left, bottom, right);
    QPageLayout layout(QPageSize(QSizeF(used.paperWidthPoints, used.paperHeightPoints),
                                 QPageSize::Point),
                       page.portrait ? QPageLayout::Portrait : QPageLayout::Landscape,
                       QMarginsF(), QPageLayout::Point);
    layout.setMode(QPageLayout::StandardMode);
    // Set after the page: the layout checks margins against its sheet.
    layout.setMargins(margins);
    return layout;
}

// A paint device of the page's resolution for measuring: a PDF writer that never paints.
class MeasuringDevice {
public:
    MeasuringDevice() : m_writer(&m_buffer) { m_writer.setResolution(kPrintUnitsPerInch); }
    const QPaintDevice& Device() const { return m_writer; }

private:
    QBuffer m_buffer;
    QPdfWriter m_writer;
};

QFont FontOn(const PrintFontSpec& spec, const QPaintDevice& device) {
    QFont font(screens::FontFamilyFor(spec.name));
    // Outlines at their design widths: the page is not a screen.
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setBold(spec.bold);
    font.setItalic(spec.italic);
    font.setUnderline(spec.underline);
    font.setStrikeOut(spec.strikeOut);
    std::int64_t size = spec.size == 0 ? kDefaultFontPoints : spec.size;
    size = std::clamp<std::int64_t>(size, -kMaxFontPoints, kMaxFontPoints);
    const int units = std::max(1, static_cast<int>(std::lround(UnitsFromPoints(
                                      static_cast<double>(size < 0 ? -size : size)))));
    font.setPixelSize(units);
    if (size < 0) {
        // A cell height: the character height scaled so that ascent + descent make it.
        const QFontMetricsF metrics(font, &device);
        const qreal cell = metrics.ascent() + metrics.descent();
        if (cell > 0)
            font.setPixelSize(std::max(1, static_cast<int>(std::lround(units * units / cell))));
    }
    return font;
}

int HeightOn(const QFont& font, const QPaintDevice& device) {
    const QFontMetricsF metrics(font, &device);
    return static_cast<int>(std::lround(metrics.ascent()) + std::lround(metrics.descent()));
}

int AscentOn(const QFont& font, const QPaintDevice& device) {
    return static_cast<int>(std::lround(QFontMetricsF(font, &device).ascent()));
}

QString TextOf(std::string_view bytes) {
    return QString::fromStdString(platform::CodePageToUtf8(bytes));
}

int WidthOn(const QFont& font, const QPaintDevice& device, std::string_view text) {
    return static_cast<int>(
        std::lround(QFontMetricsF(font, &device).horizontalAdvance(TextOf(text))));
}

// Runs the records of one job on a painter that is active on the job's PDF writer.
class JobPainter {
public:
    JobPainter(QPainter& painter, QPdfWriter& writer, const PrintJob& job)
        : m_painter(painter), m_writer(writer), m_margin(job.leftMargin),
          m_pageWidth(PageDeviceSize(job.page).width()) {
        m_painter.setBrush(Qt::NoBrush);
        ApplyFont();
        ApplyPen();
    }

    void Run(const PrintRecord& record) {
        switch (record.op) {
        case PrintOp::Line:
            DrawText(record.text);
            m_x = 0;
            m_y += m_lineHeight;
            break;
        case PrintOp::Text:
            DrawText(record.text);
            m_x += WidthOn(m_font, m_writer, record.text);
            break;
        case PrintOp::Size:
            m_spec.size = record.values[0];
            ApplyFont();
            break;
        case PrintOp::Attribute:
            SetAttribute(record.values[0]);
            ApplyFont();
            break;
        case PrintOp::Font:
            m_spec.name = record.text;
            ApplyFont();
            break;
        case PrintOp::Pen:
            m_y = record.values[0];
            break;
        case PrintOp::Margin:
            m_margin = record.values[0];
            m_x = 0;
            break;
        case PrintOp::DrawLine:
            SetPenWidth(record.penWidth);
            m_painter.drawLine(QPointF(record.values[0], record.values[1]),
                               QPointF(record.values[2], record.values[3]));
            break;
        case PrintOp::Colour:
            m_colour = screens::WindowsColour(static_cast<std::uint32_t>(record.values[0]));
            ApplyPen();
            break;
        case PrintOp::Circle: {
            SetPenWidth(record.penWidth);
            const double radius = std::abs(static_cast<double>(record.values[2]));
            m_painter.drawEllipse(QRectF(record.values[0] - radius, record.values[1] - radius,
                                         2 * radius, 2 * radius));
            break;
        }
        case PrintOp::FormFeed:
            if (!m_writer.newPage())
                platform::LogWarning("print job: no new page could be started");
            m_y = 0;
            break;
        case PrintOp::Bitmap:
            DrawBitmapFile(record.values[0], record.text);
            break;
        case PrintOp::BitmapImage:
            DrawStretched(record.values[0], record.image, "held picture");
            break;
        }
    }

private:
    void DrawText(std::string_view text) {
        if (text.empty())
            return;
        m_painter.drawText(QPointF(static_cast<double>(m_x + m_margin),
                                   static_cast<double>(m_y + m_ascent)),
                           TextOf(text));
    }

    void SetAttribute(std::int32_t attribute) {
        switch (attribute) {
        case 1:
        case 2:
            m_spec.bold = m_spec.italic = m_spec.underline = m_spec.strikeOut = false;
            break;
        case 3: m_spec.bold = true; break;
        case 4: m_spec.italic = true; break;
        case 5: m_spec.underline = true; break;
        case 6: m_spec.strikeOut = true; break;
        default: break;
        }
    }

    void ApplyFont() {
        m_font = FontOn(m_spec, m_writer);
        m_painter.setFont(m_font);
        m_lineHeight = HeightOn(m_font, m_writer);
        m_ascent = AscentOn(m_font, m_writer);
    }

    void SetPenWidth(std::int32_t width) {
        m_penWidth = std::clamp(width, 1, kMaxPenWidth);
        ApplyPen();
    }

    void ApplyPen() {
        QPen pen(m_colour);
        pen.setWidth(m_penWidth);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        m_painter.setPen(pen);
    }

    void DrawBitmapFile(std::int32_t margin, const std::string& name) {
        const std::string file = name + ".Bmp";
        std::optional<std::string> bytes = screens::ReadPictureFile(file);
        if (!bytes) {
            platform::LogInfo("PRINTBITMAP: no bitmap {}", platform::CodePageToUtf8(file));
            return;
        }
        platform::Result<QImage> image = screens::DecodeBmp(*bytes);
        if (!image) {
            platform::LogWarning("PRINTBITMAP: {} not printed: {}", platform::CodePageToUtf8(file),
                                 image.Error());
            return;
        }
        DrawStretched(margin, image.Value(), platform::CodePageToUtf8(file));
    }

    // The picture at (margin, Y), as wide as the page less twice the margin, its height scaled
    // by the same factor. Y does not move.
    void DrawStretched(std::int32_t margin, const QImage& image, const std::string& what) {
        if (image.isNull() || image.width() <= 0)
            return;
        const double width = static_cast<double>(m_pageWidth) - 2.0 * margin;
        if (width <= 0) {
            platform::LogWarning("print job: {} not printed: a margin of {} leaves no width", what,
                                 margin);
            return;
        }
        const double height = image.height() * width / image.width();
        m_painter.drawImage(QRectF(margin, static_cast<double>(m_y), width, height), image);
    }

    QPainter& m_painter;
    QPdfWriter& m_writer;
    PrintFontSpec m_spec;
    QFont m_font;
    QColor m_colour = Qt::black;
    std::int32_t m_penWidth = 1;
    int m_lineHeight = 0;
    int m_ascent = 0;
    // Positions in 64 bits: SETPEN near the Integer range followed by lines must not wrap.
    std::int64_t m_x = 0;
    std::int64_t m_y = 0;
    std::int64_t m_margin = 0;
    int m_pageWidth = 0;
};

// A new file for a job's PDF in the temporary directory; empty (logged) when none can be made.
std::string NewTemporaryFile() {
    std::error_code error;
    std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error)
        base = "/tmp";
    std::string pattern = (base / "quorva-print-XXXXXX.pdf").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemps(name.data(), 4);
    if (fd < 0) {
        platform::LogError("print job: cannot make a file in {}: {}", base.string(),
                           std::strerror(errno));
        return {};
    }
    ::close(fd);
    return std::string(name.data());
}

} // namespace

QSize PageDeviceSize(const PageSetup& page) {
    return PageLayoutOf(page).paintRectPixels(kPrintUnitsPerInch).size();
}

QFont MakePrintFont(const PrintFontSpec& spec) {
    const MeasuringDevice device;
    return FontOn(spec, device.Device());
}

int PrintTextHeight(const QFont& font) {
    const MeasuringDevice device;
    return HeightOn(font, device.Device());
}

int PrintTextWidth(const QFont& font, std::string_view text) {
    const MeasuringDevice device;
    return WidthOn(font, device.Device(), text);
}

platform::Status RenderPrintJob(const PrintJob& job, const std::string& pdfPath) {
    QPdfWriter writer(QString::fromStdString(pdfPath));
    writer.setResolution(kPrintUnitsPerInch);
    writer.setTitle(QString::fromLatin1(kPrintJobTitle.data(),
                                        static_cast<qsizetype>(kPrintJobTitle.size())));
    writer.setCreator(QStringLiteral("Quorva"));
    if (!writer.setPageLayout(PageLayoutOf(job.page)))
        return platform::Fail("the page of the print job cannot be set up");
    QPainter painter;
    if (!painter.begin(&writer))
        return platform::Fail("cannot write the print job to " + pdfPath);
    JobPainter pages(painter, writer, job);
    for (const PrintRecord& record : job.records)
        pages.Run(record);
    if (!painter.end())
        return platform::Fail("the print job could not be finished in " + pdfPath);
    return {};
}

PrintRenderer::PrintRenderer(Output output) : m_output(std::move(output)) {
    m_worker = std::thread([this] { Work(); });
}

PrintRenderer::~PrintRenderer() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_worker.join();
}

bool PrintRenderer::Print(PrintJob job) {
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping) {
            platform::LogError("print job of {} commands refused: printing has stopped",
                               job.records.size());
            return false;
        }
        if (m_jobs.size() >= kMaxPendingJobs) {
            platform::LogError("print job of {} commands refused: {} jobs are waiting to be "
                               "rendered",
                               job.records.size(), m_jobs.size());
            return false;
        }
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
    return true;
}

void PrintRenderer::Drain() {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
}

void PrintRenderer::Work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
        if (m_jobs.empty())
            break; // stopping, and every job handed over
        PrintJob job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_busy = true;
        lock.unlock();
        RenderAndSubmit(job);
        lock.lock();
        m_busy = false;
        if (m_jobs.empty())
            m_idle.notify_all();
    }
    m_idle.notify_all();
}

void PrintRenderer::RenderAndSubmit(const PrintJob& job) {
    const std::string path = m_output.newFile ? m_output.newFile() : NewTemporaryFile();
    if (path.empty()) {
        platform::LogError("print job of {} commands lost: no file to render it into",
                           job.records.size());
        return;
    }
    if (platform::Status rendered = RenderPrintJob(job, path); !rendered) {
        platform::LogError("print job of {} commands lost: {}", job.records.size(),
                           rendered.Error());
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        return;
    }
    m_output.deliver(path, std::string(kPrintJobTitle));
}

} // namespace runtime
