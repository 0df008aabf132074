// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Crash-safe file access for the run-time's own data files (the alarm log, trend histories):
// reads and writes at offsets with full error checks, flushes, and temporary files that replace
// a file atomically.
namespace platform {

// "cannot <what> <path>: <the system's text for error>"
Failure IoFailure(std::string_view what, const std::string& path, int error);

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

} // namespace platform
