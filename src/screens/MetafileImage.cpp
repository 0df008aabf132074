// Quorva run-time. Licensed under the MIT licence.
#include "screens/MetafileImage.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <QPainter>
#include <fmt/format.h>

#include "platform/Log.h"
#include "screens/MetafilePlayer.h"

namespace screens {

namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableHeaderSize = 22;
constexpr std::size_t kHeaderSize = 18;
constexpr std::size_t kMaxRecords = 2'000'000;
constexpr int kScreenPixelsPerInch = 96;
constexpr std::uint16_t kSetWindowOrg = 0x020B;
constexpr std::uint16_t kSetWindowExt = 0x020C;

std::uint16_t U16(const std::string& bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
        static_cast<unsigned char>(bytes[at + 1]) << 8);
}

std::int16_t S16(const std::string& bytes, std::size_t at)
{
    return static_cast<std::int16_t>(U16(bytes, at));
}

std::uint32_t U32(const std::string& bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(U16(bytes, at)) | static_cast<std::uint32_t>(U16(bytes, at + 2)) << 16;
}

int ClampSide(long long side)
{
    return static_cast<int>(std::clamp<long long>(side, 1, kMaxMetafileSide));
}

} // namespace

platform::Result<std::shared_ptr<const MetafileImage>> MetafileImage::Parse(std::string bytes)
{
    std::shared_ptr<MetafileImage> image(new MetafileImage);
    std::size_t at = 0;
    bool placeable = false;
    int inch = 0;
    if (bytes.size() >= kPlaceableHeaderSize && U32(bytes, 0) == kPlaceableKey) {
        placeable = true;
        const int left = S16(bytes, 6), top = S16(bytes, 8), right = S16(bytes, 10), bottom = S16(bytes, 12);
        inch = U16(bytes, 14);
        if (right == left || bottom == top)
            return platform::Fail("metafile with an empty bounding box");
        image->m_frame = QRect(QPoint(std::min(left, right), std::min(top, bottom)),
            QSize(std::abs(right - left), std::abs(bottom - top)));
        at = kPlaceableHeaderSize;
    }
    if (bytes.size() < at + kHeaderSize)
        return platform::Fail("not a metafile (header cut short)");
    const std::uint16_t type = U16(bytes, at);
    const std::uint16_t headerWords = U16(bytes, at + 2);
    if ((type != 1 && type != 2) || headerWords != kHeaderSize / 2)
        return platform::Fail("not a metafile (unknown header)");
    image->m_objectCount = U16(bytes, at + 10);
    at += kHeaderSize;

    QPoint windowOrg;
    QSize windowExt(0, 0);
    bool damaged = false;
    while (at + 6 <= bytes.size()) {
        const std::uint32_t words = U32(bytes, at);
        const std::uint16_t function = U16(bytes, at + 4);
        if (function == 0)
            break; // end of file
        if (words < 3 || words > (bytes.size() - at) / 2 || image->m_records.size() >= kMaxRecords) {
            damaged = true;
            break;
        }
        const Record record{static_cast<std::uint32_t>(at + 6), words - 3, function};
        image->m_records.push_back(record);
        if (!placeable && record.words >= 2 && (function == kSetWindowOrg || function == kSetWindowExt)) {
            const QPoint value(S16(bytes, record.offset + 2), S16(bytes, record.offset));
            if (function == kSetWindowOrg && windowExt.isEmpty())
                windowOrg = value;
            else if (function == kSetWindowExt && windowExt.isEmpty())
                windowExt = QSize(value.x(), value.y());
        }
        at += static_cast<std::size_t>(words) * 2;
    }
    if (damaged)
        platform::LogWarning("metafile damaged after {} records: the rest is not drawn", image->m_records.size());

    if (placeable) {
        const long long perInch = inch > 0 ? inch : 1440;
        image->m_size = QSize(ClampSide(image->m_frame.width() * kScreenPixelsPerInch / perInch),
            ClampSide(image->m_frame.height() * kScreenPixelsPerInch / perInch));
    } else {
        if (windowExt.width() == 0 || windowExt.height() == 0)
            return platform::Fail("metafile without a placeable header or a window extent");
        // A negative extent flips the picture; the frame keeps it so that playing flips too.
        image->m_frame = QRect(windowOrg, windowExt);
        image->m_size = QSize(ClampSide(std::abs(windowExt.width())), ClampSide(std::abs(windowExt.height())));
    }
    image->m_bytes = std::move(bytes);
    return std::shared_ptr<const MetafileImage>(std::move(image));
}

void MetafileImage::Play(QPainter& painter, const QRect& target) const
{
    if (target.isEmpty())
        return;
    MetafilePlayer player(*this, painter, target);
    player.Run();
}

QImage MetafileImage::Render(QSize size) const
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.fill(Qt::transparent);
    QPainter painter(&image);
    Play(painter, QRect(QPoint(0, 0), size));
    return image;
}

} // namespace screens
