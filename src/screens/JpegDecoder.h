// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <string_view>

#include <QImage>

#include "platform/Result.h"

namespace screens {

// Decodes a JPEG file held in memory into RGB32 pixels through libjpeg (grey, YCbCr, RGB, CMYK
// and YCCK images). A damaged or cut file, one larger than kMaxPicturePixels or with an
// unreasonable number of progressive scans fails with libjpeg's own message; libjpeg's warnings
// (recoverable damage) are logged and the picture is kept. Any thread; nothing shared.
platform::Result<QImage> DecodeJpeg(std::string_view bytes);

} // namespace screens
