// Quorva run-time. Licensed under the MIT licence.
#include "runtime/PrintQueue.h"

#include <utility>

#include "platform/Log.h"

namespace runtime {

void PrintQueue::Init() {
    std::lock_guard lock(m_mutex);
    m_records.emplace();
    m_saidFull = false;
}

bool PrintQueue::Add(PrintRecord record) {
    std::lock_guard lock(m_mutex);
    if (!m_records)
        m_records.emplace();
    if (m_records->size() >= kMaxRecords) {
        if (!m_saidFull)
            platform::LogError("print queue full ({} commands): further print commands are "
                               "refused until FPRINT or INITPRINTER",
                               kMaxRecords);
        m_saidFull = true;
        return false;
    }
    m_records->push_back(std::move(record));
    return true;
}

std::optional<PrintJob> PrintQueue::TakeLocked() {
    if (!m_records || m_records->empty()) {
        m_records.reset();
        return std::nullopt;
    }
    PrintJob job;
    job.records = std::move(*m_records);
    m_records.reset();
    m_saidFull = false;
    job.leftMargin = m_leftMargin;
    job.page = m_page;
    // The renderer runs the records later on its own thread; the margin they leave is known
    // now, so that the next job starts from it whatever the timing.
    for (const PrintRecord& record : job.records)
        if (record.op == PrintOp::Margin)
            m_leftMargin = record.values[0];
    return job;
}

std::optional<PrintJob> PrintQueue::Take() {
    std::lock_guard lock(m_mutex);
    return TakeLocked();
}

bool PrintQueue::Print() {
    std::lock_guard lock(m_mutex);
    if (!m_records || m_records->empty()) {
        m_records.reset();
        return false;
    }
    if (m_sink == nullptr) {
        platform::LogError("FPRINT: no printing in this run; {} print commands dropped",
                           m_records->size());
        TakeLocked();
        return false;
    }
    std::optional<PrintJob> job = TakeLocked();
    return m_sink->Print(std::move(*job));
}

bool PrintQueue::Exists() const {
    std::lock_guard lock(m_mutex);
    return m_records.has_value();
}

std::size_t PrintQueue::Count() const {
    std::lock_guard lock(m_mutex);
    return m_records ? m_records->size() : 0;
}

std::int32_t PrintQueue::LeftMargin() const {
    std::lock_guard lock(m_mutex);
    return m_leftMargin;
}

void PrintQueue::SetPage(PageSetup page) {
    std::lock_guard lock(m_mutex);
    m_page = page;
}

PageSetup PrintQueue::Page() const {
    std::lock_guard lock(m_mutex);
    return m_page;
}

void PrintQueue::TakePageLocked(const PageSetup& page) {
    const bool portrait = m_page.portrait;
    m_page = page;
    m_page.portrait = portrait;
}

void PrintQueue::SetPortrait(bool portrait) {
    std::lock_guard lock(m_mutex);
    m_page.portrait = portrait;
}

void PrintQueue::Attach(PrintJobSink* sink, PrinterChoice* printers) {
    std::lock_guard lock(m_mutex);
    m_sink = sink;
    m_printers = printers;
    if (printers != nullptr)
        TakePageLocked(printers->Page());
}

std::vector<std::string> PrintQueue::Printers() const {
    std::lock_guard lock(m_mutex);
    return m_printers != nullptr ? m_printers->Printers() : std::vector<std::string>{};
}

bool PrintQueue::SelectPrinter(std::int32_t index) {
    std::lock_guard lock(m_mutex);
    if (m_printers == nullptr || index < 0)
        return false;
    if (!m_printers->SelectPrinter(static_cast<std::size_t>(index)))
        return false;
    TakePageLocked(m_printers->Page());
    return true;
}

std::int32_t PrintQueue::SelectedPrinter() const {
    std::lock_guard lock(m_mutex);
    if (m_printers == nullptr || m_printers->Printers().empty())
        return -1;
    return static_cast<std::int32_t>(m_printers->SelectedPrinter());
}

void PrintQueue::Reset() {
    std::lock_guard lock(m_mutex);
    m_records.reset();
    m_saidFull = false;
    m_leftMargin = 0;
    m_page = PageSetup{};
    m_sink = nullptr;
    m_printers = nullptr;
}

PrintQueue& ProcessPrintQueue() {
    static PrintQueue queue;
    return queue;
}

} // namespace runtime
