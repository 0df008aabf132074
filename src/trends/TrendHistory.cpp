// Quorva run-time. Licensed under the MIT licence.
#include "trends/TrendHistory.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fmt/chrono.h>
#include <fmt/format.h>

#include "platform/FileIo.h"
#include "platform/Log.h"

namespace trends {
namespace {

using platform::IoFailure;
using platform::ReadAt;
using platform::SyncDirectoryOf;
using platform::WriteAt;

constexpr std::string_view kMagic = "QTRNDHST";
constexpr std::uint16_t kVersion = 1;
constexpr std::size_t kHeaderChecked = kHistoryHeaderSize - 4;
constexpr std::size_t kRecordChecked = kHistoryRecordSize - 4;
constexpr std::size_t kSetMaskAt = 72;
// Records read at once while the tail of a file is searched for its last whole record.
constexpr std::size_t kScanBlock = 256;

constexpr std::array<std::uint32_t, 256> MakeCrcTable()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

// CRC-32 (IEEE, as zlib computes it).
std::uint32_t Crc32(std::string_view bytes)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (char c : bytes)
        crc = kCrcTable[(crc ^ static_cast<std::uint8_t>(c)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void PutLe(std::string& out, std::uint64_t value, int size)
{
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint64_t GetLe(std::string_view bytes, std::size_t at, int size)
{
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | static_cast<std::uint8_t>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

// A name beside `path` for a file set aside: "<path>.<why>-<UTC time>", with a counter when that
// is taken.
std::string AsideName(const std::string& path, std::string_view why)
{
    const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    const std::string base = fmt::format("{}.{}-{:%Y%m%dT%H%M%S}", path, why, now);
    std::string name = base;
    std::error_code error;
    for (int n = 2; std::filesystem::exists(name, error) && n < 1000; ++n)
        name = fmt::format("{}-{}", base, n);
    return name;
}

// Opens `path` for reading and writing (creating it) and takes its lock. Null fd when another
// holder has it; a failure for anything else. The file is checked to be the one the name
// shows after the lock is taken: a holder that replaced it meanwhile makes the open repeat.
platform::Result<int> OpenLocked(const std::string& path)
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0)
            return IoFailure("open", path, errno);
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            if (error == EWOULDBLOCK)
                return platform::Fail(path + " is in use by another trend object or run-time");
            return IoFailure("lock", path, error);
        }
        struct stat opened {};
        struct stat named {};
        if (::fstat(fd, &opened) != 0) {
            const int error = errno;
            ::close(fd);
            return IoFailure("examine", path, error);
        }
        if (!S_ISREG(opened.st_mode)) {
            ::close(fd);
            return platform::Fail(path + " is not a regular file");
        }
        if (::stat(path.c_str(), &named) == 0 && named.st_ino == opened.st_ino &&
            named.st_dev == opened.st_dev)
            return fd;
        ::close(fd);
    }
    return platform::Fail("cannot open " + path + ": it keeps being replaced");
}

} // namespace

std::uint32_t HashPencilNames(const std::array<std::string, kHistoryValues>& names)
{
    std::uint32_t hash = 2166136261u;
    const auto add = [&hash](char c) {
        hash ^= static_cast<std::uint8_t>(c);
        hash *= 16777619u;
    };
    for (const std::string& name : names) {
        std::string_view text = name;
        while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
            text.remove_prefix(1);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
            text.remove_suffix(1);
        for (char c : text)
            add(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
        add('\0');
    }
    return hash;
}

std::string EncodeHistoryHeader(const HistoryIdentity& identity)
{
    std::string out(kMagic);
    PutLe(out, kVersion, 2);
    PutLe(out, kHistoryHeaderSize, 2);
    PutLe(out, kHistoryRecordSize, 2);
    PutLe(out, static_cast<std::uint64_t>(std::popcount(identity.pencilMask)), 1);
    PutLe(out, identity.pencilMask, 1);
    PutLe(out, identity.periodMs, 4);
    PutLe(out, identity.namesHash, 4);
    PutLe(out, 0, 4);
    PutLe(out, Crc32(out), 4);
    return out;
}

platform::Result<HistoryIdentity> DecodeHistoryHeader(std::string_view bytes)
{
    if (bytes.size() < kHistoryHeaderSize)
        return platform::Fail(fmt::format("{} bytes, shorter than a header", bytes.size()));
    if (bytes.substr(0, kMagic.size()) != kMagic)
        return platform::Fail("no trend history header");
    if (GetLe(bytes, kHeaderChecked, 4) != Crc32(bytes.substr(0, kHeaderChecked)))
        return platform::Fail("its header is damaged");
    const std::uint64_t version = GetLe(bytes, 8, 2);
    if (version != kVersion)
        return platform::Fail(fmt::format("version {}, not {}", version, kVersion));
    if (GetLe(bytes, 10, 2) != kHistoryHeaderSize || GetLe(bytes, 12, 2) != kHistoryRecordSize)
        return platform::Fail("header or record size other than this version's");
    HistoryIdentity identity;
    identity.pencilMask = static_cast<std::uint8_t>(bytes[15]);
    if (static_cast<std::uint8_t>(bytes[14]) != std::popcount(identity.pencilMask))
        return platform::Fail("its pencil count does not match its pencils");
    identity.periodMs = static_cast<std::uint32_t>(GetLe(bytes, 16, 4));
    identity.namesHash = static_cast<std::uint32_t>(GetLe(bytes, 20, 4));
    return identity;
}

std::string EncodeHistoryRecord(const HistorySample& sample)
{
    std::string out;
    out.reserve(kHistoryRecordSize);
    PutLe(out, static_cast<std::uint64_t>(sample.utcMilliseconds), 8);
    std::uint8_t mask = 0;
    for (std::size_t i = 0; i < kHistoryValues; ++i) {
        const bool set = (sample.setMask >> i & 1) != 0 && std::isfinite(sample.values[i]);
        const double value = set ? sample.values[i] : 0.0;
        PutLe(out, std::bit_cast<std::uint64_t>(value), 8);
        mask = static_cast<std::uint8_t>(mask | (set ? 1u << i : 0u));
    }
    PutLe(out, mask, 1);
    PutLe(out, 0, 3);
    PutLe(out, Crc32(out), 4);
    return out;
}

std::optional<HistorySample> DecodeHistoryRecord(std::string_view bytes)
{
    if (bytes.size() != kHistoryRecordSize ||
        GetLe(bytes, kRecordChecked, 4) != Crc32(bytes.substr(0, kRecordChecked)) ||
        GetLe(bytes, kSetMaskAt + 1, 3) != 0)
        return std::nullopt;
    HistorySample sample;
    sample.utcMilliseconds = static_cast<std::int64_t>(GetLe(bytes, 0, 8));
    sample.setMask = static_cast<std::uint8_t>(bytes[kSetMaskAt]);
    for (std::size_t i = 0; i < kHistoryValues; ++i) {
        const double value = std::bit_cast<double>(GetLe(bytes, 8 + 8 * i, 8));
        // A value that is not a number never counts as a sample, whatever wrote it.
        if ((sample.setMask >> i & 1) != 0 && std::isfinite(value))
            sample.values[i] = value;
        else
            sample.setMask = static_cast<std::uint8_t>(sample.setMask & ~(1u << i));
    }
    return sample;
}

platform::Result<ParsedHistory> ParseHistory(std::string_view bytes)
{
    platform::Result<HistoryIdentity> identity = DecodeHistoryHeader(bytes);
    if (!identity)
        return platform::Fail(identity.Error());
    ParsedHistory parsed;
    parsed.identity = identity.Value();
    parsed.keptBytes = kHistoryHeaderSize;
    std::size_t bad = 0;
    const std::size_t records = (bytes.size() - kHistoryHeaderSize) / kHistoryRecordSize;
    for (std::size_t i = 0; i < records; ++i) {
        const std::size_t at = kHistoryHeaderSize + i * kHistoryRecordSize;
        if (std::optional<HistorySample> sample =
                DecodeHistoryRecord(bytes.substr(at, kHistoryRecordSize))) {
            parsed.samples.push_back(*sample);
            parsed.damagedRecords += bad;
            bad = 0;
            parsed.keptBytes = at + kHistoryRecordSize;
        } else {
            ++bad;
        }
    }
    return parsed;
}

// ---------------------------------------------------------------------------------------------
// TrendHistory

TrendHistory::TrendHistory(int fd, std::string path, std::size_t bound, std::size_t records)
    : m_fd(fd), m_path(std::move(path)), m_bound(bound), m_records(records)
{
}

TrendHistory::TrendHistory(TrendHistory&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_path(std::move(other.m_path)),
      m_identity(other.m_identity), m_bound(other.m_bound), m_records(other.m_records),
      m_lastSync(other.m_lastSync), m_unsynced(std::exchange(other.m_unsynced, false))
{
}

TrendHistory& TrendHistory::operator=(TrendHistory&& other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
        m_path = std::move(other.m_path);
        m_identity = other.m_identity;
        m_bound = other.m_bound;
        m_records = other.m_records;
        m_lastSync = other.m_lastSync;
        m_unsynced = std::exchange(other.m_unsynced, false);
    }
    return *this;
}

TrendHistory::~TrendHistory()
{
    Close();
}

void TrendHistory::Close()
{
    if (m_fd < 0)
        return;
    if (m_unsynced)
        if (platform::Status synced = Sync(); !synced)
            platform::LogWarning("trend history: {}", synced.Error());
    ::close(std::exchange(m_fd, -1));
}

platform::Result<TrendHistory> TrendHistory::Open(const std::string& path,
                                                  const HistoryIdentity& identity,
                                                  std::size_t bound)
{
    bound = std::clamp(bound, kMinimumBound, kMaximumBound);
    const std::filesystem::path directory = std::filesystem::path(path).parent_path();
    std::error_code madeError;
    if (!directory.empty() && !std::filesystem::is_directory(directory, madeError) &&
        !std::filesystem::create_directories(directory, madeError) && madeError)
        return platform::Fail(fmt::format("cannot create the directory {}: {}",
                                          directory.string(), madeError.message()));
    const std::string header = EncodeHistoryHeader(identity);

    for (int attempt = 0;; ++attempt) {
        platform::Result<int> opened = OpenLocked(path);
        if (!opened)
            return platform::Fail(opened.Error());
        TrendHistory history(opened.Value(), path, bound, 0);
        history.m_identity = identity;
        const int fd = history.m_fd;
        struct stat status {};
        if (::fstat(fd, &status) != 0)
            return IoFailure("examine", path, errno);
        const auto size = static_cast<std::uint64_t>(status.st_size);

        // A file shorter than a header holds no sample; one that is the beginning of this
        // header is a creation that stopped half-way.
        std::string start(static_cast<std::size_t>(std::min<std::uint64_t>(size, kHistoryHeaderSize)),
                          '\0');
        if (platform::Status read = ReadAt(fd, start.data(), start.size(), 0, path); !read)
            return platform::Fail(read.Error());
        if (size < kHistoryHeaderSize && header.compare(0, start.size(), start) == 0) {
            if (::ftruncate(fd, 0) != 0)
                return IoFailure("shorten", path, errno);
            if (platform::Status written = WriteAt(fd, header, 0, path); !written)
                return platform::Fail(written.Error());
            if (::fdatasync(fd) != 0)
                return IoFailure("flush", path, errno);
            return history;
        }

        platform::Result<HistoryIdentity> found = DecodeHistoryHeader(start);
        const bool ours = found.IsOk() && found.Value() == identity;
        if (!ours) {
            if (attempt > 0)
                return platform::Fail("cannot begin a new history in " + path);
            // Set aside, not overwritten: it may hold samples someone still wants.
            const std::string aside = AsideName(path, found ? "old" : "bad");
            if (::rename(path.c_str(), aside.c_str()) != 0)
                return IoFailure("set aside", path, errno);
            if (found)
                platform::LogInfo("{}: recorded for other pencils or another period; kept as {}, "
                                  "a new history begins",
                                  path, aside);
            else
                platform::LogWarning("{} is not a trend history ({}); kept as {}, a new history "
                                     "begins",
                                     path, found.Error(), aside);
            continue;
        }

        // The last whole record ends the file: anything after it is cut.
        const std::uint64_t records = (size - kHistoryHeaderSize) / kHistoryRecordSize;
        std::uint64_t whole = records;
        std::string block;
        while (whole > 0) {
            const std::uint64_t count = std::min<std::uint64_t>(whole, kScanBlock);
            const std::uint64_t first = whole - count;
            block.resize(static_cast<std::size_t>(count) * kHistoryRecordSize);
            if (platform::Status read = ReadAt(fd, block.data(), block.size(),
                                               kHistoryHeaderSize + first * kHistoryRecordSize,
                                               path);
                !read)
                return platform::Fail(read.Error());
            std::uint64_t last = count;
            while (last > 0 && !DecodeHistoryRecord(std::string_view(block).substr(
                                   static_cast<std::size_t>(last - 1) * kHistoryRecordSize,
                                   kHistoryRecordSize)))
                --last;
            whole = first + last;
            if (last > 0)
                break;
        }
        const std::uint64_t end = kHistoryHeaderSize + whole * kHistoryRecordSize;
        if (end < size) {
            if (::ftruncate(fd, static_cast<off_t>(end)) != 0)
                return IoFailure("shorten", path, errno);
            if (::fdatasync(fd) != 0)
                return IoFailure("flush", path, errno);
            platform::LogWarning("{}: {} bytes after its last whole record cut off (a record cut "
                                 "short or never finished)",
                                 path, size - end);
        }
        history.m_records = static_cast<std::size_t>(whole);
        if (history.m_records > 2 * bound)
            if (platform::Status compacted = history.Compact(); !compacted)
                return platform::Fail(compacted.Error());
        return history;
    }
}

platform::Result<std::vector<HistorySample>> TrendHistory::ReadNewest(std::size_t count) const
{
    std::vector<HistorySample> samples;
    if (m_fd < 0)
        return platform::Fail("the trend history is closed");
    count = std::min(count, m_records);
    if (count == 0)
        return samples;
    std::string bytes(count * kHistoryRecordSize, '\0');
    const std::uint64_t first = m_records - count;
    if (platform::Status read = ReadAt(m_fd, bytes.data(), bytes.size(),
                                       kHistoryHeaderSize + first * kHistoryRecordSize, m_path);
        !read)
        return platform::Fail(read.Error());
    std::size_t damaged = 0;
    samples.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (auto sample = DecodeHistoryRecord(
                std::string_view(bytes).substr(i * kHistoryRecordSize, kHistoryRecordSize)))
            samples.push_back(*sample);
        else
            ++damaged;
    }
    if (damaged > 0)
        platform::LogWarning("{}: {} damaged records skipped", m_path, damaged);
    return samples;
}

platform::Status TrendHistory::Append(const HistorySample& sample)
{
    if (m_fd < 0)
        return platform::Fail("the trend history is closed");
    const std::uint64_t end = kHistoryHeaderSize + std::uint64_t{m_records} * kHistoryRecordSize;
    if (platform::Status written = WriteAt(m_fd, EncodeHistoryRecord(sample), end, m_path);
        !written) {
        // What reached the file of this record goes, so that the next append lands whole.
        if (::ftruncate(m_fd, static_cast<off_t>(end)) != 0)
            platform::LogWarning("cannot shorten {} after a failed write: {}", m_path,
                                 std::generic_category().message(errno));
        return written;
    }
    ++m_records;
    m_unsynced = true;
    const std::int64_t since = sample.utcMilliseconds - m_lastSync;
    if (since >= kSyncIntervalMs || since < 0) {
        m_lastSync = sample.utcMilliseconds;
        if (platform::Status synced = Sync(); !synced)
            return synced;
    }
    if (m_records > 2 * m_bound)
        return Compact();
    return {};
}

platform::Status TrendHistory::Sync()
{
    if (m_fd < 0)
        return {};
    if (::fdatasync(m_fd) != 0)
        return IoFailure("flush", m_path, errno);
    m_unsynced = false;
    return {};
}

platform::Status TrendHistory::Compact()
{
    platform::Result<std::vector<HistorySample>> newest = ReadNewest(m_bound);
    if (!newest)
        return platform::Fail(newest.Error());
    const std::string temporary = m_path + ".tmp";
    // Whoever made a file of this name before is gone: this object holds the history's lock.
    const int fd = ::open(temporary.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return IoFailure("create", temporary, errno);
    const auto fail = [&](platform::Failure failure) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return platform::Status(std::move(failure));
    };
    // Locked before it takes the name, so that nobody else can take it in between.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return fail(IoFailure("lock", temporary, errno));
    std::string bytes = EncodeHistoryHeader(m_identity);
    bytes.reserve(kHistoryHeaderSize + newest->size() * kHistoryRecordSize);
    for (const HistorySample& sample : newest.Value())
        bytes += EncodeHistoryRecord(sample);
    if (platform::Status written = WriteAt(fd, bytes, 0, temporary); !written)
        return fail(platform::Fail(written.Error()));
    if (::fdatasync(fd) != 0)
        return fail(IoFailure("flush", temporary, errno));
    if (::rename(temporary.c_str(), m_path.c_str()) != 0)
        return fail(IoFailure("replace", m_path, errno));
    const std::size_t before = m_records;
    ::close(std::exchange(m_fd, fd));
    m_records = newest->size();
    m_unsynced = false;
    platform::LogInfo("{}: the oldest {} samples removed, the newest {} kept", m_path,
                      before - m_records, m_records);
    return SyncDirectoryOf(m_path);
}

} // namespace trends
