// Quorva run-time. Licensed under the MIT licence.
#include "ToolFiles.h"

#include "shell/PackageWriter.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

namespace toolfiles {

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

platform::Status WriteFileAtomically(const std::string& path, std::string_view bytes) {
    return shell::WriteFileAtomically(path, bytes, false);
}

} // namespace toolfiles
