// Quorva run-time. Licensed under the MIT licence.
#include "screens/BmpInfo.h"

#include <cstdint>
#include <cstdlib>

#include <fmt/format.h>

namespace screens {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;

std::uint32_t U16(std::string_view bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
        static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
}

std::uint32_t U32(std::string_view bytes, std::size_t at)
{
    return U16(bytes, at) | U16(bytes, at + 2) << 16;
}

bool KnownDepth(int bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

} // namespace

platform::Result<BmpInfo> ReadBmpInfo(std::string_view bytes)
{
    if (bytes.size() < kFileHeaderSize + 4 || bytes[0] != 'B' || bytes[1] != 'M')
        return platform::Fail("not a bitmap file (no \"BM\" header)");
    const std::uint32_t headerSize = U32(bytes, kFileHeaderSize);
    if (headerSize != kCoreHeaderSize && headerSize < kInfoHeaderSize)
        return platform::Fail(fmt::format("bitmap information header of unknown size {}", headerSize));
    if (bytes.size() < kFileHeaderSize + headerSize)
        return platform::Fail("bitmap header cut short");

    BmpInfo info;
    const std::size_t at = kFileHeaderSize;
    if (headerSize == kCoreHeaderSize) {
        info.width = static_cast<int>(U16(bytes, at + 4));
        info.height = static_cast<int>(U16(bytes, at + 6));
        info.bitsPerPixel = static_cast<int>(U16(bytes, at + 10));
    } else {
        const auto width = static_cast<std::int32_t>(U32(bytes, at + 4));
        const auto height = static_cast<std::int32_t>(U32(bytes, at + 8));
        if (width <= 0 || height == 0 || height == INT32_MIN)
            return platform::Fail(fmt::format("bitmap of impossible size {} x {}", width, height));
        info.width = width;
        info.height = std::abs(height); // negative: stored top-down
        info.bitsPerPixel = static_cast<int>(U16(bytes, at + 14));
    }
    if (!KnownDepth(info.bitsPerPixel))
        return platform::Fail(fmt::format("bitmap with {} bits per pixel", info.bitsPerPixel));
    if (info.width <= 0 || info.height <= 0 ||
        static_cast<long long>(info.width) * info.height > kMaxPicturePixels)
        return platform::Fail(fmt::format("bitmap of size {} x {} not accepted", info.width, info.height));
    return info;
}

platform::Result<QImage> DecodeBmp(std::string_view bytes)
{
    if (bytes.size() > static_cast<std::size_t>(INT32_MAX))
        return platform::Fail("bitmap file too big");
    auto info = ReadBmpInfo(bytes);
    if (!info.IsOk())
        return platform::Fail(info.Error());
    // Uncompressed pixels must be in the file (the last row's padding may be missing); a header
    // that claims more is refused before any memory is taken for the picture.
    const std::uint32_t headerSize = U32(bytes, kFileHeaderSize);
    const std::uint32_t compression = headerSize >= kInfoHeaderSize ? U32(bytes, kFileHeaderSize + 16) : 0;
    if (compression == 0 || compression == 3 || compression == 6) {
        const auto& i = info.Value();
        const std::uint64_t rowBytes = (static_cast<std::uint64_t>(i.width) * static_cast<std::uint64_t>(i.bitsPerPixel) + 31) / 32 * 4;
        const std::uint64_t lastRow = (static_cast<std::uint64_t>(i.width) * static_cast<std::uint64_t>(i.bitsPerPixel) + 7) / 8;
        const std::uint64_t needed = U32(bytes, 10) + rowBytes * static_cast<std::uint64_t>(i.height - 1) + lastRow;
        if (needed > bytes.size())
            return platform::Fail(fmt::format("bitmap pixels cut short ({} of {} bytes)", bytes.size(), needed));
    }
    QImage image;
    if (!image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()), "BMP") ||
        image.isNull())
        return platform::Fail("damaged bitmap data");
    return image.convertToFormat(QImage::Format_RGB32);
}

platform::Result<QImage> DecodeDib(std::string_view bytes)
{
    if (bytes.size() < 16)
        return platform::Fail("embedded bitmap cut short");
    const std::uint32_t headerSize = U32(bytes, 0);
    std::uint64_t paletteBytes = 0;
    if (headerSize == kCoreHeaderSize) {
        const std::uint32_t bits = U16(bytes, 10);
        paletteBytes = bits <= 8 ? (1ULL << bits) * 3 : 0;
    } else if (headerSize >= kInfoHeaderSize && bytes.size() >= kInfoHeaderSize) {
        const std::uint32_t bits = U16(bytes, 14);
        const std::uint32_t compression = U32(bytes, 16);
        std::uint64_t used = U32(bytes, 32);
        if (bits <= 8 && (used == 0 || used > (1ULL << bits)))
            used = 1ULL << bits;
        paletteBytes = used * 4;
        if (headerSize == kInfoHeaderSize && (compression == 3 || compression == 6))
            paletteBytes += compression == 3 ? 12 : 16; // colour masks after the header
    } else {
        return platform::Fail(fmt::format("embedded bitmap header of unknown size {}", headerSize));
    }
    const std::uint64_t pixelOffset = kFileHeaderSize + headerSize + paletteBytes;
    if (pixelOffset > bytes.size() + kFileHeaderSize || bytes.size() > static_cast<std::size_t>(INT32_MAX) - kFileHeaderSize)
        return platform::Fail("embedded bitmap cut short");

    std::string file(kFileHeaderSize, '\0');
    const auto put32 = [&file](std::size_t at, std::uint64_t value) {
        for (int i = 0; i < 4; ++i)
            file[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, kFileHeaderSize + bytes.size());
    put32(10, pixelOffset);
    file.append(bytes);
    return DecodeBmp(file);
}

} // namespace screens
