// Quorva run-time. Licensed under the MIT licence.
#include "alarms/AlarmLogFile.h"

#include "platform/Log.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fmt/format.h>
#include <random>
#include <signal.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace alarms::logfile {
namespace {

std::string ErrnoText(int error) {
    return std::generic_category().message(error);
}

platform::Failure IoFailure(std::string_view what, const std::string& path, int error) {
    return platform::Fail(fmt::format("cannot {} {}: {}", what, path, ErrnoText(error)));
}

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

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        (void)Close();
        m_fd = other.Release();
    }
    return *this;
}

int FileHandle::Release() {
    return std::exchange(m_fd, -1);
}

platform::Status FileHandle::Close() {
    if (m_fd < 0)
        return {};
    const int fd = Release();
    if (::close(fd) != 0 && errno != EINTR)
        return platform::Fail("close failed: " + ErrnoText(errno));
    return {};
}

platform::Status ReadAt(int fd, char* data, std::size_t size, std::uint64_t offset,
                        const std::string& path) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t count =
            ::pread(fd, data + done, size - done, static_cast<off_t>(offset + done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return IoFailure("read", path, errno);
        if (count == 0)
            return platform::Fail(fmt::format("cannot read {}: it ends at {} bytes, before {}",
                                              path, offset + done, offset + size));
        done += static_cast<std::size_t>(count);
    }
    return {};
}

platform::Status WriteAt(int fd, std::string_view bytes, std::uint64_t offset,
                         const std::string& path) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                       static_cast<off_t>(offset + done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return IoFailure("write", path, count < 0 ? errno : EIO);
        done += static_cast<std::size_t>(count);
    }
    return {};
}

platform::Status SyncData(int fd, const std::string& path) {
    if (::fdatasync(fd) != 0)
        return IoFailure("flush", path, errno);
    return {};
}

platform::Status SyncDirectoryOf(const std::string& path) {
    std::filesystem::path directory = std::filesystem::path(path).parent_path();
    if (directory.empty())
        directory = ".";
    FileHandle dir(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.IsOpen())
        return IoFailure("open the directory", directory.string(), errno);
    if (::fsync(dir.Get()) != 0)
        return IoFailure("flush the directory", directory.string(), errno);
    return {};
}

TemporaryFile::TemporaryFile(FileHandle file, std::string path, std::string target)
    : m_file(std::move(file)), m_path(std::move(path)), m_target(std::move(target)) {}

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept
    : m_file(std::move(other.m_file)), m_path(std::move(other.m_path)),
      m_target(std::move(other.m_target)), m_written(other.m_written),
      m_committed(std::exchange(other.m_committed, true)) {}

TemporaryFile::~TemporaryFile() {
    if (m_committed)
        return;
    (void)m_file.Close();
    ::unlink(m_path.c_str());
}

platform::Result<TemporaryFile> TemporaryFile::Create(const std::string& target) {
    std::random_device random;
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::string path =
            fmt::format("{}.{}-{:08x}.tmp", target, static_cast<long>(::getpid()), random());
        FileHandle file(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (file.IsOpen())
            return TemporaryFile(std::move(file), std::move(path), target);
        if (errno != EEXIST)
            return IoFailure("create", path, errno);
    }
    return platform::Fail("cannot create a temporary file next to " + target);
}

platform::Status TemporaryFile::Append(std::string_view bytes) {
    platform::Status written = WriteAt(m_file.Get(), bytes, m_written, m_path);
    if (written)
        m_written += bytes.size();
    return written;
}

platform::Status TemporaryFile::Commit(bool replace, int mode) {
    if (::fsync(m_file.Get()) != 0)
        return IoFailure("flush", m_path, errno);
    if (mode >= 0 && ::fchmod(m_file.Get(), static_cast<mode_t>(mode)) != 0)
        return IoFailure("set the mode of", m_path, errno);
    if (platform::Status closed = m_file.Close(); !closed)
        return platform::Fail(m_path + ": " + closed.Error());
    if (replace) {
        if (::rename(m_path.c_str(), m_target.c_str()) != 0)
            return IoFailure("replace", m_target, errno);
    } else {
        // link() fails rather than overwrite a table that another writer made meanwhile.
        if (::link(m_path.c_str(), m_target.c_str()) != 0 && errno != EEXIST)
            return IoFailure("create", m_target, errno);
        ::unlink(m_path.c_str());
    }
    m_committed = true;
    return SyncDirectoryOf(m_target);
}

void RemoveStaleTemporaries(const std::string& path) {
    namespace fs = std::filesystem;
    const fs::path table(path);
    const std::string prefix = table.filename().string() + ".";
    fs::path directory = table.parent_path();
    if (directory.empty())
        directory = ".";
    std::error_code error;
    for (fs::directory_iterator entry(directory, error), end; !error && entry != end;
         entry.increment(error)) {
        // Names made by TemporaryFile::Create: <table>.<pid>-<8 hex digits>.tmp
        const std::string name = entry->path().filename().string();
        if (name.size() <= prefix.size() + 13 || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - 4, 4, ".tmp") != 0)
            continue;
        const std::string_view middle =
            std::string_view(name).substr(prefix.size(), name.size() - prefix.size() - 4);
        const std::size_t dash = middle.find('-');
        if (dash == 0 || dash == std::string_view::npos || dash > 10 ||
            middle.size() - dash - 1 != 8 ||
            middle.find_first_not_of("0123456789abcdef", dash + 1) != std::string_view::npos)
            continue;
        long pid = 0;
        bool digits = true;
        for (char c : middle.substr(0, dash)) {
            digits = digits && c >= '0' && c <= '9';
            pid = pid * 10 + (c - '0');
        }
        if (!digits || pid == static_cast<long>(::getpid()) || pid > 0x7FFFFFFF)
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue; // its writer may still be at work
        std::error_code removed;
        if (fs::remove(entry->path(), removed))
            platform::LogInfo("{}: removed {}, left by a stopped writer", path, name);
    }
}

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
