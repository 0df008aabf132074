// Quorva run-time. Licensed under the MIT licence.
#include "shell/Stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace shell {

Stream::~Stream() = default;

std::string Stream::ReadAll() {
    std::uint64_t size = Size();
    std::uint64_t position = Position();
    std::string bytes;
    if (position < size)
        bytes.resize(static_cast<std::size_t>(size - position));
    std::size_t done = 0;
    while (done < bytes.size()) {
        std::size_t got = Read(bytes.data() + done, bytes.size() - done);
        if (got == 0)
            break;
        done += got;
    }
    bytes.resize(done);
    // A file may have grown since its size was taken: read on to its end.
    char chunk[4096];
    while (std::size_t got = Read(chunk, sizeof(chunk)))
        bytes.append(chunk, got);
    return bytes;
}

MemoryStream::MemoryStream(std::string bytes)
    : m_text(std::move(bytes)), m_data(m_text.data()), m_size(m_text.size()) {}

MemoryStream::MemoryStream(MallocBlock block, std::size_t size)
    : m_block(std::move(block)), m_data(m_block.get()), m_size(m_block ? size : 0) {}

bool MemoryStream::Seek(std::uint64_t position) {
    if (position > m_size)
        return false;
    m_position = static_cast<std::size_t>(position);
    return true;
}

std::size_t MemoryStream::Read(void* buffer, std::size_t count) {
    std::size_t n = std::min(count, m_size - m_position);
    if (n > 0)
        std::memcpy(buffer, m_data + m_position, n);
    m_position += n;
    return n;
}

std::unique_ptr<FileStream> FileStream::Open(const std::string& hostPath) {
    int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<FileStream>(new FileStream(fd));
}

FileStream::~FileStream() {
    ::close(m_fd);
}

std::uint64_t FileStream::Size() const {
    struct stat info {};
    if (::fstat(m_fd, &info) != 0 || info.st_size < 0)
        return 0;
    return static_cast<std::uint64_t>(info.st_size);
}

bool FileStream::Seek(std::uint64_t position) {
    if (position > Size())
        return false;
    m_position = position;
    return true;
}

std::size_t FileStream::Read(void* buffer, std::size_t count) {
    std::size_t got = ReadAt(m_position, buffer, count);
    m_position += got;
    return got;
}

std::size_t FileStream::ReadAt(std::uint64_t position, void* buffer, std::size_t count) const {
    constexpr auto kMaxOffset = static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count && position + done < kMaxOffset) {
        ssize_t got = ::pread(m_fd, out + done, count - done, static_cast<off_t>(position + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

} // namespace shell
