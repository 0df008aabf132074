// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace shell {

// Where finished print jobs go. A job is a PDF file made by the run-time; the spool sends it to
// the chosen CUPS printer, or keeps it as a file in the project's print directory, from a worker
// thread of its own: Submit never waits for a printer. A job that cannot be sent (printer off,
// queue stopped, CUPS down) is kept in the spool directory and sent again later; nothing is
// dropped without a log line.
//
// Every job first becomes a file of the spool directory ("<print directory>/Spool"), named
// after the time it was submitted (UTC, "20250131-142501-042-0001.pdf", so that names sort by
// time), beside a ".title" file with its title. It leaves the spool once CUPS took it or once
// it is a file of the print directory (same name). Jobs left in the spool by an earlier run are
// sent when the spool starts. A spool file that cannot be printed at all (not a PDF, refused
// by CUPS for its content) goes to "Spool/Failed", with an error in the log.
//
// Which way a job goes, at the time it is sent:
// - `toPdfFiles`: a file of the print directory;
// - a printer named (`printer`, or chosen with SelectPrinter), or `printerOnly`: that printer,
//   or the default one; while CUPS is down or the printer is missing, stopped or not accepting
//   jobs, the job waits in the spool;
// - otherwise the default printer when CUPS has one; while CUPS is down, the job waits in the
//   spool if this run has seen a printer; with no printer at all it becomes a file.
//
// Every method may be called from any thread.
class PrintSpool {
public:
    struct Settings {
        std::string projectDirectory;  // where "quorva.ini" and the print directory are
        bool toPdfFiles = false;       // true: every job becomes a file, no printer is used
        std::string printer;           // CUPS queue name; empty: the default printer
        std::string directory;         // print directory; empty: "<project>/Print"
        bool printerOnly = false;      // true: jobs wait for a printer, never become files
        // How long a job that could not be sent waits before the next try (at least 1 s).
        std::chrono::seconds retryInterval{30};
    };
    // The settings of the project's and the machine's configuration ("[Printing]" sections of
    // "quorva.ini", the machine's entries winning), over `defaults`:
    //   Output=auto|printer|pdf   Printer=<CUPS queue>   Directory=<path>   RetrySeconds=<n>
    // A relative Directory is taken from the project directory. Bad lines are logged and
    // ignored.
    static Settings LoadSettings(const std::string& projectDirectory, Settings defaults);
    // The same over the built-in defaults. (Two functions: a nested class with member
    // initialisers cannot be a default argument inside its own class.)
    static Settings LoadSettings(const std::string& projectDirectory);

    // The time jobs are named after; the system clock when empty (tests fix it).
    using WallClock = std::function<std::chrono::system_clock::time_point()>;

    // Takes up the jobs an earlier run left in the spool and, unless
    // every job becomes a file, asks CUPS once for its printers and their pages (bounded by a
    // connection time-out of a few seconds).
    explicit PrintSpool(Settings settings);
    PrintSpool(Settings settings, WallClock clock);
    ~PrintSpool(); // waits for the job being sent; the others stay spooled for the next run
    PrintSpool(const PrintSpool&) = delete;
    PrintSpool& operator=(const PrintSpool&) = delete;

    // Takes over the PDF file `pdfPath` (moved into the spool) as a job titled `title`.
    void Submit(const std::string& pdfPath, const std::string& title);
    // Waits until every submitted job has been sent, filed or spooled for a retry (tests).
    void Drain();
    // Tries the jobs waiting in the spool now instead of at the next retry (the retry runs on
    // the worker; Drain waits for it).
    void RetryNow();
    // Jobs in the spool that wait for a printer.
    std::size_t Waiting() const;

    // A new file name in the spool directory, for a renderer to write a PDF into before it
    // submits it: the move into the spool is then a rename on the same file system. The spool
    // ignores such files until they are submitted (an earlier run's leftovers go to "Failed").
    // The directories are made when first needed, here or for a job, not before.
    std::string NewJobPath();
    std::string PrintDirectory() const;
    std::string SpoolDirectory() const;

    // The printers CUPS knows (names), the default first; empty without CUPS or with PDF output.
    std::vector<std::string> Printers() const;
    // Chooses the printer for the next jobs by its index in Printers(); false when out of range.
    bool SelectPrinter(std::size_t index);
    // The index in Printers() of the printer jobs go to: the one chosen, else the configured
    // one, else the default (0); 0 also when that printer is not in the list.
    std::size_t SelectedPrinter() const;
    // The printable page size of the chosen printer in points (1/72 in), A4 without a printer.
    // Also the sheet and the printable area's place on it (no margins without a printer).
    struct PageSize {
        double widthPoints = 595.0;
        double heightPoints = 842.0;
        double paperWidthPoints = 595.0;
        double paperHeightPoints = 842.0;
        double leftMarginPoints = 0.0;
        double topMarginPoints = 0.0;
    };
    PageSize Page() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace shell
