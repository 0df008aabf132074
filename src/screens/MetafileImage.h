// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QImage>
#include <QRect>
#include <QSize>

#include "platform/Result.h"

class QPainter;

namespace screens {

// A Windows metafile (placeable or plain) kept as its bytes and the list of its records. Read
// only once made, so any number of figures may share one; playing it draws with the caller's
// painter (GUI thread). Records are checked when the file is read: the walk stops at the
// end-of-file record, or at a record that would run past the end of the data (the records
// before it are kept and the damage is logged).
class MetafileImage {
public:
    struct Record {
        std::uint32_t offset;   // of the record's first parameter
        std::uint32_t words;    // parameter words
        std::uint16_t function;
    };

    // Reads a metafile. Fails for data that is not a metafile, whose header is damaged or that
    // gives no size (neither a placeable header nor a window extent).
    static platform::Result<std::shared_ptr<const MetafileImage>> Parse(std::string bytes);

    // The picture's frame in logical units (placeable bounding box, else window origin and extent).
    QRect Frame() const { return m_frame; }
    // Its own size in screen pixels (96 per inch for a placeable file, else one per logical unit).
    QSize Size() const { return m_size; }
    int ObjectCount() const { return m_objectCount; }
    const std::vector<Record>& Records() const { return m_records; }
    const std::string& Bytes() const { return m_bytes; }

    // Plays the records with the frame stretched over `target` (in the painter's coordinates).
    void Play(QPainter& painter, const QRect& target) const;
    // The picture played over a transparent image of `size`.
    QImage Render(QSize size) const;

private:
    MetafileImage() = default;

    std::string m_bytes;
    std::vector<Record> m_records;
    QRect m_frame;
    QSize m_size;
    int m_objectCount = 0;
};

// Largest side of a metafile's own size, in pixels: bigger frames are scaled down to it.
constexpr int kMaxMetafileSide = 8192;

} // namespace screens
