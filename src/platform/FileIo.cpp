// Quorva run-time. Licensed under the MIT licence.
#include "platform/FileIo.h"

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

namespace platform {

Failure IoFailure(std::string_view what, const std::string& path, int error) {
    return Fail(
        fmt::format("cannot {} {}: {}", what, path, std::generic_category().message(error)));
}

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

Status FileHandle::Close() {
    if (m_fd < 0)
        return {};
    const int fd = Release();
    if (::close(fd) != 0 && errno != EINTR)
        return Fail("close failed: " + std::generic_category().message(errno));
    return {};
}

Status ReadAt(int fd, char* data, std::size_t size, std::uint64_t offset, const std::string& path) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t count =
            ::pread(fd, data + done, size - done, static_cast<off_t>(offset + done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return IoFailure("read", path, errno);
        if (count == 0)
            return Fail(fmt::format("cannot read {}: it ends at {} bytes, before {}", path,
                                    offset + done, offset + size));
        done += static_cast<std::size_t>(count);
    }
    return {};
}

Status WriteAt(int fd, std::string_view bytes, std::uint64_t offset, const std::string& path) {
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

Status SyncData(int fd, const std::string& path) {
    if (::fdatasync(fd) != 0)
        return IoFailure("flush", path, errno);
    return {};
}

Status SyncDirectoryOf(const std::string& path) {
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

Result<TemporaryFile> TemporaryFile::Create(const std::string& target) {
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
    return Fail("cannot create a temporary file next to " + target);
}

Status TemporaryFile::Append(std::string_view bytes) {
    Status written = WriteAt(m_file.Get(), bytes, m_written, m_path);
    if (written)
        m_written += bytes.size();
    return written;
}

Status TemporaryFile::Commit(bool replace, int mode) {
    if (::fsync(m_file.Get()) != 0)
        return IoFailure("flush", m_path, errno);
    if (mode >= 0 && ::fchmod(m_file.Get(), static_cast<mode_t>(mode)) != 0)
        return IoFailure("set the mode of", m_path, errno);
    if (Status closed = m_file.Close(); !closed)
        return Fail(m_path + ": " + closed.Error());
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
            LogInfo("{}: removed {}, left by a stopped writer", path, name);
    }
}

} // namespace platform
