// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace alarms {

// The columns of "Alarm.DBF", in file order.
enum class LogColumn {
    Name,       // NAME C 80: translated alarm text
    Mnemonic,   // MNEMONIC C 20: variable name
    DateApp,    // DATEAPP D 8
    TimeApp,    // TIMEAPP C 8
    DateDis,    // DATEDIS D 8
    TimeDis,    // TIMEDIS C 8
    DateAcq,    // DATEACQ D 8
    TimeAcq,    // TIMEACQ C 8
    Data,       // DATA N 10.3
    Groupe,     // GROUPE C 20
    Zone,       // ZONE C 20
    TCount,     // TCOUNT C 8
    NameOrigin, // NAME_ORIGIN C (longest source text)
};
inline constexpr std::size_t kLogColumnCount = 13;

// The values of one log event by column; a column left unset keeps what the record holds (a new
// record: blanks). Dates are texts "dd/mm/yyyy" (or "d/m/yy": the year gets "20" in front),
// written as the table's yyyymmdd; times "hh:mm:ss".
struct LogValues {
    std::optional<std::string> values[kLogColumnCount];
    LogValues& Set(LogColumn column, std::string value) {
        values[static_cast<std::size_t>(column)] = std::move(value);
        return *this;
    }
};

// "Alarm.DBF": the dBASE III alarm log. Each event opens the table, writes and flushes, and
// closes it again, so that another program may read or copy it between events.
//
// Crash safety: a record is written (and flushed) before the header count that covers it, and
// the header count never exceeds the records on disk; a table whose count disagrees with its
// length is repaired when opened (the log says what was repaired). A purge rewrites the table
// into a temporary file that then replaces it atomically.
//
// One object writes a table, from one thread at a time; other programs may read it.
class AlarmLog {
public:
    // The table at `path` with a NAME_ORIGIN column of `nameOriginLength` characters (at least
    // 1): created when missing, repaired when damaged. Fails when the file cannot be created or
    // is no dBASE table at all (then it is left as it is).
    static platform::Result<AlarmLog> Open(std::string path, std::size_t nameOriginLength);

    // Appends a record; its number (from 1).
    platform::Result<std::uint32_t> Append(const LogValues& values);
    // Rewrites the set columns of record `number` (from 1); appends when there is no such
    // record, returning the new number.
    platform::Result<std::uint32_t> Update(std::uint32_t number, const LogValues& values);
    // When the file has reached `triggerBytes` (0 = never), keeps only its newest records that
    // fit in `keepBytes`. Returns whether it purged. Record numbers kept by callers are then
    // stale: callers forget them (the next update appends).
    platform::Result<bool> PurgeIfLarger(std::uint64_t triggerBytes, std::uint64_t keepBytes);

    std::uint32_t RecordCount() const;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    std::size_t m_nameOriginLength = 1;
    std::uint32_t m_records = 0;
};

// A dBASE table read whole: for the repair, the tools and the tests. Never trusts the header:
// counts and lengths are checked against the file's size.
struct DbfField {
    std::string name;
    char type = 'C';
    std::uint8_t length = 0;
    std::uint8_t decimals = 0;
};
struct DbfTable {
    std::uint8_t version = 0;
    std::uint16_t headerLength = 0;
    std::uint16_t recordLength = 0;
    std::uint32_t statedRecords = 0; // the header's count
    std::vector<DbfField> fields;
    // The whole records that are in the file, at most the header's count (deletion flag first).
    std::vector<std::string> records;
    // The bytes after those records: 1 (the 1Ah end byte) in a sound table.
    std::uint64_t trailingBytes = 0;
};
platform::Result<DbfTable> ReadDbf(std::string_view bytes);

} // namespace alarms
