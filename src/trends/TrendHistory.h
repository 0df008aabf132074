// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Result.h"

namespace trends {

// The samples a trend object records, kept in a file so that its chart survives a restart.
//
// File format (little-endian), append-only:
//   header, 32 bytes: magic "QTRNDHST", version (u16, 1), header size (u16, 32), record size
//   (u16, 80), pencil count (u8), pencil mask (u8), period in ms (u32), hash of the pencils'
//   variable names (u32), 4 zero bytes, CRC-32 of the 28 bytes before it (u32);
//   records, 80 bytes each: time (i64, UTC milliseconds since 1970), 8 values (IEEE doubles),
//   set mask (u8: bit i when value i holds a sample), 3 zero bytes, CRC-32 of the 76 bytes
//   before it (u32).
// The sizes in the header must be those above; nothing in the file is used to size a read.

inline constexpr std::size_t kHistoryValues = 8;
inline constexpr std::size_t kHistoryHeaderSize = 32;
inline constexpr std::size_t kHistoryRecordSize = 80;

// One sample: when it was taken and the values of the pencils sampled; a value whose bit in
// `setMask` is clear holds 0 (the pencil has no variable, or its variable gave no number).
struct HistorySample {
    std::int64_t utcMilliseconds = 0;
    std::array<double, kHistoryValues> values{};
    std::uint8_t setMask = 0;

    bool operator==(const HistorySample&) const = default;
};

// What a file belongs to: the pencils that have a variable (bit i for pencil i + 1), the
// sampling period and a hash of the pencils' variable names. A file of another identity is set
// aside (renamed), never mixed with new samples.
struct HistoryIdentity {
    std::uint8_t pencilMask = 0;
    std::uint32_t periodMs = 0;
    std::uint32_t namesHash = 0;

    bool operator==(const HistoryIdentity&) const = default;
};

// FNV-1a over the names, upper-cased and blanks trimmed, each followed by a zero byte.
std::uint32_t HashPencilNames(const std::array<std::string, kHistoryValues>& names);

std::string EncodeHistoryHeader(const HistoryIdentity& identity);
// Values that are not finite are stored as unset; unset values are stored as 0.
std::string EncodeHistoryRecord(const HistorySample& sample);
platform::Result<HistoryIdentity> DecodeHistoryHeader(std::string_view bytes);
// Null unless `bytes` is one whole record (its size, zero spare bytes, its check value).
std::optional<HistorySample> DecodeHistoryRecord(std::string_view bytes);

// What a reader makes of a whole file's bytes.
struct ParsedHistory {
    HistoryIdentity identity;
    std::vector<HistorySample> samples; // the whole records, in file order
    std::size_t damagedRecords = 0;     // bad records before the last whole one, skipped
    std::size_t keptBytes = 0;          // header and records up to the last whole one
};
// Fails for a file that does not begin with a valid header.
platform::Result<ParsedHistory> ParseHistory(std::string_view bytes);

// An open history file, locked for this object alone (a second object or run-time that asks
// for the same file is refused). Opening repairs it: what follows the last whole record (a
// record cut short by a crash, or never finished) is cut off; a file that is not a history file,
// or that belongs to other pencils or another period, is renamed aside (".bad-<time>",
// ".old-<time>") and a new one begins. Appends write one whole record each; they are flushed to
// the disk every kSyncIntervalMs of sample time and when the object goes (not at every sample:
// a flush can take tens of milliseconds on the flash storage of panel PCs, and the GUI thread
// waits for it). A crash of the run-time loses nothing written; a power loss at most the last
// interval; neither leaves a record half there. The file keeps the newest `bound` records: when
// it holds twice as many, the newest `bound` are copied into a new file that replaces it by an
// atomic rename.
//
// One thread at a time (the GUI thread of its trend object).
class TrendHistory {
public:
    static constexpr std::size_t kDefaultBound = 86400; // a day of one sample a second
    static constexpr std::size_t kMinimumBound = 16;
    static constexpr std::size_t kMaximumBound = 1000000;
    static constexpr std::int64_t kSyncIntervalMs = 5000;

    // Opens or creates `path` (and its directory). `bound` is kept within the limits above.
    static platform::Result<TrendHistory> Open(const std::string& path,
                                               const HistoryIdentity& identity,
                                               std::size_t bound = kDefaultBound);

    TrendHistory(TrendHistory&& other) noexcept;
    TrendHistory& operator=(TrendHistory&& other) noexcept;
    TrendHistory(const TrendHistory&) = delete;
    TrendHistory& operator=(const TrendHistory&) = delete;
    ~TrendHistory();

    const std::string& Path() const { return m_path; }
    std::size_t Bound() const { return m_bound; }
    // Records in the file, including any damaged one in its middle.
    std::size_t RecordCount() const { return m_records; }

    // The newest whole records, at most `count`, oldest first; damaged ones are skipped.
    platform::Result<std::vector<HistorySample>> ReadNewest(std::size_t count) const;
    // Appends one record; on failure the file is left as it was before the call.
    platform::Status Append(const HistorySample& sample);
    // Flushes what was appended to the disk.
    platform::Status Sync();

private:
    TrendHistory(int fd, std::string path, std::size_t bound, std::size_t records);
    platform::Status Compact();
    void Close();

    int m_fd = -1;
    std::string m_path;
    HistoryIdentity m_identity;
    std::size_t m_bound = kDefaultBound;
    std::size_t m_records = 0;
    std::int64_t m_lastSync = 0;
    bool m_unsynced = false;
};

} // namespace trends
