// Quorva run-time. Licensed under the MIT licence.
#include "screens/JpegDecoder.h"

#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#include "platform/Log.h"
#include "screens/BmpInfo.h"

namespace screens {

namespace {

// A progressive file may hold any number of scans, each a full pass over the image; a file
// built to hold thousands would keep the GUI thread busy for minutes.
constexpr int kMaxScans = 1000;
constexpr long kMaxDecoderMemory = 512L * 1024 * 1024;

// libjpeg reports a fatal error through error_exit, which must not return. It jumps back to
// DecodeWithLibjpeg, a function whose frame holds only C structures, so that the jump skips no
// C++ destructor.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    int warnings;
    char firstWarning[JMSG_LENGTH_MAX];
};

struct ProgressLimit {
    jpeg_progress_mgr pub;
    bool tooManyScans;
};

void OnError(j_common_ptr cinfo)
{
    auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->message);
    std::longjmp(manager->jump, 1);
}

void OnMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return; // trace messages
    auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (manager->warnings++ == 0)
        (*cinfo->err->format_message)(cinfo, manager->firstWarning);
}

void OnProgress(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor)
        return;
    auto* decoder = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (decoder->input_scan_number <= kMaxScans)
        return;
    auto* limit = reinterpret_cast<ProgressLimit*>(cinfo->progress);
    limit->tooManyScans = true;
    auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::snprintf(manager->message, sizeof manager->message, "more than %d progressive scans", kMaxScans);
    std::longjmp(manager->jump, 1);
}

void CmykToRgb32(const JSAMPLE* cmyk, QRgb* out, JDIMENSION width, bool inverted)
{
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4) {
        int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[x] = qRgb(c * k / 255, m * k / 255, y * k / 255);
    }
}

// The whole libjpeg conversation. `image` is allocated here once the size is known; on failure
// `message` says why and the return is false. Holds no C++ object with a destructor.
bool DecodeWithLibjpeg(const unsigned char* data, unsigned long size, QImage* image, ErrorManager* errors)
{
    jpeg_decompress_struct cinfo;
    ProgressLimit progress;
    std::memset(&progress, 0, sizeof progress);
    progress.pub.progress_monitor = OnProgress;

    cinfo.err = jpeg_std_error(&errors->pub);
    errors->pub.error_exit = OnError;
    errors->pub.emit_message = OnMessage;
    if (setjmp(errors->jump) != 0) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.progress = &progress.pub;
    cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
    jpeg_mem_src(&cinfo, data, size);
    jpeg_read_header(&cinfo, TRUE);

    if (static_cast<long long>(cinfo.image_width) * cinfo.image_height > kMaxPicturePixels ||
        cinfo.image_width > INT_MAX / 4 || cinfo.image_height > INT_MAX) {
        std::snprintf(errors->message, sizeof errors->message, "image of %u x %u pixels not accepted",
            cinfo.image_width, cinfo.image_height);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    if (cmyk)
        cinfo.out_color_space = JCS_CMYK;
    else
        cinfo.out_color_space = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? JCS_EXT_BGRA : JCS_EXT_ARGB;
    jpeg_start_decompress(&cinfo);

    *image = QImage(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height),
        QImage::Format_RGB32);
    if (image->isNull()) {
        std::snprintf(errors->message, sizeof errors->message, "no memory for %u x %u pixels",
            cinfo.output_width, cinfo.output_height);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    JSAMPARRAY cmykRow = cmyk
        ? (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, cinfo.output_width * 4, 1)
        : nullptr;
    const bool adobeInverted = cinfo.saw_Adobe_marker != 0;
    while (cinfo.output_scanline < cinfo.output_height) {
        auto* line = image->scanLine(static_cast<int>(cinfo.output_scanline));
        if (cmyk) {
            jpeg_read_scanlines(&cinfo, cmykRow, 1);
            CmykToRgb32(cmykRow[0], reinterpret_cast<QRgb*>(line), cinfo.output_width, adobeInverted);
        } else {
            JSAMPROW row = line;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

} // namespace

platform::Result<QImage> DecodeJpeg(std::string_view bytes)
{
    if (bytes.empty())
        return platform::Fail("empty JPEG file");
    ErrorManager errors;
    std::memset(&errors, 0, sizeof errors);
    QImage image;
    if (!DecodeWithLibjpeg(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &image, &errors))
        return platform::Fail(errors.message);
    if (errors.warnings > 0)
        platform::LogWarning("JPEG picture partly damaged ({} warnings; first: {})", errors.warnings,
            errors.firstWarning);
    return image;
}

} // namespace screens
