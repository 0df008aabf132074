// Quorva run-time. Licensed under the MIT licence.
#include "shell/PrintSpool.h"

#include "platform/Log.h"
#include "shell/PrintCups.h"
#include "shell/PrintSpoolFiles.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

namespace shell {

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Connecting to the scheduler at start holds the caller: keep it short. The worker may wait
// longer.
constexpr auto kStartConnectTimeout = 3000ms;
constexpr auto kConnectTimeout = 5000ms;

enum class Way { File, Printer, Wait };

// Where the jobs of one delivery pass go.
struct Route {
    Way way = Way::Wait;
    std::string printer;
    std::string reason; // why the jobs wait, or go to files
    std::unique_ptr<printcups::Connection> connection;
};

} // namespace

// Submit, Drain and the queries may come from any thread; the worker alone moves spool files,
// talks to CUPS for jobs and writes the print directory. Fields under `mutex` are marked.
struct PrintSpool::State {
    Settings settings;
    WallClock clock;
    printfiles::Directories directories;

    mutable std::mutex mutex;
    std::condition_variable changed;
    std::deque<printfiles::IncomingJob> incoming; // mutex
    bool busy = false;                            // mutex: a delivery pass runs
    bool retryRequested = false;                  // mutex
    std::size_t waiting = 0;                      // mutex
    std::vector<printcups::Printer> printers;     // mutex: as CUPS last listed them
    std::string selected;                         // mutex: chosen by SelectPrinter
    bool sawPrinter = false;                      // mutex
    printfiles::JobNamer namer;                   // mutex
    std::atomic<bool> stopping{false};
    std::atomic<unsigned> partCounter{0};

    // Worker only: what the log said last, so that an outage is reported once, not per try.
    std::set<std::string> reportedWaiting;
    std::optional<Way> lastWay;
    std::string lastReason;
    std::string lastWaitReason;
    std::thread worker;

    void Run();
    void Pass();
    Route ChooseRoute(std::chrono::milliseconds timeout);
    void RefreshPrinters(printcups::Connection& connection);
    std::string TargetLocked() const;
    void Deliver(const fs::path& file, Route& route, bool& stopPass);
};

std::string PrintSpool::State::TargetLocked() const {
    if (!selected.empty())
        return selected;
    if (!settings.printer.empty())
        return settings.printer;
    for (const printcups::Printer& printer : printers)
        if (printer.isDefault)
            return printer.name;
    return {};
}

void PrintSpool::State::RefreshPrinters(printcups::Connection& connection) {
    platform::Result<std::vector<printcups::Printer>> listed = connection.Printers();
    if (!listed) {
        platform::LogDebug("printing: {}", listed.Error());
        return;
    }
    std::lock_guard lock(mutex);
    printers = std::move(listed.Value());
    if (!printers.empty())
        sawPrinter = true;
}

Route PrintSpool::State::ChooseRoute(std::chrono::milliseconds timeout) {
    Route route;
    if (settings.toPdfFiles) {
        route.way = Way::File;
        route.reason = "the configuration asks for PDF files";
        return route;
    }
    auto connection = printcups::Connection::Open(timeout);
    std::string named;
    bool seen = false;
    {
        std::lock_guard lock(mutex);
        named = !selected.empty() ? selected : settings.printer;
        seen = sawPrinter;
    }
    if (!connection) {
        route.reason = connection.Error();
        route.way = !named.empty() || settings.printerOnly || seen ? Way::Wait : Way::File;
        return route;
    }
    route.connection = std::move(connection.Value());
    RefreshPrinters(*route.connection);
    std::string target;
    bool anyPrinter = false;
    {
        std::lock_guard lock(mutex);
        target = TargetLocked();
        anyPrinter = !printers.empty();
    }
    if (target.empty()) {
        route.reason = anyPrinter ? "CUPS has no default printer" : "CUPS has no printer";
        route.way = settings.printerOnly ? Way::Wait : Way::File;
        return route;
    }
    platform::Result<printcups::PrinterState> state = route.connection->State(target);
    if (!state) {
        route.reason = state.Error();
        return route;
    }
    const std::string message =
        state->message.empty() ? std::string() : " (" + state->message + ")";
    if (state->stopped) {
        route.reason = "printer " + target + " is stopped" + message;
        return route;
    }
    if (!state->acceptingJobs) {
        route.reason = "printer " + target + " does not accept jobs" + message;
        return route;
    }
    route.way = Way::Printer;
    route.printer = target;
    return route;
}

void PrintSpool::State::Deliver(const fs::path& file, Route& route, bool& stopPass) {
    const std::string stem = file.stem().string();
    const std::string title = printfiles::ReadTitle(directories, stem);
    if (!printfiles::LooksLikePdf(file)) {
        printfiles::MoveToFailed(directories, stem, title, "it is not a PDF file");
        reportedWaiting.erase(stem);
        return;
    }
    // Each job that has to wait is reported once, and again when the reason changes.
    const auto wait = [&](const std::string& reason) {
        if (reportedWaiting.insert(stem).second)
            platform::LogWarning("printing: job \"{}\" ({}) kept in the spool {}: {}; next try "
                                 "in {} s",
                                 title, stem, directories.spool.string(), reason,
                                 settings.retryInterval.count());
        else if (reason != lastWaitReason)
            platform::LogWarning("printing: job \"{}\" ({}) still waits: {}", title, stem, reason);
        else
            platform::LogDebug("printing: job {} still waits: {}", stem, reason);
        lastWaitReason = reason;
        stopPass = true;
    };
    switch (route.way) {
    case Way::Wait:
        wait(route.reason);
        return;
    case Way::File: {
        platform::Result<fs::path> filed = printfiles::FileJob(directories, stem);
        if (!filed) {
            wait(filed.Error());
            return;
        }
        platform::LogInfo("printing: job \"{}\" written to {}", title, filed->string());
        reportedWaiting.erase(stem);
        return;
    }
    case Way::Printer: {
        const printcups::SendOutcome sent = route.connection->Send(route.printer, file.string(),
                                                                   title);
        if (sent.result == printcups::SendResult::Refused) {
            printfiles::MoveToFailed(directories, stem, title, sent.message);
            reportedWaiting.erase(stem);
            return;
        }
        if (sent.result == printcups::SendResult::Unavailable) {
            wait(sent.message);
            return;
        }
        platform::LogInfo("printing: job \"{}\" sent to printer {} (CUPS job {}){}", title,
                          route.printer, sent.jobId,
                          reportedWaiting.erase(stem) > 0 ? " after waiting in the spool" : "");
        printfiles::RemoveJob(directories, stem);
        return;
    }
    }
}

void PrintSpool::State::Pass() {
    std::vector<fs::path> files = printfiles::SpooledJobs(directories);
    if (files.empty())
        return;
    Route route = ChooseRoute(kConnectTimeout);
    if (!lastWay || *lastWay != route.way || lastReason != route.reason) {
        if (route.way == Way::File && !settings.toPdfFiles)
            platform::LogInfo("printing: {}; jobs become PDF files in {}", route.reason,
                              directories.print.string());
        else if (route.way == Way::Printer && lastWay == Way::Wait)
            platform::LogInfo("printing: printer {} takes jobs again", route.printer);
        lastWay = route.way;
        lastReason = route.reason;
    }
    bool stopPass = false;
    for (const fs::path& file : files) {
        if (stopping.load())
            return;
        Deliver(file, route, stopPass);
        if (stopPass)
            return; // the jobs after it keep their order and wait too
    }
}

void PrintSpool::State::Run() {
    std::unique_lock lock(mutex);
    for (;;) {
        const auto wake = [this] {
            return stopping.load() || !incoming.empty() || retryRequested;
        };
        bool woken = true;
        if (!wake()) {
            woken = changed.wait_for(lock, settings.retryInterval, wake);
        }
        if (stopping.load())
            break;
        if (!woken && waiting == 0) {
            // Nothing waits: only the printer list is brought up to date.
            if (!settings.toPdfFiles) {
                lock.unlock();
                if (auto connection = printcups::Connection::Open(kConnectTimeout))
                    RefreshPrinters(*connection.Value());
                lock.lock();
            }
            continue;
        }
        std::deque<printfiles::IncomingJob> taken;
        taken.swap(incoming);
        retryRequested = false;
        busy = true;
        lock.unlock();
        for (const printfiles::IncomingJob& job : taken)
            printfiles::Accept(directories, job);
        Pass();
        const std::size_t left = printfiles::SpooledJobs(directories).size();
        lock.lock();
        waiting = left;
        busy = false;
        changed.notify_all();
    }
    // Jobs submitted but not sent stay in the spool for the next run.
    std::deque<printfiles::IncomingJob> taken;
    taken.swap(incoming);
    lock.unlock();
    for (const printfiles::IncomingJob& job : taken)
        printfiles::Accept(directories, job);
    const std::size_t left = printfiles::SpooledJobs(directories).size();
    if (left > 0)
        platform::LogInfo("printing: {} job(s) stay in the spool {} for the next run", left,
                          directories.spool.string());
}

PrintSpool::PrintSpool(Settings settings) : PrintSpool(std::move(settings), WallClock{}) {}

PrintSpool::PrintSpool(Settings settings, WallClock clock) : m_state(std::make_unique<State>()) {
    State& state = *m_state;
    if (settings.retryInterval < 1s)
        settings.retryInterval = 1s;
    state.settings = std::move(settings);
    state.clock = clock ? std::move(clock) : [] { return std::chrono::system_clock::now(); };
    state.directories = printfiles::Directories::Of(state.settings.projectDirectory,
                                                   state.settings.directory);
    // An earlier run's jobs go first; names given now sort after them.
    const std::vector<fs::path> left = printfiles::TakeUpLeftovers(state.directories);
    for (const fs::path& file : left)
        state.namer.SeeExisting(file.stem().string());
    state.waiting = left.size();
    state.retryRequested = !left.empty();
    if (!left.empty())
        platform::LogInfo("printing: {} job(s) left in the spool {} by an earlier run are sent "
                          "again",
                          left.size(), state.directories.spool.string());
    if (!state.settings.toPdfFiles) {
        if (auto connection = printcups::Connection::Open(kStartConnectTimeout)) {
            state.RefreshPrinters(*connection.Value());
        } else {
            platform::LogInfo("printing: {}", connection.Error());
        }
    }
    state.worker = std::thread([&state] { state.Run(); });
}

PrintSpool::~PrintSpool() {
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stopping = true;
    }
    m_state->changed.notify_all();
    m_state->worker.join();
}

void PrintSpool::Submit(const std::string& pdfPath, const std::string& title) {
    std::lock_guard lock(m_state->mutex);
    printfiles::IncomingJob job;
    job.stem = m_state->namer.Next(m_state->clock());
    job.title = title;
    job.source = pdfPath;
    m_state->incoming.push_back(std::move(job));
    m_state->changed.notify_all();
}

void PrintSpool::Drain() {
    std::unique_lock lock(m_state->mutex);
    m_state->changed.wait(lock, [this] {
        return m_state->incoming.empty() && !m_state->busy && !m_state->retryRequested;
    });
}

void PrintSpool::RetryNow() {
    std::lock_guard lock(m_state->mutex);
    m_state->retryRequested = true;
    m_state->changed.notify_all();
}

std::size_t PrintSpool::Waiting() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->waiting;
}

std::string PrintSpool::NewJobPath() {
    printfiles::MakeDirectories(m_state->directories);
    return printfiles::PartPath(m_state->directories, ++m_state->partCounter).string();
}

std::string PrintSpool::PrintDirectory() const { return m_state->directories.print.string(); }

std::string PrintSpool::SpoolDirectory() const { return m_state->directories.spool.string(); }

std::vector<std::string> PrintSpool::Printers() const {
    std::vector<std::string> names;
    if (m_state->settings.toPdfFiles)
        return names;
    std::lock_guard lock(m_state->mutex);
    for (const printcups::Printer& printer : m_state->printers)
        names.push_back(printer.name);
    return names;
}

bool PrintSpool::SelectPrinter(std::size_t index) {
    if (m_state->settings.toPdfFiles)
        return false;
    std::lock_guard lock(m_state->mutex);
    if (index >= m_state->printers.size())
        return false;
    m_state->selected = m_state->printers[index].name;
    return true;
}

std::size_t PrintSpool::SelectedPrinter() const {
    std::lock_guard lock(m_state->mutex);
    const std::string target = m_state->TargetLocked();
    const auto& printers = m_state->printers;
    const auto found = std::find_if(printers.begin(), printers.end(),
                                    [&](const printcups::Printer& p) { return p.name == target; });
    return found != printers.end() ? static_cast<std::size_t>(found - printers.begin()) : 0;
}

PrintSpool::PageSize PrintSpool::Page() const {
    if (m_state->settings.toPdfFiles)
        return {};
    std::lock_guard lock(m_state->mutex);
    const std::string target = m_state->TargetLocked();
    for (const printcups::Printer& printer : m_state->printers)
        if (printer.name == target)
            return printer.page;
    return {};
}

} // namespace shell
