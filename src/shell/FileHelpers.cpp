// Quorva run-time. Licensed under the MIT licence.
#include "shell/FileHelpers.h"

#include "platform/CodePage.h"
#include "platform/Log.h"
#include "platform/PathMap.h"
#include "shell/MessagePresenter.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace shell {

namespace {

namespace fs = std::filesystem;

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

// "*" and "?" over single-byte characters, ignoring ASCII case.
bool Glob(std::string_view pattern, std::string_view name) {
    std::size_t p = 0, n = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || LowerAscii(pattern[p]) == LowerAscii(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool MaskMatches(std::string_view mask, std::string_view name) {
    if (Glob(mask, name))
        return true;
    if (mask.ends_with(".*"))
        return Glob(mask.substr(0, mask.size() - 2), name);
    if (mask.ends_with('.'))
        return name.find('.') == std::string_view::npos &&
               Glob(mask.substr(0, mask.size() - 1), name);
    return false;
}

// Project paths split into the directory part (with its separator, or a drive "C:") and the last
// component.
std::size_t LastComponentStart(std::string_view path) {
    std::size_t slash = path.find_last_of("\\/");
    if (slash != std::string_view::npos)
        return slash + 1;
    bool drive = path.size() >= 2 && path[1] == ':' &&
                 ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    return drive ? 2 : 0;
}
std::string_view DirectoryPart(std::string_view path) {
    return path.substr(0, LastComponentStart(path));
}
std::string_view LastComponent(std::string_view path) {
    return path.substr(LastComponentStart(path));
}
// The extension from the last "." of the last component (".*" for a mask "X.*").
std::string_view Extension(std::string_view path) {
    std::string_view name = LastComponent(path);
    std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}
// The last component without its extension.
std::string_view BaseName(std::string_view path) {
    std::string_view name = LastComponent(path);
    return name.substr(0, name.size() - Extension(path).size());
}
// A file's own extension as the mask operations take it: from its first ".".
std::string_view OwnExtension(std::string_view name) {
    std::size_t dot = name.find('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

std::string HostDirectory(std::string_view projectDirectory) {
    std::string host =
        projectDirectory.empty() ? std::string(".") : platform::HostPath(projectDirectory);
    if (host.empty())
        host = ".";
    if (!host.ends_with('/'))
        host += '/';
    return host;
}

struct FoundFile {
    std::string name;     // code-page bytes
    std::string hostPath; // the file on the disk
};

// The ordinary files matching the last component of `mask`, in name order ignoring case.
std::vector<FoundFile> FindFiles(std::string_view mask) {
    std::vector<FoundFile> found;
    std::string directory = HostDirectory(DirectoryPart(mask));
    std::string pattern(LastComponent(mask));
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(directory.c_str()), ::closedir);
    if (!dir)
        return found;
    while (dirent* entry = ::readdir(dir.get())) {
        std::string hostName = entry->d_name;
        if (hostName.starts_with('.'))
            continue;
        std::string name = platform::Utf8ToCodePage(hostName);
        if (!MaskMatches(pattern, name))
            continue;
        std::string hostPath = directory + hostName;
        struct stat info {};
        if (::stat(hostPath.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            found.push_back({std::move(name), std::move(hostPath)});
    }
    std::sort(found.begin(), found.end(), [](const FoundFile& a, const FoundFile& b) {
        int order = ::strcasecmp(a.name.c_str(), b.name.c_str());
        return order != 0 ? order < 0 : a.name < b.name;
    });
    return found;
}

bool CopyOne(const std::string& from, const std::string& to) {
    std::error_code error;
    bool ok = fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
    if (!ok)
        platform::LogDebug("copy {} to {} failed: {}", from, to, error.message());
    return ok;
}

// Moves a file without ever replacing an existing one, across file systems too.
bool MoveOne(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EINVAL || errno == ENOSYS) {
        // A file system without RENAME_NOREPLACE.
        struct stat info {};
        return ::lstat(to.c_str(), &info) != 0 && errno == ENOENT &&
               ::rename(from.c_str(), to.c_str()) == 0;
    }
    if (errno != EXDEV)
        return false;
    std::error_code error;
    if (!fs::copy_file(from, to, fs::copy_options::none, error))
        return false;
    if (::unlink(from.c_str()) != 0) {
        ::unlink(to.c_str());
        return false;
    }
    return true;
}

std::string Expanded(const std::string& hostPath) {
    std::error_code error;
    fs::path absolute = fs::absolute(hostPath, error);
    return (error ? fs::path(hostPath) : absolute).lexically_normal().string();
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace

bool DeleteFilesByMask(std::string_view mask, MessagePresenter& presenter) {
    std::vector<FoundFile> files = FindFiles(mask);
    std::string projectDirectory(DirectoryPart(mask));
    for (const FoundFile& file : files) {
        struct stat info {};
        if (::lstat(file.hostPath.c_str(), &info) != 0)
            continue;
        if (::unlink(file.hostPath.c_str()) != 0) {
            platform::LogWarning("cannot delete {}: {}", file.hostPath, std::strerror(errno));
            presenter.Show("Error DeleteFile", projectDirectory + file.name, mb::Ok);
        }
    }
    return !files.empty();
}

bool CopyFilesByMask(std::string_view source, std::string_view dest) {
    std::string destDirectory(DirectoryPart(dest));
    std::string destBase(BaseName(dest));
    if (Extension(source) != ".*") {
        if (EqualsIgnoringCase(destBase, "aux"))
            return false;
        std::string from = platform::HostPath(source);
        std::string to = platform::HostPath(dest);
        if (EqualsIgnoringCase(Expanded(from), Expanded(to)))
            return false;
        return CopyOne(from, to);
    }
    std::vector<FoundFile> files = FindFiles(source);
    if (destBase == "*") {
        bool ok = true;
        for (const FoundFile& file : files)
            ok = CopyOne(file.hostPath, platform::HostPath(destDirectory + file.name)) && ok;
        return ok;
    }
    bool ok = false;
    for (const FoundFile& file : files) {
        std::string target = destDirectory + destBase + std::string(OwnExtension(file.name));
        ok = CopyOne(file.hostPath, platform::HostPath(target));
    }
    return ok;
}

bool RenameFilesByMask(std::string_view source, std::string_view dest) {
    if (Extension(source) != ".*")
        return MoveOne(platform::HostPath(source), platform::HostPath(dest));
    std::string destDirectory(DirectoryPart(dest));
    std::string destBase(BaseName(dest));
    bool ok = false;
    for (const FoundFile& file : FindFiles(source)) {
        std::string target = destDirectory + destBase + std::string(OwnExtension(file.name));
        ok = MoveOne(file.hostPath, platform::HostPath(target));
    }
    return ok;
}

bool AppendFileToFile(std::string_view source, std::string_view dest) {
    int in = ::open(platform::HostPath(source).c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    struct stat info {};
    bool ok = ::fstat(in, &info) == 0 && S_ISREG(info.st_mode);
    // Only the bytes present now: appending a file to itself doubles it instead of looping.
    auto remaining = static_cast<std::uint64_t>(ok ? info.st_size : 0);
    int out = -1;
    if (ok) {
        out = ::open(platform::HostPath(dest).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC,
                     0666);
        ok = out >= 0;
    }
    char block[2048];
    while (ok && remaining > 0) {
        std::size_t wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>(sizeof(block), remaining));
        ssize_t got = ::read(in, block, wanted);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break; // the file shrank meanwhile
        ok = WriteAll(out, block, static_cast<std::size_t>(got));
        remaining -= static_cast<std::uint64_t>(got);
    }
    if (out >= 0 && ::close(out) != 0)
        ok = false;
    ::close(in);
    return ok;
}

void ListFilesByMask(std::vector<std::string>& list, std::string_view mask) {
    for (FoundFile& file : FindFiles(mask))
        list.push_back(std::move(file.name));
}

bool DirectoryHasEntries(std::string_view directory) {
    if (directory.ends_with('\\') || directory.ends_with('/'))
        directory.remove_suffix(1);
    std::string host = platform::HostPath(std::string(directory) + "\\");
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(host.c_str()), ::closedir);
    return dir != nullptr && ::readdir(dir.get()) != nullptr;
}

std::string TrimBlanks(std::string_view text) {
    std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    std::size_t last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

double TextToFloat(std::string_view text) {
    std::string trimmed = TrimBlanks(text);
    std::string_view digits = trimmed;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    // Only plain decimal notation: no "inf", "nan" or hexadecimal.
    if (digits.empty() ||
        !(std::isdigit(static_cast<unsigned char>(digits.front())) || digits.front() == '.'))
        return 0.0;
    double value = 0.0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                        std::chars_format::general);
    if (error != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value))
        return 0.0;
    return negative ? -value : value;
}

std::string_view FileNamePart(std::string_view path) {
    std::size_t cut = path.find_last_of("\\/:");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

std::string FileNameWithoutExt(std::string_view path) {
    std::string_view name = FileNamePart(path);
    return std::string(name.substr(0, name.find('.')));
}

ProjectFile::ProjectFile(int fd, Kind kind, std::string hostPath)
    : m_fd(fd), m_kind(kind), m_hostPath(std::move(hostPath)) {}

ProjectFile::~ProjectFile() {
    Close();
}

std::unique_ptr<ProjectFile> ProjectFile::Open(std::string_view path, Kind kind,
                                               MessagePresenter& presenter) {
    std::string host = platform::HostPath(path);
    int access = kind == Kind::TextRead     ? O_RDONLY
                 : kind == Kind::TextAppend ? O_WRONLY | O_APPEND
                                            : O_RDWR;
    int fd = ::open(host.c_str(), access | O_CLOEXEC);
    // Create the file only when it is missing: an existing file that cannot be opened (no
    // permission, a directory) is left as it is.
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(host.c_str(), access | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            fd = ::open(host.c_str(), access | O_CLOEXEC);
    }
    struct stat info {};
    if (fd >= 0 && (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode))) {
        ::close(fd);
        fd = -1;
        errno = EISDIR;
    }
    if (fd < 0) {
        platform::LogWarning("cannot open or create {}: {}", host, std::strerror(errno));
        const char* caption = kind == Kind::TextRead     ? "Error OpenTextFile"
                              : kind == Kind::TextAppend ? "Error AppendTextFile"
                                                         : "Error OpenFile";
        presenter.Show(caption, std::string(path), mb::Ok);
        return nullptr;
    }
    return std::unique_ptr<ProjectFile>(new ProjectFile(fd, kind, std::move(host)));
}

bool ProjectFile::FillBuffer() {
    if (m_fd < 0)
        return false;
    m_buffer.erase(0, m_bufferStart);
    m_bufferStart = 0;
    char chunk[4096];
    for (;;) {
        ssize_t got = ::read(m_fd, chunk, sizeof(chunk));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        m_buffer.append(chunk, static_cast<std::size_t>(got));
        return true;
    }
}

bool ProjectFile::ReadLine(std::string& line) {
    line.clear();
    if (m_kind != Kind::TextRead || m_fd < 0)
        return false;
    for (;;) {
        std::size_t end = m_buffer.find_first_of("\r\n", m_bufferStart);
        if (end != std::string::npos) {
            line.append(m_buffer, m_bufferStart, end - m_bufferStart);
            m_bufferStart = end + 1;
            // CR LF is one line end; a CR at the end of the buffer may have its LF still unread.
            if (m_buffer[end] == '\r') {
                if (m_bufferStart == m_buffer.size())
                    FillBuffer();
                if (m_bufferStart < m_buffer.size() && m_buffer[m_bufferStart] == '\n')
                    ++m_bufferStart;
            }
            return true;
        }
        line.append(m_buffer, m_bufferStart);
        m_bufferStart = m_buffer.size();
        if (!FillBuffer())
            return true;
    }
}

bool ProjectFile::AtEnd() {
    if (m_fd < 0 || m_kind == Kind::TextAppend)
        return true;
    if (m_kind == Kind::Binary)
        return m_position >= Size();
    return m_bufferStart == m_buffer.size() && !FillBuffer();
}

bool ProjectFile::Write(std::string_view text) {
    return m_kind == Kind::TextAppend && m_fd >= 0 && WriteAll(m_fd, text.data(), text.size());
}

bool ProjectFile::WriteLine(std::string_view text) {
    std::string line(text);
    line += "\r\n";
    return Write(line);
}

std::size_t ProjectFile::ReadBytes(void* buffer, std::size_t count) {
    if (m_kind != Kind::Binary || m_fd < 0)
        return 0;
    std::size_t done = 0;
    while (done < count) {
        ssize_t got = ::pread(m_fd, static_cast<char*>(buffer) + done, count - done,
                              static_cast<off_t>(m_position + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    m_position += done;
    return done;
}

std::size_t ProjectFile::WriteBytes(const void* buffer, std::size_t count) {
    if (m_kind != Kind::Binary || m_fd < 0)
        return 0;
    std::size_t done = 0;
    while (done < count) {
        ssize_t written = ::pwrite(m_fd, static_cast<const char*>(buffer) + done, count - done,
                                   static_cast<off_t>(m_position + done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            break;
        done += static_cast<std::size_t>(written);
    }
    m_position += done;
    return done;
}

bool ProjectFile::Seek(std::uint64_t position) {
    if (m_kind != Kind::Binary || m_fd < 0 || position > Size())
        return false;
    m_position = position;
    return true;
}

std::uint64_t ProjectFile::Size() const {
    struct stat info {};
    if (m_fd < 0 || ::fstat(m_fd, &info) != 0 || info.st_size < 0)
        return 0;
    return static_cast<std::uint64_t>(info.st_size);
}

bool ProjectFile::Close() {
    if (m_fd < 0)
        return true;
    int fd = m_fd;
    m_fd = -1;
    return ::close(fd) == 0;
}

std::unique_ptr<ProjectFile> OpenTextForRead(std::string_view path, MessagePresenter& presenter) {
    return ProjectFile::Open(path, ProjectFile::Kind::TextRead, presenter);
}

std::unique_ptr<ProjectFile> OpenTextForAppend(std::string_view path, MessagePresenter& presenter) {
    return ProjectFile::Open(path, ProjectFile::Kind::TextAppend, presenter);
}

std::unique_ptr<ProjectFile> OpenBinaryFile(std::string_view path, MessagePresenter& presenter) {
    return ProjectFile::Open(path, ProjectFile::Kind::Binary, presenter);
}

bool CloseFile(std::unique_ptr<ProjectFile>& file) {
    if (!file)
        return false;
    bool ok = file->Close();
    file.reset();
    return ok;
}

} // namespace shell
