// Quorva run-time. Licensed under the MIT licence.
#include "ToolFiles.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

namespace synjson {

platform::Result<std::string> ReadWholeFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return platform::Fail(fmt::format("{}: cannot be opened: {}", path, std::strerror(errno)));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return platform::Fail(fmt::format("{}: not a regular file", path));
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            int error = errno;
            ::close(fd);
            return platform::Fail(fmt::format("{}: cannot be read: {}", path, std::strerror(error)));
        }
        if (got == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return bytes;
}

platform::Status WriteFileAtomically(const std::string& path, const std::string& bytes) {
    std::string temporary = path + ".XXXXXX";
    int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return platform::Fail(fmt::format("{}: cannot be written: {}", path, std::strerror(errno)));
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            int error = errno;
            ::close(fd);
            ::unlink(temporary.c_str());
            return platform::Fail(fmt::format("{}: cannot be written: {}", path,
                                              std::strerror(error)));
        }
        done += static_cast<std::size_t>(written);
    }
    ::fchmod(fd, 0644);
    if (::close(fd) != 0 || ::rename(temporary.c_str(), path.c_str()) != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        return platform::Fail(fmt::format("{}: cannot be written: {}", path, std::strerror(error)));
    }
    return {};
}

} // namespace synjson
