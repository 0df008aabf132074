// Quorva run-time. Licensed under the MIT licence.
#include "alarms/AlarmLog.h"

#include "alarms/AlarmLogFile.h"
#include "alarms/DbfFormat.h"
#include "platform/Log.h"

#include <algorithm>
#include <fmt/format.h>
#include <limits>
#include <sys/stat.h>

namespace alarms {
namespace {

// Bytes copied at a time by the purge.
constexpr std::uint64_t kCopyChunk = 1 << 20;

constexpr std::size_t kNameOriginColumn = static_cast<std::size_t>(LogColumn::NameOrigin);

void SetValues(std::string& record, const dbf::Layout& layout, const LogValues& values) {
    for (std::size_t column = 0; column < kLogColumnCount; ++column)
        if (values.values[column])
            dbf::SetField(record, layout, column, *values.values[column]);
}

std::uint64_t RecordOffset(const logfile::OpenedTable& table, std::uint32_t index) {
    return table.layout.headerLength + std::uint64_t{index} * table.layout.recordLength;
}

// Sets the date and count of the header and flushes it: the last step of every write.
platform::Status WriteHeaderPrefix(logfile::OpenedTable& table, std::uint32_t records,
                                   const std::string& path) {
    std::string prefix = table.header.substr(0, dbf::kPrefixBytes);
    dbf::PatchPrefix(prefix, dbf::Today(), records);
    if (platform::Status written = logfile::WriteAt(table.file.Get(), prefix, 0, path); !written)
        return written;
    return logfile::SyncData(table.file.Get(), path);
}

// Appends at the end of the counted records. The record (with the end byte after it) reaches
// the disk before the header count that covers it: a stop in between leaves an uncounted
// record that the next opening cuts off, never a count past the records.
platform::Result<std::uint32_t> AppendRecord(logfile::OpenedTable& table, const LogValues& values,
                                             const std::string& path) {
    if (table.records == std::numeric_limits<std::uint32_t>::max())
        return platform::Fail(path + ": the table holds as many records as a header can count");
    std::string record = dbf::BlankRecord(table.layout);
    SetValues(record, table.layout, values);
    record += dbf::kEndOfFile;
    const int fd = table.file.Get();
    if (platform::Status written =
            logfile::WriteAt(fd, record, RecordOffset(table, table.records), path);
        !written)
        return platform::Fail(written.Error());
    if (platform::Status synced = logfile::SyncData(fd, path); !synced)
        return platform::Fail(synced.Error());
    if (platform::Status header = WriteHeaderPrefix(table, table.records + 1, path); !header)
        return platform::Fail(header.Error());
    return ++table.records;
}

// Finishes an event: closing reports a write that the disk refused late.
platform::Status CloseTable(logfile::OpenedTable& table, const std::string& path) {
    if (platform::Status closed = table.file.Close(); !closed)
        return platform::Fail(path + ": " + closed.Error());
    return {};
}

} // namespace

platform::Result<AlarmLog> AlarmLog::Open(std::string path, std::size_t nameOriginLength) {
    if (path.empty())
        return platform::Fail("the alarm log has no file name");
    if (nameOriginLength > dbf::kMaxFieldLength)
        platform::LogWarning("{}: alarm texts of {} characters are cut to the {} a dBASE column "
                             "holds",
                             path, nameOriginLength, dbf::kMaxFieldLength);
    AlarmLog log;
    log.m_path = std::move(path);
    log.m_nameOriginLength = std::clamp<std::size_t>(nameOriginLength, 1, dbf::kMaxFieldLength);
    logfile::RemoveStaleTemporaries(log.m_path);
    platform::Result<logfile::OpenedTable> table =
        logfile::OpenTable(log.m_path, log.m_nameOriginLength);
    if (!table)
        return platform::Fail(table.Error());
    const std::size_t existing = table->layout.fields[kNameOriginColumn].length;
    if (existing < log.m_nameOriginLength)
        platform::LogWarning("{}: its NAME_ORIGIN column holds {} characters; longer alarm texts "
                             "are cut to that length",
                             log.m_path, existing);
    log.m_records = table->records;
    if (platform::Status closed = CloseTable(*table, log.m_path); !closed)
        return platform::Fail(closed.Error());
    return log;
}

platform::Result<std::uint32_t> AlarmLog::Append(const LogValues& values) {
    platform::Result<logfile::OpenedTable> table = logfile::OpenTable(m_path, m_nameOriginLength);
    if (!table)
        return platform::Fail(table.Error());
    m_records = table->records;
    platform::Result<std::uint32_t> number = AppendRecord(*table, values, m_path);
    if (!number)
        return number;
    m_records = table->records;
    if (platform::Status closed = CloseTable(*table, m_path); !closed)
        return platform::Fail(closed.Error());
    return number;
}

platform::Result<std::uint32_t> AlarmLog::Update(std::uint32_t number, const LogValues& values) {
    platform::Result<logfile::OpenedTable> table = logfile::OpenTable(m_path, m_nameOriginLength);
    if (!table)
        return platform::Fail(table.Error());
    m_records = table->records;
    if (number == 0 || number > table->records) {
        platform::Result<std::uint32_t> appended = AppendRecord(*table, values, m_path);
        if (!appended)
            return appended;
        m_records = table->records;
        if (platform::Status closed = CloseTable(*table, m_path); !closed)
            return platform::Fail(closed.Error());
        return appended;
    }
    // A record is rewritten whole, at its place; the count does not change.
    const int fd = table->file.Get();
    const std::uint64_t offset = RecordOffset(*table, number - 1);
    std::string record(table->layout.recordLength, ' ');
    if (platform::Status read = logfile::ReadAt(fd, record.data(), record.size(), offset, m_path);
        !read)
        return platform::Fail(read.Error());
    SetValues(record, table->layout, values);
    if (platform::Status written = logfile::WriteAt(fd, record, offset, m_path); !written)
        return platform::Fail(written.Error());
    if (platform::Status header = WriteHeaderPrefix(*table, table->records, m_path); !header)
        return platform::Fail(header.Error());
    if (platform::Status closed = CloseTable(*table, m_path); !closed)
        return platform::Fail(closed.Error());
    return number;
}

platform::Result<bool> AlarmLog::PurgeIfLarger(std::uint64_t triggerBytes,
                                               std::uint64_t keepBytes) {
    if (triggerBytes == 0)
        return false;
    platform::Result<logfile::OpenedTable> opened = logfile::OpenTable(m_path, m_nameOriginLength);
    if (!opened)
        return platform::Fail(opened.Error());
    logfile::OpenedTable& table = *opened;
    m_records = table.records;
    if (table.size < triggerBytes)
        return false;
    // The newest records whose table (header, records, end byte) fits in keepBytes.
    const std::uint64_t headerLength = table.layout.headerLength;
    const std::uint64_t recordLength = table.layout.recordLength;
    const std::uint64_t room = keepBytes > headerLength ? keepBytes - headerLength - 1 : 0;
    const auto kept =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(room / recordLength, table.records));
    if (kept == table.records)
        return false;

    struct stat status {};
    const int mode =
        ::fstat(table.file.Get(), &status) == 0 ? static_cast<int>(status.st_mode & 07777) : -1;
    platform::Result<logfile::TemporaryFile> temporary = logfile::TemporaryFile::Create(m_path);
    if (!temporary)
        return platform::Fail(temporary.Error());
    std::string header = table.header;
    std::string prefix = header.substr(0, dbf::kPrefixBytes);
    dbf::PatchPrefix(prefix, dbf::Today(), kept);
    header.replace(0, dbf::kPrefixBytes, prefix);
    if (platform::Status written = temporary->Append(header); !written)
        return platform::Fail(written.Error());
    std::uint64_t from = RecordOffset(table, table.records - kept);
    const std::uint64_t end = RecordOffset(table, table.records);
    std::string chunk;
    while (from < end) {
        chunk.resize(static_cast<std::size_t>(std::min(kCopyChunk, end - from)));
        if (platform::Status read =
                logfile::ReadAt(table.file.Get(), chunk.data(), chunk.size(), from, m_path);
            !read)
            return platform::Fail(read.Error());
        if (platform::Status written = temporary->Append(chunk); !written)
            return platform::Fail(written.Error());
        from += chunk.size();
    }
    if (platform::Status written = temporary->Append(std::string(1, dbf::kEndOfFile)); !written)
        return platform::Fail(written.Error());
    (void)table.file.Close();
    if (platform::Status committed = temporary->Commit(true, mode); !committed)
        return platform::Fail(committed.Error());
    platform::LogInfo("{}: purged to its newest {} of {} records", m_path, kept, table.records);
    m_records = kept;
    return true;
}

std::uint32_t AlarmLog::RecordCount() const {
    return m_records;
}

} // namespace alarms
