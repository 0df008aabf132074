// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "screens/Picture.h"

namespace screens {

// The pictures program code holds by handle (OPENBMP, GETHANDLEBMP, SETHANDLEBMP). A handle is a
// small number from 1, never an address; 0 means none. Opening the same file name again (case
// ignored) reloads it under its old handle, and asking the handle of a picture already held
// gives the same handle, so that code that asks every cycle does not fill the table. The table
// holds at most kMaxHandles pictures; beyond that no new handle is given. GUI thread; one table,
// in the screens' globals.
class PictureHandles {
public:
    static constexpr std::size_t kMaxHandles = 1024;

    // Holds the picture opened from file `name`; its handle, or 0 when the table is full or the
    // picture is empty.
    std::int32_t Open(const std::string& name, Picture picture);
    // The handle of a picture (the same pixels as one already held give its handle; others are
    // added); 0 for an empty picture or a full table.
    std::int32_t HandleOf(const Picture& picture);
    // The picture of a handle, or null for a handle that is not held.
    const Picture* Find(std::int32_t handle) const;
    std::size_t Count() const { return m_pictures.size(); }
    void Clear();

private:
    std::int32_t Add(Picture picture);

    std::map<std::int32_t, Picture> m_pictures;
    std::map<std::string, std::int32_t> m_byName; // upper-cased file name
    std::int32_t m_next = 1;
};

} // namespace screens
