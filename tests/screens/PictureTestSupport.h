// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include <QColor>
#include <QImage>
#include <QPainter>

#include <jpeglib.h>

namespace picturetest {

// The background the picture tests draw on.
inline const QColor kPictureBackground(0x12, 0x34, 0x56);

inline void Put16(std::string& out, int value)
{
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

inline void Put32(std::string& out, std::uint32_t value)
{
    Put16(out, static_cast<int>(value & 0xFFFF));
    Put16(out, static_cast<int>(value >> 16));
}

// A bottom-up Windows bitmap file of `image` with 8 (palette of the image's colours, at most
// 256), 24 or 32 bits per pixel.
inline std::string BmpBytes(const QImage& source, int bits)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    std::vector<QRgb> palette;
    if (bits == 8) {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y);
                if (std::find(palette.begin(), palette.end(), c) == palette.end())
                    palette.push_back(c);
            }
    }
    const int rowBytes = ((image.width() * bits + 31) / 32) * 4;
    const auto paletteBytes = static_cast<std::uint32_t>(palette.size() * 4);
    const std::uint32_t offset = 14 + 40 + paletteBytes;
    std::string out = "BM";
    Put32(out, offset + static_cast<std::uint32_t>(rowBytes * image.height()));
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(image.width()));
    Put32(out, static_cast<std::uint32_t>(image.height()));
    Put16(out, 1);
    Put16(out, bits);
    Put32(out, 0); // uncompressed
    Put32(out, static_cast<std::uint32_t>(rowBytes * image.height()));
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, static_cast<std::uint32_t>(palette.size()));
    Put32(out, 0);
    for (QRgb c : palette) {
        out.push_back(static_cast<char>(qBlue(c)));
        out.push_back(static_cast<char>(qGreen(c)));
        out.push_back(static_cast<char>(qRed(c)));
        out.push_back('\0');
    }
    for (int y = image.height() - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (bits == 8) {
                row.push_back(static_cast<char>(std::find(palette.begin(), palette.end(), c) - palette.begin()));
                continue;
            }
            row.push_back(static_cast<char>(qBlue(c)));
            row.push_back(static_cast<char>(qGreen(c)));
            row.push_back(static_cast<char>(qRed(c)));
            if (bits == 32)
                row.push_back('\0');
        }
        row.resize(static_cast<std::size_t>(rowBytes), '\0');
        out += row;
    }
    return out;
}

// An image filled with `colour`.
inline QImage Filled(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

namespace detail {
struct JpegErrors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};
inline void OnJpegError(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<JpegErrors*>(cinfo->err)->jump, 1);
}
// Plain C structures only between setjmp and longjmp.
inline bool Compress(const QImage* image, bool grey, int quality, unsigned char** buffer, unsigned long* size)
{
    jpeg_compress_struct cinfo;
    JpegErrors errors;
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = OnJpegError;
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, buffer, size);
    cinfo.image_width = static_cast<JDIMENSION>(image->width());
    cinfo.image_height = static_cast<JDIMENSION>(image->height());
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    unsigned char row[4096 * 3];
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < image->width(); ++x) {
            const QRgb c = image->pixel(x, y);
            if (grey) {
                row[x] = static_cast<unsigned char>(qGray(c));
            } else {
                row[3 * x] = static_cast<unsigned char>(qRed(c));
                row[3 * x + 1] = static_cast<unsigned char>(qGreen(c));
                row[3 * x + 2] = static_cast<unsigned char>(qBlue(c));
            }
        }
        JSAMPROW rows[1] = {row};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}
} // namespace detail

// A JPEG file of `image` (at most 4096 pixels wide) written with libjpeg.
inline std::string JpegBytes(const QImage& image, int quality = 100, bool grey = false)
{
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool ok = detail::Compress(&image, grey, quality, &buffer, &size);
    std::string out = ok ? std::string(reinterpret_cast<char*>(buffer), size) : std::string();
    std::free(buffer);
    return out;
}

// Builds a metafile record by record: parameters are 16-bit words in file order.
class WmfBuilder {
public:
    // A placeable file with this bounding box and logical units per inch.
    WmfBuilder(int left, int top, int right, int bottom, int inch)
    {
        Put32(m_head, 0x9AC6CDD7);
        Put16(m_head, 0);
        Put16(m_head, left);
        Put16(m_head, top);
        Put16(m_head, right);
        Put16(m_head, bottom);
        Put16(m_head, inch);
        Put32(m_head, 0);
        Put16(m_head, 0); // checksum, not checked by players
    }
    WmfBuilder() = default;

    WmfBuilder& Record(std::uint16_t function, std::initializer_list<int> words)
    {
        Put32(m_records, static_cast<std::uint32_t>(3 + words.size()));
        Put16(m_records, function);
        for (int w : words)
            Put16(m_records, w);
        return *this;
    }
    // A record with raw parameter bytes (an even count).
    WmfBuilder& RawRecord(std::uint16_t function, const std::string& params)
    {
        Put32(m_records, static_cast<std::uint32_t>(3 + params.size() / 2));
        Put16(m_records, function);
        m_records += params;
        return *this;
    }

    std::string Bytes() const
    {
        std::string out = m_head;
        std::string records = m_records;
        Put32(records, 3); // end of file
        Put16(records, 0);
        Put16(out, 1);     // in memory
        Put16(out, 9);     // header words
        Put16(out, 0x0300);
        Put32(out, static_cast<std::uint32_t>((18 + records.size()) / 2));
        Put16(out, 8);     // objects
        Put32(out, 16);
        Put16(out, 0);
        return out + records;
    }

private:
    std::string m_head;
    std::string m_records;
};

// Colour parameters of a record: 0x00BBGGRR as two words.
inline int ColourLow(QColor c) { return c.red() | c.green() << 8; }
inline int ColourHigh(QColor c) { return c.blue(); }

// An image of `size` filled with `background` and painted by `paint`.
template <typename Paint> QImage Painted(QSize size, QColor background, Paint paint)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(background);
    QPainter painter(&image);
    paint(painter);
    painter.end();
    return image;
}

inline QColor At(const QImage& image, int x, int y) { return image.pixelColor(x, y); }

} // namespace picturetest
