// Quorva run-time. Licensed under the MIT licence.
#include "runtime/GuiHandles.h"

#include <QObject>
#include <algorithm>
#include <limits>

namespace runtime::screencmd {

std::int32_t GuiHandleTable::HandleOf(QObject* object) {
    if (object == nullptr)
        return 0;
    if (auto known = m_handles.find(object); known != m_handles.end()) {
        auto entry = m_objects.find(known->second);
        if (entry != m_objects.end() && entry->second.data() == object)
            return known->second;
        // The object that had this address went; a new one lives there now.
        if (entry != m_objects.end())
            m_objects.erase(entry);
        m_handles.erase(known);
    }
    if (m_objects.size() >= m_sweepAt)
        DropGoneEntries();
    const std::int32_t handle = NextFreeNumber();
    m_objects.emplace(handle, QPointer<QObject>(object));
    m_handles.emplace(object, handle);
    return handle;
}

QObject* GuiHandleTable::ObjectOf(std::int32_t handle) const {
    if (handle <= 0)
        return nullptr;
    auto entry = m_objects.find(handle);
    return entry != m_objects.end() ? entry->second.data() : nullptr;
}

void GuiHandleTable::Forget(std::int32_t handle) {
    auto entry = m_objects.find(handle);
    if (entry == m_objects.end())
        return;
    for (auto known = m_handles.begin(); known != m_handles.end(); ++known) {
        if (known->second == handle) {
            m_handles.erase(known);
            break;
        }
    }
    m_objects.erase(entry);
}

std::size_t GuiHandleTable::Size() const {
    std::size_t live = 0;
    for (const auto& entry : m_objects)
        live += entry.second.isNull() ? 0 : 1;
    return live;
}

void GuiHandleTable::DropGoneEntries() {
    for (auto entry = m_objects.begin(); entry != m_objects.end();) {
        if (entry->second.isNull())
            entry = m_objects.erase(entry);
        else
            ++entry;
    }
    for (auto known = m_handles.begin(); known != m_handles.end();) {
        if (m_objects.find(known->second) == m_objects.end())
            known = m_handles.erase(known);
        else
            ++known;
    }
    m_sweepAt = std::max<std::size_t>(64, 2 * m_objects.size());
}

std::int32_t GuiHandleTable::NextFreeNumber() {
    // Numbers count up; after the last positive one they start again at 1, skipping the ones
    // still in use.
    while (m_objects.find(m_next) != m_objects.end())
        m_next = m_next == std::numeric_limits<std::int32_t>::max() ? 1 : m_next + 1;
    const std::int32_t handle = m_next;
    m_next = m_next == std::numeric_limits<std::int32_t>::max() ? 1 : m_next + 1;
    return handle;
}

GuiHandleTable& GuiHandles() {
    static GuiHandleTable table;
    return table;
}

} // namespace runtime::screencmd
