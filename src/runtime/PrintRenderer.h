// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include <QFont>
#include <QSize>

#include "platform/Result.h"
#include "runtime/PrintQueue.h"

namespace runtime {

// The device space of printed pages: 600 units an inch, the origin at the top left corner of
// the printable area. Print commands give positions, lengths and pen widths in these units, the
// resolution of the printers reports were laid out for, so that a report keeps its proportions
// whatever the printer.
constexpr int kPrintUnitsPerInch = 600;

// The title every print job carries.
inline constexpr std::string_view kPrintJobTitle = "Lorvex Project";

// The printable page in device units (width and height as oriented).
QSize PageDeviceSize(const PageSetup& page);

// The font of print commands: `name` is a Windows font name (code-page bytes; the Liberation
// fonts stand in for Arial, Times New Roman and Courier New). A positive `size` is in points
// (the character height), a negative one is the character cell's height (ascent + descent) in
// points, 0 the default of 10 points; sizes are limited to 1000 points.
struct PrintFontSpec {
    std::string name = "Arial";
    std::int32_t size = 10;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
};
QFont MakePrintFont(const PrintFontSpec& spec);

// Extents measured on the page device (600 units an inch), rounded to whole device units as
// a printer's device context reports them: the height of a text is the font's cell height.
int PrintTextHeight(const QFont& font);
int PrintTextWidth(const QFont& font, std::string_view text);

// Renders one job into a PDF file, exactly in the order of its records: the pages of the job's
// page setup, titled kPrintJobTitle. Runs on the calling thread (any thread, with a Qt
// application in the process). Fails, naming why, when the file cannot be written.
platform::Status RenderPrintJob(const PrintJob& job, const std::string& pdfPath);

// Renders jobs on a worker thread of its own, in the order they came, and hands each PDF file
// over (to the print spool, which prints it or files it). Print never waits for rendering: FPRINT
// on the scan thread or the GUI thread only queues the job. At most kMaxPendingJobs wait; more
// are refused with a log line. Made and destroyed on one thread; Print and Drain from any thread.
class PrintRenderer final : public PrintJobSink {
public:
    static constexpr std::size_t kMaxPendingJobs = 256;
    // Where finished jobs go; both are called on the worker, and whatever they reach must
    // outlive the renderer.
    struct Output {
        // Takes over a finished PDF file (the receiver moves or removes it).
        std::function<void(const std::string& pdfPath, const std::string& title)> deliver;
        // A new path to render the next job into; when empty, a new file in the system's
        // temporary directory.
        std::function<std::string()> newFile;
    };

    explicit PrintRenderer(Output output);
    // Renders and hands over the jobs still waiting, then stops the worker.
    ~PrintRenderer() override;
    PrintRenderer(const PrintRenderer&) = delete;
    PrintRenderer& operator=(const PrintRenderer&) = delete;

    bool Print(PrintJob job) override;
    // Waits until every job queued so far has been rendered and delivered.
    void Drain();

private:
    void Work();
    void RenderAndSubmit(const PrintJob& job);

    Output m_output;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<PrintJob> m_jobs;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_worker;
};

} // namespace runtime
