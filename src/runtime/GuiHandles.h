// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <unordered_map>

#include <QPointer>

class QObject;

namespace runtime::screencmd {

// The numbers that stand for windows, controls and popup menus in unit code (GETFORMHANDLE,
// GETHDLECOMPONENT, POPUPMENUCREATE ...). A handle is a positive 32-bit number, never a host
// pointer: unit code can store, compare and hand it back, and a stale or made-up number finds
// nothing instead of touching memory. An object keeps its number for as long as it lives; a
// number is not given again while its object lives, and an object that went reads back as
// null. GUI thread only.
class GuiHandleTable {
public:
    // The handle of `object`, made on first use; 0 for null.
    std::int32_t HandleOf(QObject* object);
    // The object a handle stands for; null for 0, a number never given, or an object gone.
    QObject* ObjectOf(std::int32_t handle) const;
    template <typename T> T* Find(std::int32_t handle) const {
        return dynamic_cast<T*>(ObjectOf(handle));
    }
    // Drops the handle: it finds nothing from now on.
    void Forget(std::int32_t handle);
    // The live entries (for tests and diagnostics).
    std::size_t Size() const;

private:
    void DropGoneEntries();
    std::int32_t NextFreeNumber();

    std::unordered_map<std::int32_t, QPointer<QObject>> m_objects;
    std::unordered_map<const QObject*, std::int32_t> m_handles;
    std::int32_t m_next = 1;
    // Entries are swept once the table has grown past this since the last sweep.
    std::size_t m_sweepAt = 64;
};

// The run-time's one table.
GuiHandleTable& GuiHandles();

} // namespace runtime::screencmd
