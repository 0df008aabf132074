// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include <QImage>
#include <QSize>

class QPainter;

namespace screens {

class MetafileImage;

// A figure's picture: nothing, a bitmap, a metafile or a JPEG image. A plain value, cheap to
// copy (QImage and the metafile are shared); used on the GUI thread.
struct Picture {
    enum class Type { None, Bitmap, Metafile, Jpeg };
    Type type = Type::None;
    QImage image;          // bitmap and JPEG pixels; a metafile rendered at its own size
    int bitsPerPixel = 0;  // of a bitmap file
    std::shared_ptr<const class MetafileImage> metafile; // null unless Type::Metafile
    bool IsEmpty() const { return type == Type::None; }
};

// Loads the picture of a Bmp figure's text: base = text up to its first "."; the first of
// base+".Bmp", base+".Wmf", base+".JPG" found through the package or the disk. `current` is what
// the figure shows now (a figure that shows a JPEG keeps it when nothing is found).
Picture LoadFigurePicture(std::string_view text, const Picture& current);

// Draws a Bmp figure's picture into a client area of `size` (display modes 0, 1, 2, or a raster
// operation); `transparent`: the colour of the bitmap's bottom-left pixel is not drawn.
void DrawPicture(QPainter& painter, const Picture& picture, QSize size, std::uint8_t displayMode, bool transparent);

} // namespace screens
