// Quorva run-time. Licensed under the MIT licence.
#include "runtime/TextFileFunctions.h"

#include "platform/Log.h"
#include "platform/PathMap.h"
#include "runtime/RuntimeLibrary.h"
#include "shell/FileHelpers.h"
#include "shell/MessageBoxes.h"

#include <fmt/format.h>
#include <map>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace runtime {

namespace textfile {

namespace {

using shell::ProjectFile;

// One open file; its mutex serialises the operations on it (a unit may pass a handle to a unit
// that runs on the other thread). `file` is null once it has been closed.
struct TextFileEntry {
    std::mutex mutex;
    std::unique_ptr<ProjectFile> file;
};
using OpenFilePointer = std::shared_ptr<TextFileEntry>;

// The open text files, per guest memory and record address. The table lock is held only to
// look up, add or remove; file operations run under the file's own lock, so a slow file does
// not hold up the others. Files still open when the process ends close with the table.
class TextFileTable {
public:
    bool Full(const platform::GuestMemory& memory) const {
        std::lock_guard lock(m_mutex);
        return CountLocked(memory) >= kMaxOpenFiles;
    }
    // False (nothing added) when the table is full.
    bool Add(const platform::GuestMemory& memory, platform::GuestAddress record,
             std::unique_ptr<ProjectFile> file) {
        auto entry = std::make_shared<TextFileEntry>();
        entry->file = std::move(file);
        std::lock_guard lock(m_mutex);
        if (CountLocked(memory) >= kMaxOpenFiles)
            return false;
        m_files[&memory][record] = std::move(entry);
        return true;
    }
    OpenFilePointer Find(const platform::GuestMemory& memory, platform::GuestAddress record) const {
        std::lock_guard lock(m_mutex);
        auto files = m_files.find(&memory);
        if (files == m_files.end())
            return nullptr;
        auto found = files->second.find(record);
        return found == files->second.end() ? nullptr : found->second;
    }
    OpenFilePointer Remove(const platform::GuestMemory& memory, platform::GuestAddress record) {
        std::lock_guard lock(m_mutex);
        auto files = m_files.find(&memory);
        if (files == m_files.end())
            return nullptr;
        auto found = files->second.find(record);
        if (found == files->second.end())
            return nullptr;
        OpenFilePointer entry = std::move(found->second);
        files->second.erase(found);
        return entry;
    }
    std::map<platform::GuestAddress, OpenFilePointer>
    RemoveAll(const platform::GuestMemory& memory) {
        std::lock_guard lock(m_mutex);
        auto files = m_files.find(&memory);
        if (files == m_files.end())
            return {};
        std::map<platform::GuestAddress, OpenFilePointer> all = std::move(files->second);
        m_files.erase(files);
        return all;
    }
    std::size_t Count(const platform::GuestMemory& memory) const {
        std::lock_guard lock(m_mutex);
        return CountLocked(memory);
    }

private:
    std::size_t CountLocked(const platform::GuestMemory& memory) const {
        auto files = m_files.find(&memory);
        return files == m_files.end() ? 0 : files->second.size();
    }

    mutable std::mutex m_mutex;
    std::map<const platform::GuestMemory*, std::map<platform::GuestAddress, OpenFilePointer>>
        m_files;
};

TextFileTable& Table() {
    static TextFileTable table;
    return table;
}

// Closes a file taken out of the table (waiting for an operation another thread has on it).
void CloseEntry(TextFileEntry& entry) {
    std::lock_guard lock(entry.mutex);
    if (!entry.file)
        return;
    std::string path = entry.file->HostPath();
    if (!shell::CloseFile(entry.file))
        platform::LogWarning("closing the text file {} reported an error", path);
}

} // namespace

std::size_t OpenCount(const platform::GuestMemory& memory) {
    return Table().Count(memory);
}

bool IsOpen(const platform::GuestMemory& memory, platform::GuestAddress handle) {
    return Table().Find(memory, handle) != nullptr;
}

void CloseAll(platform::GuestMemory& memory) {
    for (auto& [record, entry] : Table().RemoveAll(memory)) {
        CloseEntry(*entry);
        memory.Free(record);
    }
}

std::string ClearBlank(std::string_view text) {
    return shell::TrimBlanks(text);
}

} // namespace textfile

namespace {

using shell::ProjectFile;
using textfile::InputOutputError;
using textfile::OpenFilePointer;

// The boxes of the run when there are any; otherwise (tests, tools) they are only logged.
shell::MessagePresenter& PresenterOf(const CallFrame& frame) {
    static shell::LoggingMessagePresenter logOnly;
    if (shell::MessageBoxes* boxes = frame.Subsystems().boxes)
        return boxes->Presenter();
    return logOnly;
}

// The open file a handle variable holds; null for a handle the run-time did not hand out.
OpenFilePointer Lookup(const CallFrame& frame, const Ref<std::int32_t>& handle) {
    std::optional<std::int32_t> value = handle.Get();
    if (!value || *value == 0)
        return nullptr;
    return textfile::Table().Find(frame.Memory(), static_cast<platform::GuestAddress>(*value));
}

// FILETEXTOPEN and FILETEXTAPPEND: a record on the guest heap, the file opened (created when
// missing) and entered in the table under the record's address. Any failure leaves the handle 0.
void OpenTextFile(CallFrame& frame, const Ref<std::int32_t>& handle, const ShortString& name,
                  ProjectFile::Kind kind) {
    // Nowhere to put the handle: open nothing rather than lose the file.
    if (!handle.Valid())
        return;
    handle.Set(0);
    platform::GuestMemory& memory = frame.Memory();
    textfile::TextFileTable& table = textfile::Table();
    if (table.Full(memory)) {
        platform::LogWarning("{} refused: {} text files are open already", name.View(),
                             textfile::kMaxOpenFiles);
        return;
    }
    std::optional<platform::GuestAddress> record = memory.Allocate(textfile::kRecordSize);
    if (!record) {
        platform::LogWarning("no room on the heap for the text file record of {}", name.View());
        return;
    }
    std::unique_ptr<ProjectFile> file =
        kind == ProjectFile::Kind::TextRead
            ? shell::OpenTextForRead(name.View(), PresenterOf(frame))
            : shell::OpenTextForAppend(name.View(), PresenterOf(frame));
    if (!file) {
        memory.Free(*record);
        return;
    }
    // Another thread may have filled the table meanwhile; the file then closes again.
    if (!table.Add(memory, *record, std::move(file))) {
        platform::LogWarning("{} refused: {} text files are open already", name.View(),
                             textfile::kMaxOpenFiles);
        memory.Free(*record);
        return;
    }
    handle.Set(static_cast<std::int32_t>(*record));
}

void FileTextOpen(CallFrame& frame, Ref<std::int32_t> handle, ShortString name) {
    OpenTextFile(frame, handle, name, ProjectFile::Kind::TextRead);
}

void FileTextAppend(CallFrame& frame, Ref<std::int32_t> handle, ShortString name) {
    OpenTextFile(frame, handle, name, ProjectFile::Kind::TextAppend);
}

// Closes the file, frees its record and clears the variable, so that the stale value cannot
// reach a later file that gets the same record.
void FileTextClose(CallFrame& frame, Ref<std::int32_t> handle) {
    std::optional<std::int32_t> value = handle.Get();
    if (!value || *value == 0)
        return;
    const auto record = static_cast<platform::GuestAddress>(*value);
    OpenFilePointer entry = textfile::Table().Remove(frame.Memory(), record);
    if (!entry)
        return;
    textfile::CloseEntry(*entry);
    frame.Memory().Free(record);
    handle.Set(0);
}

[[noreturn]] void RaiseInputOutput(int code, std::string_view function, std::string_view what,
                                   const ProjectFile& file) {
    throw InputOutputError(
        code, fmt::format("I/O error {} in {}: {} ({})", code, function, what, file.HostPath()));
}

void FileReadLn(CallFrame& frame, Ref<std::int32_t> handle, StringRef line) {
    OpenFilePointer entry = Lookup(frame, handle);
    if (!entry)
        return;
    std::string text;
    {
        std::lock_guard lock(entry->mutex);
        if (!entry->file)
            return;
        ProjectFile& file = *entry->file;
        if (file.FileKind() != ProjectFile::Kind::TextRead)
            RaiseInputOutput(104, "READLN", "file not open for input", file);
        if (!file.ReadLine(text))
            RaiseInputOutput(100, "READLN", "read error", file);
    }
    // The whole line is consumed; the variable keeps what fits.
    line.Set(text);
}

void WriteText(CallFrame& frame, const Ref<std::int32_t>& handle, const ShortString& text,
               bool lineEnd) {
    OpenFilePointer entry = Lookup(frame, handle);
    if (!entry)
        return;
    std::lock_guard lock(entry->mutex);
    if (!entry->file)
        return;
    ProjectFile& file = *entry->file;
    const char* function = lineEnd ? "WRITELN" : "WRITE";
    if (file.FileKind() != ProjectFile::Kind::TextAppend)
        RaiseInputOutput(105, function, "file not open for output", file);
    if (!(lineEnd ? file.WriteLine(text.View()) : file.Write(text.View())))
        RaiseInputOutput(101, function, "write error", file);
}

void FileWriteLn(CallFrame& frame, Ref<std::int32_t> handle, ShortString text) {
    WriteText(frame, handle, text, true);
}

void FileWrite(CallFrame& frame, Ref<std::int32_t> handle, ShortString text) {
    WriteText(frame, handle, text, false);
}

// True at the end of a file open for reading, always for one open for appending and for a
// refused handle (a reading loop on a bad handle ends at once).
bool FileEof(CallFrame& frame, Ref<std::int32_t> handle) {
    OpenFilePointer entry = Lookup(frame, handle);
    if (!entry)
        return true;
    std::lock_guard lock(entry->mutex);
    return !entry->file || entry->file->AtEnd();
}

// Anything but a directory that exists under the name.
bool FileExists(ShortString name) {
    if (name.Empty())
        return false;
    struct stat info {};
    return ::stat(platform::HostPath(name.View()).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool FileRename(ShortString oldName, ShortString newName) {
    return shell::RenameFilesByMask(oldName.View(), newName.View());
}

bool FileCopy(ShortString source, ShortString destination) {
    return shell::CopyFilesByMask(source.View(), destination.View());
}

bool FileConcat(ShortString source, ShortString destination) {
    return shell::AppendFileToFile(source.View(), destination.View());
}

ShortString ClearBlankCall(ShortString text) {
    return ShortString(textfile::ClearBlank(text.View()));
}

} // namespace

platform::Status AddTextFileFunctions(Implementations& implementations) {
    for (auto added :
         {implementations.Add<&FileTextOpen>("FILETEXTOPEN"),
          implementations.Add<&FileTextAppend>("FILETEXTAPPEND"),
          implementations.Add<&FileTextClose>("FILETEXTCLOSE"),
          implementations.Add<&FileReadLn>("READLN"), implementations.Add<&FileWriteLn>("WRITELN"),
          implementations.Add<&FileWrite>("WRITE"), implementations.Add<&FileEof>("EOF"),
          implementations.Add<&FileExists>("FILEEXISTS"),
          implementations.Add<&FileRename>("FILERENAME"),
          implementations.Add<&FileCopy>("FILECOPY"),
          implementations.Add<&FileConcat>("FILECONCAT"),
          implementations.Add<&ClearBlankCall>("CLEARBLANK")}) {
        if (!added)
            return added;
    }
    return {};
}

} // namespace runtime
