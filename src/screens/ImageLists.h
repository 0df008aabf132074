// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include <QIcon>
#include <QImage>
#include <QSize>

namespace screens {

// The images of a tree view, list view or page control, in the order they were added, all shown
// at one size. Each list has a handle: a number unique in the process (from 1), which unit code
// receives instead of an address. GUI thread; owned by its screen object.
class ImageList {
public:
    static constexpr int kMaxImages = 1024;
    static constexpr int kMaxSide = 256;

    ImageList();

    // Loads the picture `name` (a bitmap, metafile or JPEG of the project, as a Bmp figure finds
    // it) and appends it; false when none is found or the list is full.
    bool Add(std::string_view name);
    // Appends an image directly (tests, pictures already decoded); false for a null image or a
    // full list.
    bool Add(const QImage& image);
    int Count() const { return static_cast<int>(m_images.size()); }
    // The icon of image `index` at the list's size; a null icon for no such image. With
    // `selected` (-1 none) the icon shows that image instead while its item is selected.
    QIcon Icon(int index, int selected = -1) const;
    // The size images are shown at (16 x 16 until set); false for a side outside 1..kMaxSide.
    bool SetImageSize(int width, int height);
    QSize ImageSize() const { return m_size; }
    std::int32_t Handle() const { return m_handle; }

private:
    QPixmap Scaled(int index) const;

    std::vector<QImage> m_images;
    QSize m_size{16, 16};
    std::int32_t m_handle;
};

} // namespace screens
