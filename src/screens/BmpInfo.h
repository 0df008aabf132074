// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <string_view>

#include <QImage>

#include "platform/Result.h"

namespace screens {

// What the header of a Windows bitmap file says about it.
struct BmpInfo {
    int width = 0;
    int height = 0;        // as drawn (bottom-up and top-down files alike)
    int bitsPerPixel = 0;  // 1, 4, 8, 16, 24 or 32
};

// Reads the file and information headers of a bitmap file (core or info header and its
// later versions). Fails, with what is wrong, for a file that is not a bitmap or whose header
// is cut short or out of range; reads nothing outside `bytes`.
platform::Result<BmpInfo> ReadBmpInfo(std::string_view bytes);

// Decodes a bitmap file into RGB32 pixels (alpha ignored, as a screen copy does). Fails for a
// damaged file or a picture too big to hold (more than kMaxPicturePixels).
platform::Result<QImage> DecodeBmp(std::string_view bytes);

// Decodes a device-independent bitmap as metafiles embed it (information header, colour table
// and pixels, without the file header) into RGB32 pixels. `bytes` may run past the bitmap.
platform::Result<QImage> DecodeDib(std::string_view bytes);

// The largest picture any decoder accepts, in pixels (64 M: 256 MB of RGB32).
constexpr long long kMaxPicturePixels = 64LL * 1024 * 1024;

} // namespace screens
