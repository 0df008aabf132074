// Quorva run-time. Licensed under the MIT licence.
#include "shell/Package.h"
#include "shell/FileHelpers.h"

#include "platform/Log.h"
#include "platform/PathMap.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace shell {

// The slot that the packer finds and fills in a copy of the run-time executable: the marker, then
// "XXXX" for "no package". Only the first occurrence of the marker in a file counts, so the
// program must not spell the marker anywhere else: PackageSlotMarker() reads it back from here
// with volatile reads, which the compiler cannot fold into a second copy in the code.
extern const volatile char kPackageSlot[kPackageSlotSize];
[[gnu::used]] const volatile char kPackageSlot[kPackageSlotSize] = {'G', 'P', 'I', '_', 'S', 'I',
                                                                    'Z', 'E', 'X', 'X', 'X', 'X'};

std::string PackageSlotMarker() {
    std::string marker(kPackageSlotMarkerSize, '\0');
    for (std::size_t i = 0; i < kPackageSlotMarkerSize; ++i)
        marker[i] = kPackageSlot[i];
    return marker;
}

namespace {

constexpr std::size_t kSearchChunkSize = 16384;
constexpr std::size_t kEntryHeaderSize = 5;
constexpr std::size_t kMaxNameLength = 255;
// An entry inflates to at most this much: 2 GiB, as much as a 32-bit stream size can count.
constexpr std::size_t kMaxInflatedSize = INT32_MAX;
constexpr std::size_t kHugePageSize = std::size_t{2} << 20;

// A block for `size` bytes, not initialised. Large blocks are aligned to huge pages and advised
// to use them: filling fresh memory costs one page fault per 4 KiB page otherwise, which can cost
// as much as inflating itself. Memory that is never written is never faulted in, so a generous
// size costs address space only.
MallocBlock AllocateBlock(std::size_t size) {
    if (size < kHugePageSize)
        return MallocBlock(static_cast<char*>(std::malloc(std::max<std::size_t>(size, 1))));
    std::size_t rounded = (size + kHugePageSize - 1) / kHugePageSize * kHugePageSize;
    void* block = std::aligned_alloc(kHugePageSize, rounded);
#ifdef MADV_HUGEPAGE
    if (block != nullptr)
        static_cast<void>(::madvise(block, rounded, MADV_HUGEPAGE));
#endif
    return MallocBlock(static_cast<char*>(block));
}

// Resizes a block; realloc moves large blocks by remapping their pages, not by copying them.
bool ResizeBlock(MallocBlock& block, std::size_t size) {
    char* moved = static_cast<char*>(std::realloc(block.get(), std::max<std::size_t>(size, 1)));
    if (moved == nullptr)
        return false;
    static_cast<void>(block.release());
    block.reset(moved);
    return true;
}

std::int32_t LittleEndianInt32(const unsigned char* bytes) {
    std::uint32_t value = std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) |
                          (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
    return static_cast<std::int32_t>(value);
}

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualsKey(std::string_view entryName, std::string_view key) {
    return entryName.size() == key.size() &&
           std::equal(entryName.begin(), entryName.end(), key.begin(),
                      [](char a, char b) { return UpperAscii(a) == b; });
}

struct EntryHeader {
    std::uint64_t offset = 0;
    std::int32_t size = 0;
    std::string name;
    std::uint64_t dataOffset = 0;
};

// Walks the entry headers of a package from its offset to the end of the file. A header that is
// cut off or whose size is negative or runs past the end ends the walk; Damage() says why.
class EntryWalker {
public:
    EntryWalker(const FileStream& file, std::uint64_t start)
        : m_file(file), m_end(file.Size()), m_position(start) {}

    std::optional<EntryHeader> Next() {
        if (m_position >= m_end || !m_damage.empty())
            return std::nullopt;
        std::array<unsigned char, kEntryHeaderSize + kMaxNameLength> buffer{};
        std::size_t wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), m_end - m_position));
        std::size_t got = m_file.ReadAt(m_position, buffer.data(), wanted);
        if (got < kEntryHeaderSize)
            return Fail(fmt::format("entry header at offset {} is cut off by the end of the file",
                                    m_position));
        EntryHeader header;
        header.offset = m_position;
        header.size = LittleEndianInt32(buffer.data());
        std::size_t nameLength = buffer[4];
        if (got < kEntryHeaderSize + nameLength)
            return Fail(fmt::format("name of the entry at offset {} is cut off by the end of the "
                                    "file",
                                    m_position));
        header.name.assign(reinterpret_cast<const char*>(buffer.data()) + kEntryHeaderSize,
                           nameLength);
        header.dataOffset = m_position + kEntryHeaderSize + nameLength;
        if (header.size < 0)
            return Fail(fmt::format("entry \"{}\" at offset {} has a negative size ({})",
                                    header.name, m_position, header.size));
        std::uint64_t left = m_end - header.dataOffset;
        if (static_cast<std::uint64_t>(header.size) > left)
            return Fail(
                fmt::format("entry \"{}\" at offset {} claims {} bytes but only {} are left "
                            "in the file",
                            header.name, m_position, header.size, left));
        m_position = header.dataOffset + static_cast<std::uint64_t>(header.size);
        return header;
    }

    const std::string& Damage() const { return m_damage; }

private:
    std::nullopt_t Fail(std::string damage) {
        m_damage = std::move(damage);
        return std::nullopt;
    }

    const FileStream& m_file;
    std::uint64_t m_end;
    std::uint64_t m_position;
    std::string m_damage;
};

// Inflates one complete zlib stream into a block sized from a guess (most project files shrink
// to a third or less) that doubles as needed. Null when the stream is damaged or inflates beyond
// kMaxInflatedSize.
std::unique_ptr<MemoryStream> Inflate(const unsigned char* data, std::size_t size) {
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        return nullptr;
    std::size_t capacity = std::clamp<std::size_t>(size * 8, 4096, kMaxInflatedSize);
    MallocBlock block = AllocateBlock(capacity);
    if (!block) {
        // Too generous for this machine: start small and grow.
        capacity = std::max<std::size_t>(size, 4096);
        block = AllocateBlock(capacity);
    }
    std::size_t produced = 0;
    zs.next_in = const_cast<unsigned char*>(data);
    zs.avail_in = static_cast<uInt>(size);
    bool complete = false;
    while (block) {
        if (produced == capacity) {
            std::size_t grown = std::min(capacity * 2, kMaxInflatedSize);
            if (capacity == kMaxInflatedSize || !ResizeBlock(block, grown))
                break;
            capacity = grown;
        }
        std::size_t room = std::min<std::size_t>(capacity - produced, UINT_MAX);
        zs.next_out = reinterpret_cast<unsigned char*>(block.get() + produced);
        zs.avail_out = static_cast<uInt>(room);
        int status = inflate(&zs, Z_NO_FLUSH);
        produced += room - zs.avail_out;
        if (status == Z_STREAM_END) {
            complete = true;
            break;
        }
        // Z_BUF_ERROR with room left means the input ended before the stream did.
        if (status != Z_OK && !(status == Z_BUF_ERROR && zs.avail_out == 0))
            break;
    }
    inflateEnd(&zs);
    if (!complete)
        return nullptr;
    if (produced < capacity)
        static_cast<void>(ResizeBlock(block, produced));
    return std::make_unique<MemoryStream>(std::move(block), produced);
}

// The inflated size of a stored entry, read and inflated piecewise; nullopt when damaged.
std::optional<std::uint64_t> InflatedSize(const FileStream& file, const EntryHeader& entry) {
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        return std::nullopt;
    std::vector<unsigned char> input(65536);
    std::vector<unsigned char> output(65536);
    std::uint64_t position = entry.dataOffset;
    std::uint64_t end = entry.dataOffset + static_cast<std::uint64_t>(entry.size);
    std::uint64_t total = 0;
    int status = Z_OK;
    while (status == Z_OK) {
        if (zs.avail_in == 0) {
            std::size_t wanted =
                static_cast<std::size_t>(std::min<std::uint64_t>(input.size(), end - position));
            std::size_t got = file.ReadAt(position, input.data(), wanted);
            position += got;
            zs.next_in = input.data();
            zs.avail_in = static_cast<uInt>(got);
        }
        zs.next_out = output.data();
        zs.avail_out = static_cast<uInt>(output.size());
        status = inflate(&zs, Z_NO_FLUSH);
        total += output.size() - zs.avail_out;
        if (total > kMaxInflatedSize)
            status = Z_DATA_ERROR;
    }
    inflateEnd(&zs);
    if (status != Z_STREAM_END)
        return std::nullopt;
    return total;
}

std::unique_ptr<MemoryStream> ReadEntry(const FileStream& file, const EntryHeader& entry,
                                        const std::string& exePath) {
    auto size = static_cast<std::size_t>(entry.size);
    MallocBlock stored = AllocateBlock(size);
    std::unique_ptr<MemoryStream> stream;
    if (stored && file.ReadAt(entry.dataOffset, stored.get(), size) == size)
        stream = Inflate(reinterpret_cast<const unsigned char*>(stored.get()), size);
    if (!stream) {
        platform::LogWarning("package of {}: entry \"{}\" at offset {} cannot be inflated (not a "
                             "valid zlib stream, or larger than 2 GiB); it reads as empty",
                             exePath, entry.name, entry.offset);
        stream = std::make_unique<MemoryStream>();
    }
    return stream;
}

void ReportDamage(const EntryWalker& walker, const std::string& exePath) {
    if (!walker.Damage().empty())
        platform::LogWarning("package of {}: {}; the entries after it are not read", exePath,
                             walker.Damage());
}

// Writes `stream` to a new file beside `hostPath`, then renames it over `hostPath`, so that a
// failed write leaves the old file and a stream read from `hostPath` itself is not cut short.
bool ReplaceFileWith(Stream& stream, const std::string& hostPath) {
    static std::atomic<unsigned> s_counter{0};
    std::size_t slash = hostPath.rfind('/');
    std::string directory =
        slash == std::string::npos ? std::string() : hostPath.substr(0, slash + 1);
    std::string temporary = fmt::format("{}.extract-{}-{}.tmp", directory, ::getpid(), ++s_counter);
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    struct stat existing {};
    if (::stat(hostPath.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
        static_cast<void>(::fchmod(fd, existing.st_mode & 07777));
    bool ok = stream.Seek(0);
    std::vector<char> buffer(65536);
    while (ok) {
        std::size_t got = stream.Read(buffer.data(), buffer.size());
        if (got == 0)
            break;
        std::size_t done = 0;
        while (ok && done < got) {
            ssize_t written = ::write(fd, buffer.data() + done, got - done);
            if (written < 0 && errno == EINTR)
                continue;
            ok = written > 0;
            done += ok ? static_cast<std::size_t>(written) : 0;
        }
    }
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temporary.c_str(), hostPath.c_str()) == 0;
    if (!ok)
        ::unlink(temporary.c_str());
    return ok;
}

} // namespace

platform::Result<std::int32_t> LocatePackage(const std::string& exePath) {
    auto file = FileStream::Open(exePath);
    if (!file)
        return platform::Fail(fmt::format("{}: cannot be opened as a regular file", exePath));
    std::uint64_t fileSize = file->Size();
    std::string marker = PackageSlotMarker();
    std::vector<char> chunk(kSearchChunkSize);
    std::uint64_t base = 0;
    for (;;) {
        std::size_t got = file->ReadAt(base, chunk.data(), chunk.size());
        if (got <= kPackageSlotMarkerSize)
            return platform::Fail(fmt::format("{}: no package marker", exePath));
        std::size_t hit = std::string_view(chunk.data(), got).find(marker);
        if (hit != std::string_view::npos) {
            std::uint64_t slotOffset = base + hit + kPackageSlotMarkerSize;
            std::array<unsigned char, 4> slot{};
            if (file->ReadAt(slotOffset, slot.data(), slot.size()) < slot.size())
                return platform::Fail(
                    fmt::format("{}: package marker at offset {} has no slot after it", exePath,
                                slotOffset - kPackageSlotMarkerSize));
            if (slot[0] == static_cast<unsigned char>(kNoPackageSlotByte))
                return platform::Fail(fmt::format("{}: package slot at offset {} is \"X\"-marked: "
                                                  "no package appended",
                                                  exePath, slotOffset));
            std::int32_t offset = LittleEndianInt32(slot.data());
            if (offset <= 0 || static_cast<std::uint64_t>(offset) >= fileSize)
                return platform::Fail(fmt::format("{}: package slot at offset {} holds {}, which "
                                                  "is not an offset inside the file ({} bytes)",
                                                  exePath, slotOffset, offset, fileSize));
            return offset;
        }
        // Step back over the marker's length so that a marker across the boundary is found.
        base += got - kPackageSlotMarkerSize;
    }
}

std::int32_t FindPackageStart(const std::string& exePath) {
    auto located = LocatePackage(exePath);
    if (!located) {
        platform::LogDebug("{}", located.Error());
        return 0;
    }
    platform::LogDebug("{}: package at offset {}", exePath, located.Value());
    return located.Value();
}

std::string PackageKey(std::string_view name) {
    std::string key(FileNamePart(name).substr(0, kMaxNameLength));
    std::transform(key.begin(), key.end(), key.begin(), UpperAscii);
    return key;
}

ProjectPackage ProjectPackage::ForExecutable(std::string exePath) {
    std::int32_t offset = FindPackageStart(exePath);
    return ProjectPackage(std::move(exePath), offset);
}

ProjectPackage::ProjectPackage(std::string exePath, std::int32_t offset)
    : m_exePath(std::move(exePath)), m_offset(offset < 0 ? 0 : offset) {}

std::unique_ptr<Stream> ProjectPackage::Open(std::string_view name) const {
    if (m_offset != 0) {
        std::string key = PackageKey(name);
        if (auto file = FileStream::Open(m_exePath)) {
            EntryWalker walker(*file, static_cast<std::uint64_t>(m_offset));
            while (auto entry = walker.Next()) {
                if (EqualsKey(entry->name, key))
                    return ReadEntry(*file, *entry, m_exePath);
            }
            ReportDamage(walker, m_exePath);
        } else {
            platform::LogWarning("package file {} cannot be opened", m_exePath);
        }
    }
    return FileStream::Open(platform::HostPath(name));
}

bool ProjectPackage::Contains(std::string_view name) const {
    if (m_offset == 0)
        return false;
    auto file = FileStream::Open(m_exePath);
    if (!file)
        return false;
    std::string key = PackageKey(name);
    EntryWalker walker(*file, static_cast<std::uint64_t>(m_offset));
    while (auto entry = walker.Next()) {
        if (EqualsKey(entry->name, key))
            return true;
    }
    ReportDamage(walker, m_exePath);
    return false;
}

bool ProjectPackage::Extract(std::string_view entryName, std::string_view destPath) const {
    std::unique_ptr<Stream> stream = Open(entryName);
    if (!stream)
        return false;
    std::string hostPath = platform::HostPath(destPath);
    if (hostPath.empty())
        return false;
    if (!ReplaceFileWith(*stream, hostPath)) {
        platform::LogDebug("extracting {} to {} failed", entryName, hostPath);
        return false;
    }
    return true;
}

std::vector<PackageEntryInfo> ProjectPackage::List(std::string* damage) const {
    std::vector<PackageEntryInfo> entries;
    if (damage != nullptr)
        damage->clear();
    if (m_offset == 0)
        return entries;
    auto file = FileStream::Open(m_exePath);
    if (!file) {
        if (damage != nullptr)
            *damage = fmt::format("{} cannot be opened", m_exePath);
        return entries;
    }
    EntryWalker walker(*file, static_cast<std::uint64_t>(m_offset));
    while (auto entry = walker.Next()) {
        PackageEntryInfo info{entry->name, entry->offset, entry->size, 0, true};
        if (entries.empty() && entry->name == kMarkerEntryName) {
            info.inflatedSize = static_cast<std::uint64_t>(entry->size);
        } else if (auto size = InflatedSize(*file, *entry)) {
            info.inflatedSize = *size;
        } else {
            info.intact = false;
        }
        entries.push_back(std::move(info));
    }
    if (damage != nullptr)
        *damage = walker.Damage();
    return entries;
}

} // namespace shell
