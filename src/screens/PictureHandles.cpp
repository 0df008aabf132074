// Quorva run-time. Licensed under the MIT licence.
#include "screens/PictureHandles.h"

#include <limits>
#include <utility>

#include "platform/CodePage.h"
#include "platform/Log.h"

namespace screens {
namespace {

bool HasPixels(const Picture& picture)
{
    return !picture.IsEmpty() && !picture.image.isNull();
}

} // namespace

std::int32_t PictureHandles::Open(const std::string& name, Picture picture)
{
    if (!HasPixels(picture))
        return 0;
    const std::string key = platform::UpperAscii(name);
    if (auto known = m_byName.find(key); known != m_byName.end()) {
        m_pictures[known->second] = std::move(picture);
        return known->second;
    }
    const std::int32_t handle = Add(std::move(picture));
    if (handle != 0)
        m_byName[key] = handle;
    return handle;
}

std::int32_t PictureHandles::HandleOf(const Picture& picture)
{
    if (!HasPixels(picture))
        return 0;
    for (const auto& [handle, held] : m_pictures)
        if (held.image.cacheKey() == picture.image.cacheKey())
            return handle;
    return Add(picture);
}

std::int32_t PictureHandles::Add(Picture picture)
{
    if (m_pictures.size() >= kMaxHandles || m_next == std::numeric_limits<std::int32_t>::max()) {
        platform::LogWarning("picture handles: the table is full ({} pictures); no new handle",
                             m_pictures.size());
        return 0;
    }
    const std::int32_t handle = m_next++;
    m_pictures.emplace(handle, std::move(picture));
    return handle;
}

const Picture* PictureHandles::Find(std::int32_t handle) const
{
    auto found = m_pictures.find(handle);
    return found != m_pictures.end() ? &found->second : nullptr;
}

void PictureHandles::Clear()
{
    m_pictures.clear();
    m_byName.clear();
    m_next = 1;
}

} // namespace screens
