// Quorva run-time. Licensed under the MIT licence.
#include "screens/ImageLists.h"

#include <QPixmap>

#include "platform/Log.h"
#include "screens/Picture.h"

namespace screens {
namespace {

std::int32_t NextHandle()
{
    // Handles only identify a list; they never wrap in practice (2^31 lists).
    static std::int32_t s_last = 0;
    return ++s_last;
}

} // namespace

ImageList::ImageList() : m_handle(NextHandle()) {}

bool ImageList::Add(std::string_view name)
{
    const Picture picture = LoadFigurePicture(name, Picture{});
    if (picture.IsEmpty() || picture.image.isNull()) {
        platform::LogWarning("image list: no picture \"{}\"", name);
        return false;
    }
    return Add(picture.image);
}

bool ImageList::Add(const QImage& image)
{
    if (image.isNull() || Count() >= kMaxImages)
        return false;
    m_images.push_back(image);
    return true;
}

QPixmap ImageList::Scaled(int index) const
{
    const QImage& image = m_images[static_cast<std::size_t>(index)];
    if (image.size() == m_size)
        return QPixmap::fromImage(image);
    return QPixmap::fromImage(image.scaled(m_size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

QIcon ImageList::Icon(int index, int selected) const
{
    if (index < 0 || index >= Count())
        return {};
    QIcon icon(Scaled(index));
    if (selected >= 0 && selected < Count() && selected != index)
        icon.addPixmap(Scaled(selected), QIcon::Selected);
    return icon;
}

bool ImageList::SetImageSize(int width, int height)
{
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        return false;
    m_size = QSize(width, height);
    return true;
}

} // namespace screens
