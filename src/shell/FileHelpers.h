// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace shell {

class MessagePresenter;

// The shell's small file helpers, used by the shutdown sequence and the runtime functions. All
// names are project paths (code-page bytes, backslashes, drive letters, any letter case); they go
// through platform::HostPath. A mask may hold the wildcards "*" and "?" in its last component and
// matches as on Windows: ignoring ASCII case, "*" any run of characters, "?" one
// character, a trailing ".*" also matching names without an extension ("*.*" matches every
// name) and a trailing "." only names without one. The functions that search take only
// "ordinary files": regular files that are not hidden (no leading "."), in name order ignoring
// case. Any thread may call them.

// Deletes every ordinary file matching `mask`; a file that fails to go raises the box "Error
// DeleteFile" with its path, and the walk goes on. True when at least one file matched.
bool DeleteFilesByMask(std::string_view mask, MessagePresenter& presenter);

// Copies by mask, overwriting destinations (three cases, on the extension of `source` and the
// base name of `dest`):
// - `source` "...\*.*"-like (extension ".*") and `dest` base name "*": every matching file into
//   `dest`'s directory under its own name; false if any copy failed.
// - `source` with another extension: one copy; false when the destination base name is "aux"
//   (any case) or names the source file itself.
// - `source` extension ".*", any other `dest` base name: every matching file into `dest`'s
//   directory as that base name + the file's own extension (from its first "."); the result of
//   the last copy, false when nothing matched.
bool CopyFilesByMask(std::string_view source, std::string_view dest);

// Renames one file, or with a `source` extension of ".*" every matching file to `dest`'s
// directory + `dest`'s base name + the file's own extension; the result of the last rename, false
// when nothing matched. A rename never replaces an existing file.
bool RenameFilesByMask(std::string_view source, std::string_view dest);

// Appends the content of `source` (as it is when the call starts) to `dest`, creating `dest`
// when missing. False when `source` does not exist or reading or writing fails.
bool AppendFileToFile(std::string_view source, std::string_view dest);

// Adds the names (code-page bytes, without directory) of the ordinary files matching `mask`.
void ListFilesByMask(std::vector<std::string>& list, std::string_view mask);

// True when the directory (one trailing backslash or slash ignored) can be searched. As on
// Windows, the search of an existing directory always finds its "." entry, so an empty
// directory counts; a missing path or a plain file does not.
bool DirectoryHasEntries(std::string_view directory);

// Without leading and trailing spaces and tabs (only these two).
std::string TrimBlanks(std::string_view text);

// A decimal number ("-1.5", "2e3", ".5", "+7", blanks around allowed, "." as the separator);
// 0 for anything else, and for numbers out of the range of a double.
double TextToFloat(std::string_view text);

// The file-name part of `path`: what follows its last "\", "/" or drive ":".
std::string_view FileNamePart(std::string_view path);
// The file-name part of `path` cut before its first ".".
std::string FileNameWithoutExt(std::string_view path);

// An open file of a project or a runtime function: a text file for reading, a text file for
// appending, or an untyped file for reading and writing byte by byte. It owns its descriptor and
// closes it when it goes; writes go straight to the file. Text lines end in CR LF when written;
// read lines may end in CR LF, LF or CR. One thread at a time. Operations that the file's kind does
// not allow fail.
class ProjectFile {
public:
    enum class Kind { TextRead, TextAppend, Binary };

    // Opens `path` as `kind`; see OpenTextForRead and its siblings below.
    static std::unique_ptr<ProjectFile> Open(std::string_view path, Kind kind,
                                             MessagePresenter& presenter);

    ~ProjectFile();
    ProjectFile(const ProjectFile&) = delete;
    ProjectFile& operator=(const ProjectFile&) = delete;

    Kind FileKind() const { return m_kind; }
    const std::string& HostPath() const { return m_hostPath; }

    // Text reading: the next line without its line end (empty at the end of the file); false on
    // a read error or for a file not open for reading.
    bool ReadLine(std::string& line);
    // True at the end of the file (always for a file open for writing only).
    bool AtEnd();

    // Text writing.
    bool Write(std::string_view text);
    bool WriteLine(std::string_view text);

    // Untyped access at the current position.
    std::size_t ReadBytes(void* buffer, std::size_t count);
    std::size_t WriteBytes(const void* buffer, std::size_t count);
    bool Seek(std::uint64_t position);
    std::uint64_t Position() const { return m_position; }
    std::uint64_t Size() const;

    // Closes the descriptor; false when that reports an error. Every later operation fails.
    bool Close();

private:
    ProjectFile(int fd, Kind kind, std::string hostPath);
    // Reads more of a text file into the buffer; false at the end or on an error.
    bool FillBuffer();

    int m_fd;
    Kind m_kind;
    std::string m_hostPath;
    std::uint64_t m_position = 0;
    std::string m_buffer; // text read ahead; m_bufferStart is the next byte to hand out
    std::size_t m_bufferStart = 0;
};

// Open a file; when it does not exist it is created empty. When it can be neither opened nor
// created, a box with the path as text and the caption "Error OpenTextFile", "Error
// AppendTextFile" or "Error OpenFile" is shown and the result is null. An existing file that
// cannot be opened is never replaced.
std::unique_ptr<ProjectFile> OpenTextForRead(std::string_view path, MessagePresenter& presenter);
std::unique_ptr<ProjectFile> OpenTextForAppend(std::string_view path, MessagePresenter& presenter);
std::unique_ptr<ProjectFile> OpenBinaryFile(std::string_view path, MessagePresenter& presenter);

// Closes either kind and releases it (null afterwards); false when closing reports an error.
bool CloseFile(std::unique_ptr<ProjectFile>& file);

} // namespace shell
