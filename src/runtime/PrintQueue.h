// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <QImage>

namespace runtime {

// The operation codes of the print queue's records.
enum class PrintOp : std::uint8_t {
    Line = 0,         // PRINTLN: text, then a new line
    Size = 2,         // PRINTSIZE: values[0] = the size, stored negated
    Attribute = 3,    // PRINTATTR: values[0] = attribute number
    Font = 4,         // PRINTFONT: text = font name
    Pen = 5,          // SETPEN: values[0] = vertical position
    Text = 6,         // PRINT: text, the position moves right
    BitmapImage = 7,  // a picture the run-time holds: values[0] = margin, values[1] = handle
    Margin = 8,       // SETMARGE: values[0] = left margin
    DrawLine = 9,     // PRINTLINE: values = from x, y, to x, y; penWidth
    Colour = 10,      // PRINTCOLOR: values[0] = Windows colour
    Circle = 11,      // PRINTCIRCLE: values = centre x, y, radius; penWidth
    FormFeed = 12,    // FORMFEED
    Bitmap = 13,      // PRINTBITMAP: values[0] = margin, text = bitmap name without ".Bmp"
};

// One print command as unit code queued it. Texts are code-page bytes.
struct PrintRecord {
    PrintOp op = PrintOp::Line;
    std::string text;
    std::array<std::int32_t, 4> values{};
    std::int32_t penWidth = 1;
    QImage image; // BitmapImage: the picture, copied when the record was queued
};

// The page a job is laid out on, as the chosen printer has it in portrait (points, 1/72 in):
// its printable area, the sheet and the area's place on it; and the orientation asked for.
// Without a printer: an A4 sheet printable to its edges.
struct PageSetup {
    double widthPoints = 595.0;
    double heightPoints = 842.0;
    double paperWidthPoints = 595.0;
    double paperHeightPoints = 842.0;
    double leftMarginPoints = 0.0;
    double topMarginPoints = 0.0;
    bool portrait = true;
};

// What FPRINT hands over: the records in order, the left margin in force when the job starts
// (kept from the jobs before) and the page.
struct PrintJob {
    std::vector<PrintRecord> records;
    std::int32_t leftMargin = 0;
    PageSetup page;
};

// The printers there are and the one chosen for the next jobs (the run-time's print spool).
// Any thread may call.
class PrinterChoice {
public:
    virtual ~PrinterChoice() = default;
    // Printer names, the default first; empty when jobs only become files.
    virtual std::vector<std::string> Printers() const = 0;
    // False when there is no printer of that index.
    virtual bool SelectPrinter(std::size_t index) = 0;
    virtual std::size_t SelectedPrinter() const = 0;
    // The chosen printer's page in portrait (A4 without a printer).
    virtual PageSetup Page() const = 0;
};

// Takes finished queues as jobs. Print may be called from any thread and must not wait for the
// job to be printed; false when the job was refused (the reason logged).
class PrintJobSink {
public:
    virtual ~PrintJobSink() = default;
    virtual bool Print(PrintJob job) = 0;
};

// The process-wide state of printing, in one place: the queue of print commands (missing
// until first used), the left margin kept between jobs, the page of the chosen printer with the
// orientation for the next jobs, and where jobs and printer choices go. Units on the scan
// thread and units of screens on the GUI thread print at the same time: every method may be
// called from any thread. The sink and the printer choice are attached by the run-time at start
// and detached before they go.
class PrintQueue {
public:
    // A queue never grows beyond this many records: unit code that prints without ever calling
    // FPRINT would otherwise take all memory. Further records are refused with a log line.
    static constexpr std::size_t kMaxRecords = 200'000;

    PrintQueue() = default;
    PrintQueue(const PrintQueue&) = delete;
    PrintQueue& operator=(const PrintQueue&) = delete;

    // INITPRINTER: the queue empty (created when missing).
    void Init();
    // Appends a record, creating the queue first when missing; false when the queue is full.
    bool Add(PrintRecord record);
    // FPRINT: takes the queue as a job and hands it to the attached sink; the queue is gone
    // afterwards and the left margin is the one the job's records leave. Nothing happens for a
    // missing or empty queue. False when no job was handed over (empty queue, no sink, or the
    // sink refused it).
    bool Print();
    // The queue as a job, removed, without handing it anywhere; none for a missing or empty
    // queue. The left margin moves on as for Print.
    std::optional<PrintJob> Take();

    bool Exists() const;
    std::size_t Count() const;
    std::int32_t LeftMargin() const;

    void SetPage(PageSetup page);
    PageSetup Page() const;
    // SETPRINTERFORMAT: the orientation of the next jobs.
    void SetPortrait(bool portrait);

    // Where jobs go and which printers there are (null: none); neither is owned. Attaching a
    // printer choice takes its page.
    void Attach(PrintJobSink* sink, PrinterChoice* printers);
    void Detach() { Attach(nullptr, nullptr); }

    // The printers of the attached choice (CUPS queue names, the default first); empty without
    // one or without a printer.
    std::vector<std::string> Printers() const;
    // SETPRINTERINDEX: chooses a printer of Printers() for the next jobs, and takes its page;
    // false when there is no such printer.
    bool SelectPrinter(std::int32_t index);
    // GETPRINTERINDEX: the index of the chosen printer in Printers(); -1 when there is none.
    std::int32_t SelectedPrinter() const;

    // Back to the state at start: no queue, margin 0, an A4 portrait page, nothing attached.
    void Reset();

private:
    std::optional<PrintJob> TakeLocked();
    // A printer's page, keeping the orientation asked for.
    void TakePageLocked(const PageSetup& page);

    mutable std::mutex m_mutex;
    std::optional<std::vector<PrintRecord>> m_records;
    bool m_saidFull = false;
    std::int32_t m_leftMargin = 0;
    PageSetup m_page;
    PrintJobSink* m_sink = nullptr;
    PrinterChoice* m_printers = nullptr;
};

// The queue unit code prints through.
PrintQueue& ProcessPrintQueue();

} // namespace runtime
