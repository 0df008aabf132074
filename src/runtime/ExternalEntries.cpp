// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ExternalEntries.h"

#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/Log.h"
#include "platform/PathMap.h"
#include "runtime/CallFrame.h"
#include "runtime/ProfileFile.h"
#include "shell/MessageBoxes.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fmt/format.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace runtime {

namespace {

namespace fs = std::filesystem;
using engine::PassingMode;
using engine::TypeCode;

// The system's error numbers that the entries report through GetLastError.
constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorPathNotFound = 3;
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorInvalidParameter = 87;
constexpr std::uint32_t kErrorAlreadyExists = 183;
constexpr std::uint32_t kErrorBufferOverflow = 111;
constexpr std::uint32_t kErrorGeneral = 31;

// Per thread, as the system keeps it.
thread_local std::uint32_t t_lastError = 0;

void SetLastError(std::uint32_t error) {
    t_lastError = error;
}

std::uint32_t ErrorOf(const std::error_code& error) {
    if (error == std::errc::no_such_file_or_directory)
        return kErrorFileNotFound;
    if (error == std::errc::not_a_directory)
        return kErrorPathNotFound;
    if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted)
        return kErrorAccessDenied;
    if (error == std::errc::file_exists)
        return kErrorAlreadyExists;
    return kErrorGeneral;
}

// Guest addresses travel as Integers.
GuestAddress Address(std::int32_t value) {
    return static_cast<GuestAddress>(value);
}

std::optional<std::string> Text(CallFrame& frame, std::int32_t pointer) {
    return ReadGuestCString(frame.Memory(), Address(pointer));
}

std::string HostFile(const std::string& projectPath) {
    return platform::HostPath(projectPath);
}

// --- kernel32 ---

std::int32_t GetTickCount() {
    return static_cast<std::int32_t>(platform::TickCount());
}

// Capped so that a unit cannot stop its thread for good (the system's INFINITE included).
constexpr std::uint32_t kSleepCapMilliseconds = 60000;

void Sleep(std::int32_t milliseconds) {
    const std::uint32_t wanted = static_cast<std::uint32_t>(milliseconds);
    const std::uint32_t capped = std::min(wanted, kSleepCapMilliseconds);
    if (capped != wanted)
        platform::LogWarning("Sleep({}) from unit code cut to {} ms", wanted, capped);
    std::this_thread::sleep_for(std::chrono::milliseconds(capped));
}

std::int32_t Beep(std::int32_t frequency, std::int32_t duration) {
    platform::LogDebug("Beep({} Hz, {} ms): no sound device is used", frequency, duration);
    return 1;
}

// SYSTEMTIME: eight 16-bit fields.
void WriteSystemTime(CallFrame& frame, std::int32_t pointer, bool local) {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm parts{};
    if (local)
        localtime_r(&seconds, &parts);
    else
        gmtime_r(&seconds, &parts);
    const std::uint16_t fields[8] = {static_cast<std::uint16_t>(parts.tm_year + 1900),
                                     static_cast<std::uint16_t>(parts.tm_mon + 1),
                                     static_cast<std::uint16_t>(parts.tm_wday),
                                     static_cast<std::uint16_t>(parts.tm_mday),
                                     static_cast<std::uint16_t>(parts.tm_hour),
                                     static_cast<std::uint16_t>(parts.tm_min),
                                     static_cast<std::uint16_t>(parts.tm_sec),
                                     static_cast<std::uint16_t>(milliseconds)};
    frame.Memory().WriteBytes(Address(pointer), fields, sizeof fields);
}

void GetLocalTime(CallFrame& frame, std::int32_t pointer) {
    WriteSystemTime(frame, pointer, true);
}
void GetSystemTime(CallFrame& frame, std::int32_t pointer) {
    WriteSystemTime(frame, pointer, false);
}

// The performance counter counts microseconds.
constexpr std::int64_t kCounterFrequency = 1000000;

std::int32_t QueryPerformanceCounter(CallFrame& frame, std::int32_t pointer) {
    return frame.Memory().Write<std::int64_t>(Address(pointer), platform::MicrosecondsNow()) ? 1
                                                                                             : 0;
}

std::int32_t QueryPerformanceFrequency(CallFrame& frame, std::int32_t pointer) {
    return frame.Memory().Write<std::int64_t>(Address(pointer), kCounterFrequency) ? 1 : 0;
}

// Names joined with NULs and ended by a second NUL, cut to fit `size` as the system does.
std::int32_t WriteList(CallFrame& frame, GuestAddress buffer, std::uint32_t size,
                       const std::vector<std::string>& names) {
    if (size < 2)
        return 0;
    std::string list;
    for (const std::string& name : names)
        list += name + '\0';
    if (list.size() + 1 > size) {
        list.resize(size - 2);
        list += '\0';
        list += '\0';
        frame.Memory().WriteBytes(buffer, list.data(), size);
        return static_cast<std::int32_t>(size - 2);
    }
    list += '\0';
    if (names.empty())
        list += '\0';
    frame.Memory().WriteBytes(buffer, list.data(), static_cast<std::uint32_t>(list.size()));
    return static_cast<std::int32_t>(list.size() - 1);
}

std::int32_t GetPrivateProfileStringA(CallFrame& frame, std::int32_t section, std::int32_t key,
                                      std::int32_t fallback, std::int32_t buffer, std::int32_t size,
                                      std::int32_t file) {
    const std::optional<std::string> fileName = Text(frame, file);
    const auto room = static_cast<std::uint32_t>(size);
    if (!fileName || room == 0) {
        SetLastError(kErrorInvalidParameter);
        return 0;
    }
    const ProfileFile profile = ProfileFile::Load(HostFile(*fileName));
    const std::optional<std::string> sectionName = Text(frame, section);
    if (!sectionName)
        return WriteList(frame, Address(buffer), room, profile.Sections());
    const std::optional<std::string> keyName = Text(frame, key);
    if (!keyName)
        return WriteList(frame, Address(buffer), room, profile.Keys(*sectionName));
    std::string value = profile.Value(*sectionName, *keyName)
                            .value_or(Text(frame, fallback).value_or(std::string()));
    if (!profile.Value(*sectionName, *keyName)) {
        // The default loses its trailing blanks, as the system does.
        while (!value.empty() && value.back() == ' ')
            value.pop_back();
        SetLastError(kErrorFileNotFound);
    }
    return static_cast<std::int32_t>(
        WriteGuestCString(frame.Memory(), Address(buffer), room, value).value_or(0));
}

std::int32_t WritePrivateProfileStringA(CallFrame& frame, std::int32_t section, std::int32_t key,
                                        std::int32_t value, std::int32_t file) {
    const std::optional<std::string> fileName = Text(frame, file);
    const std::optional<std::string> sectionName = Text(frame, section);
    if (!fileName || !sectionName) {
        SetLastError(kErrorInvalidParameter);
        return 0;
    }
    const std::string path = HostFile(*fileName);
    ProfileFile profile = ProfileFile::Load(path);
    const std::optional<std::string> keyName = Text(frame, key);
    const std::optional<std::string> text = Text(frame, value);
    if (!keyName)
        profile.RemoveSection(*sectionName);
    else if (!text)
        profile.RemoveKey(*sectionName, *keyName);
    else
        profile.SetValue(*sectionName, *keyName, *text);
    if (!profile.Save(path)) {
        SetLastError(kErrorAccessDenied);
        return 0;
    }
    return 1;
}

std::int32_t GetPrivateProfileIntA(CallFrame& frame, std::int32_t section, std::int32_t key,
                                   std::int32_t fallback, std::int32_t file) {
    const std::optional<std::string> fileName = Text(frame, file);
    const std::optional<std::string> sectionName = Text(frame, section);
    const std::optional<std::string> keyName = Text(frame, key);
    if (!fileName || !sectionName || !keyName)
        return fallback;
    const std::optional<std::string> value =
        ProfileFile::Load(HostFile(*fileName)).Value(*sectionName, *keyName);
    if (!value)
        return fallback;
    // The leading digits count; a value without any gives 0.
    const char* text = value->c_str();
    char* end = nullptr;
    const long long number = std::strtoll(text, &end, 10);
    return static_cast<std::int32_t>(number);
}

// Starts the command through the shell without waiting for it: the shell puts it in the
// background and ends at once, so no child is left to reap.
std::int32_t WinExec(CallFrame& frame, std::int32_t command, std::int32_t /*show*/) {
    const std::optional<std::string> text = Text(frame, command);
    if (!text || text->empty())
        return static_cast<std::int32_t>(kErrorFileNotFound);
    const std::string line = "( " + platform::CodePageToUtf8(*text) + " ) </dev/null &";
    const char* argv[] = {"/bin/sh", "-c", line.c_str(), nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) !=
        0)
        return static_cast<std::int32_t>(kErrorFileNotFound);
    int status = 0;
    waitpid(child, &status, 0);
    platform::LogInfo("WinExec started: {}", platform::CodePageToUtf8(*text));
    return 33; // above 31: started
}

std::int32_t GetComputerNameA(CallFrame& frame, std::int32_t buffer, std::int32_t sizePointer) {
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    std::string name = engine::UpperAscii(host);
    name = name.substr(0, name.find('.'));
    std::optional<std::uint32_t> room = frame.Memory().Read<std::uint32_t>(Address(sizePointer));
    if (!room) {
        SetLastError(kErrorInvalidParameter);
        return 0;
    }
    if (*room < name.size() + 1) {
        frame.Memory().Write<std::uint32_t>(Address(sizePointer),
                                            static_cast<std::uint32_t>(name.size() + 1));
        SetLastError(kErrorBufferOverflow);
        return 0;
    }
    const auto written = WriteGuestCString(frame.Memory(), Address(buffer), *room, name);
    if (!written) {
        SetLastError(kErrorInvalidParameter);
        return 0;
    }
    frame.Memory().Write<std::uint32_t>(Address(sizePointer), *written);
    return 1;
}

// File operations: project paths, the outcome as the system's BOOL and last error.
std::int32_t Outcome(const std::error_code& error) {
    if (error) {
        SetLastError(ErrorOf(error));
        return 0;
    }
    return 1;
}

std::int32_t CopyFileA(CallFrame& frame, std::int32_t from, std::int32_t to,
                       std::int32_t failIfExists) {
    const auto source = Text(frame, from), target = Text(frame, to);
    if (!source || !target) {
        SetLastError(kErrorInvalidParameter);
        return 0;
    }
    std::error_code error;
    const auto options =
        failIfExists != 0 ? fs::copy_options::none : fs::copy_options::overwrite_existing;
    fs::copy_file(HostFile(*source), HostFile(*target), options, error);
    return Outcome(error);
}

std::int32_t DeleteFileA(CallFrame& frame, std::int32_t path) {
    const auto file = Text(frame, path);
    if (!file) {
        SetLastError(kErrorInvalidParameter);
        return 0;
    }
    const std::string host = HostFile(*file);
    std::error_code error;
    if (!fs::is_regular_file(host, error)) {
        SetLastError(kErrorFileNotFound);
        return 0;
    }
    fs::remove(host, error);
    return Outcome(error);
}

std::int32_t CreateDirectoryA(CallFrame& frame, std::int32_t path, std::int32_t /*security*/) {
    const auto directory = Text(frame, path);
    if (!directory) {
        SetLastError(kErrorInvalidParameter);
        return 0;
    }
    std::error_code error;
    if (!fs::create_directory(HostFile(*directory), error) && !error)
        error = std::make_error_code(std::errc::file_exists);
    return Outcome(error);
}

std::int32_t MoveFileA(CallFrame& frame, std::int32_t from, std::int32_t to) {
    const auto source = Text(frame, from), target = Text(frame, to);
    if (!source || !target) {
        SetLastError(kErrorInvalidParameter);
        return 0;
    }
    const std::string hostTarget = HostFile(*target);
    std::error_code error;
    if (fs::exists(hostTarget, error)) {
        SetLastError(kErrorAlreadyExists);
        return 0;
    }
    fs::rename(HostFile(*source), hostTarget, error);
    return Outcome(error);
}

std::int32_t GetCurrentDirectoryA(CallFrame& frame, std::int32_t size, std::int32_t buffer) {
    std::error_code error;
    const std::string current = platform::Utf8ToCodePage(fs::current_path(error).string());
    if (error)
        return Outcome(error);
    const auto room = static_cast<std::uint32_t>(size);
    if (room < current.size() + 1)
        return static_cast<std::int32_t>(current.size() + 1);
    return static_cast<std::int32_t>(
        WriteGuestCString(frame.Memory(), Address(buffer), room, current).value_or(0));
}

std::int32_t GetLastError() {
    return static_cast<std::int32_t>(t_lastError);
}

std::int32_t lstrlenA(CallFrame& frame, std::int32_t text) {
    return static_cast<std::int32_t>(Text(frame, text).value_or(std::string()).size());
}

void OutputDebugStringA(CallFrame& frame, std::int32_t text) {
    platform::LogDebug("unit: {}", platform::CodePageToUtf8(Text(frame, text).value_or("")));
}

// Reported as version 5.1 (build 2600), the system the units were written for.
std::int32_t GetVersion() {
    return 0x0A280105;
}

// --- user32 ---

std::int32_t MessageBoxA(CallFrame& frame, std::int32_t /*window*/, std::int32_t text,
                         std::int32_t caption, std::int32_t flags) {
    const std::string body = Text(frame, text).value_or(std::string());
    const std::string title = Text(frame, caption).value_or("Error");
    const auto boxFlags = static_cast<std::uint32_t>(flags);
    if (shell::MessageBoxes* boxes = frame.Subsystems().boxes)
        return boxes->Presenter().Show(title, body, boxFlags);
    return shell::LogMessageBox(title, body, boxFlags);
}

std::int32_t MessageBeep(std::int32_t /*kind*/) {
    return 1;
}

// The display of a run without a screen subsystem in reach: 1024 x 768.
std::int32_t GetSystemMetrics(std::int32_t index) {
    switch (index) {
    case 0:  // SM_CXSCREEN
    case 16: // SM_CXFULLSCREEN
        return 1024;
    case 1:  // SM_CYSCREEN
    case 17: // SM_CYFULLSCREEN
        return 768;
    default:
        return 0;
    }
}

constexpr ParameterSpec kArgs[] = {
    {PassingMode::ByValue, TypeCode::Integer, "A"}, {PassingMode::ByValue, TypeCode::Integer, "B"},
    {PassingMode::ByValue, TypeCode::Integer, "C"}, {PassingMode::ByValue, TypeCode::Integer, "D"},
    {PassingMode::ByValue, TypeCode::Integer, "E"}, {PassingMode::ByValue, TypeCode::Integer, "F"}};

constexpr FunctionSpec Entry(std::string_view name, std::size_t arguments, bool returns = true) {
    return FunctionSpec{name,
                        returns ? engine::FunctionKind::Function : engine::FunctionKind::Procedure,
                        returns ? TypeCode::Integer : TypeCode::None,
                        std::span<const ParameterSpec>(kArgs, arguments),
                        {},
                        true,
                        CallingConvention::StdCall};
}

const ExternalEntry kTable[] = {
    {"KERNEL32", Entry("GETTICKCOUNT", 0), Bind<&GetTickCount>()},
    {"KERNEL32", Entry("SLEEP", 1, false), Bind<&Sleep>()},
    {"KERNEL32", Entry("BEEP", 2), Bind<&Beep>()},
    {"KERNEL32", Entry("GETLOCALTIME", 1, false), Bind<&GetLocalTime>()},
    {"KERNEL32", Entry("GETSYSTEMTIME", 1, false), Bind<&GetSystemTime>()},
    {"KERNEL32", Entry("QUERYPERFORMANCECOUNTER", 1), Bind<&QueryPerformanceCounter>()},
    {"KERNEL32", Entry("QUERYPERFORMANCEFREQUENCY", 1), Bind<&QueryPerformanceFrequency>()},
    {"KERNEL32", Entry("GETPRIVATEPROFILESTRINGA", 6), Bind<&GetPrivateProfileStringA>()},
    {"KERNEL32", Entry("WRITEPRIVATEPROFILESTRINGA", 4), Bind<&WritePrivateProfileStringA>()},
    {"KERNEL32", Entry("GETPRIVATEPROFILEINTA", 4), Bind<&GetPrivateProfileIntA>()},
    {"KERNEL32", Entry("WINEXEC", 2), Bind<&WinExec>()},
    {"KERNEL32", Entry("GETCOMPUTERNAMEA", 2), Bind<&GetComputerNameA>()},
    {"KERNEL32", Entry("COPYFILEA", 3), Bind<&CopyFileA>()},
    {"KERNEL32", Entry("DELETEFILEA", 1), Bind<&DeleteFileA>()},
    {"KERNEL32", Entry("CREATEDIRECTORYA", 2), Bind<&CreateDirectoryA>()},
    {"KERNEL32", Entry("MOVEFILEA", 2), Bind<&MoveFileA>()},
    {"KERNEL32", Entry("GETCURRENTDIRECTORYA", 2), Bind<&GetCurrentDirectoryA>()},
    {"KERNEL32", Entry("GETLASTERROR", 0), Bind<&GetLastError>()},
    {"KERNEL32", Entry("LSTRLENA", 1), Bind<&lstrlenA>()},
    {"KERNEL32", Entry("OUTPUTDEBUGSTRINGA", 1, false), Bind<&OutputDebugStringA>()},
    {"KERNEL32", Entry("GETVERSION", 0), Bind<&GetVersion>()},
    {"USER32", Entry("MESSAGEBOXA", 4), Bind<&MessageBoxA>()},
    {"USER32", Entry("MESSAGEBEEP", 1), Bind<&MessageBeep>()},
    {"USER32", Entry("GETSYSTEMMETRICS", 1), Bind<&GetSystemMetrics>()},
};

// "kernel32.dll", "KERNEL32" and "Kernel32.DLL" name the same library.
std::string LibraryKey(std::string_view dll) {
    std::string key = engine::UpperAscii(dll);
    const std::size_t first = key.find_first_not_of(' ');
    const std::size_t last = key.find_last_not_of(' ');
    key = first == std::string::npos ? std::string() : key.substr(first, last - first + 1);
    if (key.size() > 4 && key.ends_with(".DLL"))
        key.resize(key.size() - 4);
    return key;
}

} // namespace

std::optional<std::string> ReadGuestCString(const platform::GuestMemory& memory,
                                            platform::GuestAddress address, std::uint32_t limit) {
    if (address == 0)
        return std::nullopt;
    std::string text;
    for (std::uint32_t i = 0; i < limit; ++i) {
        const std::optional<std::uint8_t> byte = memory.Read<std::uint8_t>(address + i);
        if (!byte)
            return std::nullopt;
        if (*byte == 0)
            return text;
        text += static_cast<char>(*byte);
    }
    return std::nullopt;
}

std::optional<std::uint32_t> WriteGuestCString(platform::GuestMemory& memory,
                                               platform::GuestAddress buffer, std::uint32_t size,
                                               std::string_view text) {
    if (buffer == 0 || size == 0 || memory.Translate(buffer, size) == nullptr)
        return std::nullopt;
    const auto length = static_cast<std::uint32_t>(std::min<std::size_t>(text.size(), size - 1));
    std::string bytes(text.substr(0, length));
    bytes += '\0';
    memory.WriteBytes(buffer, bytes.data(), length + 1);
    return length;
}

std::span<const ExternalEntry> ExternalEntries::Table() {
    return kTable;
}

const ExternalEntry* ExternalEntries::Find(std::string_view dll, std::string_view entry) {
    const std::string library = LibraryKey(dll);
    const std::string name = engine::UpperAscii(entry);
    for (const ExternalEntry& row : kTable) {
        if (row.library == library && row.spec.name == name)
            return &row;
    }
    return nullptr;
}

bool ExternalEntries::OffersLibrary(std::string_view dll) {
    const std::string library = LibraryKey(dll);
    return std::any_of(std::begin(kTable), std::end(kTable),
                       [&](const ExternalEntry& row) { return row.library == library; });
}

std::uint32_t ExternalEntries::LastError() {
    return t_lastError;
}

std::optional<platform::GuestAddress>
ExternalEntries::Resolve(std::string_view dll, std::string_view entry, std::string& loadError) {
    if (!OffersLibrary(dll)) {
        if (loadError.empty())
            loadError = std::string(dll) + " Not Found [no Linux implementation of this library]";
        return std::nullopt;
    }
    const ExternalEntry* row = Find(dll, entry);
    if (row == nullptr) {
        if (loadError.empty())
            loadError = std::string(entry) + " Not Found";
        return std::nullopt;
    }
    if (auto known = m_stubs.find(row); known != m_stubs.end())
        return known->second;
    platform::Result<platform::GuestAddress> stub =
        m_dispatcher.Add(row->spec, row->implementation);
    if (!stub) {
        if (loadError.empty())
            loadError = fmt::format("{} Not Found [{}]", entry, stub.Error());
        return std::nullopt;
    }
    m_stubs.emplace(row, stub.Value());
    return stub.Value();
}

} // namespace runtime
