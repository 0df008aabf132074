// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "alarms/DbfFormat.h"
#include "platform/Result.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// File access of the alarm log: opening (creating or repairing) the table, reading and writing
// at offsets with full error checks, and temporary files that replace the table atomically.
// Used by AlarmLog on the thread that owns it.
namespace alarms::logfile {

// An owned file descriptor, closed when the object goes.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(int fd) : m_fd(fd) {}
    ~FileHandle() { (void)Close(); }
    FileHandle(FileHandle&& other) noexcept : m_fd(other.Release()) {}
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }
    int Release();
    // Closes now; fails when close reports an error (a write that did not reach the disk).
    platform::Status Close();

private:
    int m_fd = -1;
};

platform::Status ReadAt(int fd, char* data, std::size_t size, std::uint64_t offset,
                        const std::string& path);
platform::Status WriteAt(int fd, std::string_view bytes, std::uint64_t offset,
                         const std::string& path);
// Flushes the file's data (and the size that reaches it) to the disk.
platform::Status SyncData(int fd, const std::string& path);
// Flushes the directory that holds `path`, so that a rename or a new name in it survives.
platform::Status SyncDirectoryOf(const std::string& path);

// A file being written next to `target` under a name of its own; it replaces or becomes
// `target` only by Commit, and is removed when the object goes without one.
class TemporaryFile {
public:
    static platform::Result<TemporaryFile> Create(const std::string& target);
    ~TemporaryFile();
    TemporaryFile(TemporaryFile&& other) noexcept;
    TemporaryFile& operator=(TemporaryFile&&) = delete;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int Fd() const { return m_file.Get(); }
    const std::string& Path() const { return m_path; }
    platform::Status Append(std::string_view bytes);
    // Syncs and closes the file, gives it `mode` when set, then renames it over the target
    // (`replace`) or links it as the target only when there is none yet; then syncs the
    // directory. An existing target left in place by `replace` = false is no failure.
    platform::Status Commit(bool replace, int mode = -1);

private:
    TemporaryFile(FileHandle file, std::string path, std::string target);

    FileHandle m_file;
    std::string m_path;
    std::string m_target;
    std::uint64_t m_written = 0;
    bool m_committed = false;
};

// Removes the temporary files next to `path` that a process no longer running left behind (a
// purge or a creation that was stopped before its rename).
void RemoveStaleTemporaries(const std::string& path);

// The alarm log table opened read/write for one event: its layout and state after any repair.
struct OpenedTable {
    FileHandle file;
    std::uint8_t version = dbf::kVersionDbase3;
    dbf::Layout layout; // headerLength: the file's own
    std::string header; // the whole header as read
    std::uint32_t records = 0;
    std::uint64_t size = 0; // the file's size when opened, after any repair
};

// Opens the table at `path`; creates it (NAME_ORIGIN `nameOriginLength` long) when missing or
// empty; repairs a count or an end that disagrees with the file's length and logs what it did.
// A file that is no dBASE table, or not the alarm log's, is refused and left as it is.
platform::Result<OpenedTable> OpenTable(const std::string& path, std::size_t nameOriginLength);

} // namespace alarms::logfile
