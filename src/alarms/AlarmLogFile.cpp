// Quorva run-time. Licensed under the MIT licence.
#include "alarms/AlarmLogFile.h"

#include "platform/Log.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fmt/format.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace alarms::logfile {

using platform::IoFailure;
namespace {

// The memo file that goes with a table: same name, last letter of the extension "T".
std::string MemoPath(const std::string& path) {
    const std::filesystem::path table(path);
    const std::string extension = table.extension().string();
    if (extension.size() == 4 && (extension[3] == 'F' || extension[3] == 'f')) {
        std::string memo = path;
        memo.back() = extension[3] == 'F' ? 'T' : 't';
        return memo;
    }
    return path + ".DBT";
}

// A memo table (version 83h) needs its memo file even when it has no memo fields: readers
// refuse the table without it. An empty one is 512 bytes that begin 1Ah 1Ah.
platform::Status EnsureMemoFile(const std::string& path) {
    const std::string memoPath = MemoPath(path);
    FileHandle memo(::open(memoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!memo.IsOpen())
        return errno == EEXIST ? platform::Status() : IoFailure("create", memoPath, errno);
    std::string bytes(512, '\0');
    bytes[0] = dbf::kEndOfFile;
    bytes[1] = dbf::kEndOfFile;
    if (platform::Status written = WriteAt(memo.Get(), bytes, 0, memoPath); !written)
        return written;
    if (platform::Status synced = SyncData(memo.Get(), memoPath); !synced)
        return synced;
    platform::LogWarning("{}: its memo file was missing; created {}", path, memoPath);
    return memo.Close();
}

// Writes a new empty table through a temporary file: the name `path` never shows a table
// without its whole header. `replace` puts it over an (empty) file of that name.
platform::Status CreateTable(const std::string& path, std::size_t nameOriginLength, bool replace) {
    platform::Result<dbf::Layout> layout = dbf::MakeLayout(dbf::AlarmLogFields(nameOriginLength));
    if (!layout)
        return platform::Fail(path + ": " + layout.Error());
    std::string bytes = dbf::EncodeHeader(*layout, dbf::kVersionDbase3, dbf::Today(), 0);
    bytes += dbf::kEndOfFile;
    platform::Result<TemporaryFile> temporary = TemporaryFile::Create(path);
    if (!temporary)
        return platform::Fail(temporary.Error());
    if (platform::Status written = temporary->Append(bytes); !written)
        return written;
    return temporary->Commit(replace);
}

// Brings the record count and the end of the table into agreement with its length: a count
// past the whole records is lowered; what follows the counted records (a record cut short, or
// a whole one whose count never reached the header, so never confirmed to the caller) is cut
// off; the 1Ah end byte is written when missing. The count is lowered first, so that at no
// moment does it cover bytes that are not there.
platform::Status Repair(OpenedTable& table, const std::string& path, std::uint32_t stated) {
    const int fd = table.file.Get();
    const std::uint64_t headerLength = table.layout.headerLength;
    const std::uint64_t recordLength = table.layout.recordLength;
    const std::uint64_t whole = (table.size - headerLength) / recordLength;
    const std::uint32_t records =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(stated, whole));
    const std::uint64_t end = headerLength + records * recordLength;

    if (records != stated) {
        std::string prefix = table.header.substr(0, dbf::kPrefixBytes);
        dbf::PatchPrefix(prefix, dbf::Today(), records);
        if (platform::Status written = WriteAt(fd, prefix, 0, path); !written)
            return written;
        if (platform::Status synced = SyncData(fd, path); !synced)
            return synced;
        table.header.replace(0, dbf::kPrefixBytes, prefix);
        platform::LogWarning("{}: the header counted {} records but the file holds {} whole "
                             "ones; count lowered to {}",
                             path, stated, whole, records);
    }
    table.records = records;

    char last = 0;
    if (table.size == end + 1) {
        if (platform::Status read = ReadAt(fd, &last, 1, end, path); !read)
            return read;
        if (last == dbf::kEndOfFile)
            return {};
    }
    if (table.size > end + 1) {
        if (::ftruncate(fd, static_cast<off_t>(end + 1)) != 0)
            return IoFailure("shorten", path, errno);
        platform::LogWarning("{}: {} bytes after its {} records removed (a record cut short, or "
                             "not yet counted when the writer stopped)",
                             path, table.size - end - 1, records);
    } else if (table.size == end) {
        platform::LogWarning("{}: the end byte 1Ah after its {} records was missing; written", path,
                             records);
    } else {
        platform::LogWarning("{}: the byte after its {} records was {:02X}h, not the end byte "
                             "1Ah; rewritten",
                             path, records, static_cast<std::uint8_t>(last));
    }
    if (platform::Status written = WriteAt(fd, std::string(1, dbf::kEndOfFile), end, path);
        !written)
        return written;
    table.size = end + 1;
    return SyncData(fd, path);
}

} // namespace

platform::Result<OpenedTable> OpenTable(const std::string& path, std::size_t nameOriginLength) {
    OpenedTable table;
    for (int attempt = 0;; ++attempt) {
        table.file = FileHandle(::open(path.c_str(), O_RDWR | O_CLOEXEC));
        if (!table.file.IsOpen()) {
            if (errno != ENOENT || attempt > 0)
                return IoFailure("open", path, errno);
            if (platform::Status created = CreateTable(path, nameOriginLength, false); !created)
                return platform::Fail(created.Error());
            continue;
        }
        struct stat status {};
        if (::fstat(table.file.Get(), &status) != 0)
            return IoFailure("examine", path, errno);
        if (!S_ISREG(status.st_mode))
            return platform::Fail(path + " is not a regular file");
        table.size = static_cast<std::uint64_t>(status.st_size);
        if (table.size > 0 || attempt > 0)
            break;
        // An empty file holds nothing to lose: it becomes an empty table.
        platform::LogWarning("{}: the file was empty; a new alarm log table replaces it", path);
        if (platform::Status created = CreateTable(path, nameOriginLength, true); !created)
            return platform::Fail(created.Error());
    }

    const auto refuse = [&path](const std::string& why) {
        return platform::Fail(
            fmt::format("{} is not an alarm log table ({}); left as it is", path, why));
    };
    // The header length is at bytes 8..9 of the prefix; the parser checks it against the file.
    std::uint64_t headerLength = dbf::kPrefixBytes;
    if (table.size >= dbf::kPrefixBytes) {
        unsigned char length[2] = {};
        if (platform::Status read =
                ReadAt(table.file.Get(), reinterpret_cast<char*>(length), 2, 8, path);
            !read)
            return platform::Fail(read.Error());
        headerLength =
            std::max(headerLength, static_cast<std::uint64_t>(length[0] | length[1] << 8));
    }
    table.header.resize(std::min(table.size, headerLength));
    if (platform::Status read =
            ReadAt(table.file.Get(), table.header.data(), table.header.size(), 0, path);
        !read)
        return platform::Fail(read.Error());
    platform::Result<DbfTable> header = dbf::ReadDbfHeader(table.header);
    if (!header)
        return refuse(header.Error());
    if (header->version != dbf::kVersionDbase3 && header->version != dbf::kVersionDbase3Memo)
        return refuse(fmt::format("a dBASE table of version {:02X}h", header->version));
    if (platform::Status columns = dbf::CheckAlarmLogFields(header->fields); !columns)
        return refuse(columns.Error());
    platform::Result<dbf::Layout> layout = dbf::MakeLayout(header->fields);
    if (!layout)
        return refuse(layout.Error());
    table.layout = std::move(layout.Value());
    table.layout.headerLength = header->headerLength;
    table.version = header->version;

    if (table.version == dbf::kVersionDbase3Memo)
        if (platform::Status memo = EnsureMemoFile(path); !memo)
            return platform::Fail(memo.Error());
    table.records = header->statedRecords;
    const std::uint64_t end =
        table.layout.headerLength + std::uint64_t{table.records} * table.layout.recordLength;
    if (table.size == end + 1) {
        char last = 0;
        if (platform::Status read = ReadAt(table.file.Get(), &last, 1, end, path); !read)
            return platform::Fail(read.Error());
        if (last == dbf::kEndOfFile)
            return table;
    }
    if (platform::Status repaired = Repair(table, path, header->statedRecords); !repaired)
        return platform::Fail(fmt::format("repairing {} failed: {}", path, repaired.Error()));
    return table;
}

} // namespace alarms::logfile
