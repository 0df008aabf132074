// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Result.h"
#include "screens/Picture.h"

namespace screens {

// The name part that picture look-ups add their extensions to: the text up to its first ".".
std::string PictureBaseName(std::string_view text);

// The bytes of the project file `name` (code-page bytes): through the package of Globals() when
// there is one (its entry first, then the disk), else from the disk through the path mapping.
// Empty when no such file exists or it cannot be read; a file bigger than kMaxPictureFileSize
// is refused with a log line.
std::optional<std::string> ReadPictureFile(std::string_view name);

// Decodes the bytes of a picture file of the given type (Bitmap, Metafile or Jpeg). A
// metafile's image is rendered at its own size, at most kMaxMetafilePreview on each side.
platform::Result<Picture> DecodePicture(std::string_view bytes, Picture::Type type);

constexpr int kMaxMetafilePreview = 2048;
constexpr std::uint64_t kMaxPictureFileSize = 512ULL * 1024 * 1024;

} // namespace screens
