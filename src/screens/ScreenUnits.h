// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QPointer>

namespace screens {

class ScreenForm;

// One open screen with its automatic unit: the unit's main entry (a guest address; none when
// the screen has no unit), its window, the duration of its last run and whether it is stopped.
struct ScreenUnitRecord {
    std::string name;  // upper-cased, at most 80 characters
    std::string list;  // the list the record belongs to
    std::optional<std::uint32_t> mainEntry;
    std::string unitName; // the unit's file name ("MAIN_Auto.qru"), for error reports
    QPointer<ScreenForm> window;
    std::atomic<std::int32_t> lastMicroseconds{0};
    std::atomic<bool> stopped{false};
};

// The screens in opening order. The GUI cycle runs their units; the editor link (on the scan
// thread) reads and sets their state by name. Records are never removed while the run-time
// runs, so references to them stay valid; the list itself is locked.
class ScreenUnitRegistry {
public:
    ScreenUnitRecord& Register(std::string_view name, std::string_view list,
                               std::optional<std::uint32_t> mainEntry, std::string_view unitName,
                               ScreenForm* window);

    // Any thread. Names compared upper-cased.
    bool SetStopped(std::string_view name, bool stopped);
    std::optional<std::string> State(std::string_view name) const; // "Run" or "Stop"
    std::optional<std::int32_t> LastMicroseconds(std::string_view name) const;
    std::vector<std::string> Names() const;
    bool Contains(std::string_view name) const;

    // GUI thread: every record in opening order.
    void ForEach(const std::function<void(ScreenUnitRecord&)>& visit);
    std::size_t Size() const;
    void Clear();

private:
    const ScreenUnitRecord* Find(std::string_view name) const;

    mutable std::mutex m_mutex;
    std::deque<ScreenUnitRecord> m_records;
};

} // namespace screens
