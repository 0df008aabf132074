// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace alarms {

// The kinds of a display line.
inline constexpr std::string_view kKindActive = "Alarme";          // active, not acknowledged
inline constexpr std::string_view kKindAcknowledged = "AlarmeNil"; // active, acknowledged
inline constexpr std::string_view kKindEnded = "AlarmOff";         // ended, not acknowledged

// The fields of a display line.
struct LineFields {
    std::string_view kind, date, time, state, text, lineText, group, zone;
};
// The fields joined, each followed by the character 01h.
std::string DisplayLine(const LineFields& fields);

// The active list: display lines newest first, each with the index of its alarm. GUI thread.
class ActiveList {
public:
    const std::vector<std::string>& Lines() const { return m_lines; }
    std::size_t Size() const { return m_lines.size(); }
    // The alarm of the line at `position`; none for a position outside the list.
    std::optional<std::size_t> AlarmAt(int position) const;
    std::optional<std::size_t> PositionOf(std::size_t alarm) const;

    void InsertTop(std::size_t alarm, std::string line);
    void Replace(std::size_t position, std::string line);
    void Remove(std::size_t position);
    void Clear();

private:
    std::vector<std::string> m_lines;
    std::vector<std::size_t> m_alarms;
};

// The history: display lines newest first, one per change of an alarm. It keeps at most
// kMaxLines: beyond that the oldest lines go (logged once). Any thread may call every method
// (the runtime functions read and trim it from the scan thread as well).
//
// "HistAl" holds one line per text line, newest first: the code-page text converted to UTF-8,
// each ended by LF (a CR before the LF is accepted when reading). Bytes that are not UTF-8 are
// read as they stand, so a file written as code-page bytes reads back unchanged.
class AlarmHistory {
public:
    static constexpr std::size_t kMaxLines = 100000;

    void Add(std::string line);
    std::size_t Count() const;
    // Line `index` (0 = newest); empty for an index outside the list.
    std::string Line(int index) const;
    // Deletes the oldest lines until at most `keep` remain (none for a negative `keep`); the
    // number left.
    std::size_t Trim(int keep);
    std::vector<std::string> Lines() const;

    // Replaces the list by the file's lines: at most kMaxLines of the file's first
    // kMaxFileBytes, lines over kMaxLineBytes skipped (logged). A missing file is an empty list.
    platform::Status Load(const std::string& hostPath);
    // Writes the list through a temporary file that then replaces `hostPath`. An empty list
    // removes the file, so that lines trimmed away do not come back at the next start.
    platform::Status Save(const std::string& hostPath) const;

private:
    void DropOldestLocked();

    mutable std::mutex m_mutex;
    std::deque<std::string> m_lines;
    bool m_reportedFull = false;
};

} // namespace alarms
