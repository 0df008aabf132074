// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "engine/QruModule.h"
#include "platform/GuestMemory.h"

#include <fstream>
#include <optional>
#include <string>
#include <string_view>

namespace engine {

// The debug map of one unit, written by the loader while a debug session is on: "UNIT.VAD" holds
// exactly 4 bytes, the unit's code base address (little-endian), and "UNIT.VID" one line per
// variable record in table order (constants included):
//   NAME=ADDRESS=TYPE=ELEMENTTYPE=TYPENAME
// with the address, type and element type in decimal, texts as code-page bytes, and lines ended
// with CR LF as the editor's text files are. Both files are deleted first, then written.
//
// The object owns the open ".VID" file and closes it when it goes; it is moved, not copied.
// One thread uses it at a time (the loader's).
class DebugMap {
public:
    // `unitPath` is a project path: the unit's directory, "\" and its upper-case name, or the name
    // alone. Nullopt, with the reason logged, when either file cannot be written.
    static std::optional<DebugMap> Begin(std::string_view unitPath,
                                         platform::GuestAddress codeBase);

    DebugMap(DebugMap&&) noexcept = default;
    DebugMap& operator=(DebugMap&&) noexcept = default;
    DebugMap(const DebugMap&) = delete;
    DebugMap& operator=(const DebugMap&) = delete;
    ~DebugMap() = default;

    // Appends the line of one variable record placed at `address`. Line breaks inside the texts
    // of a damaged module are written as blanks so that every record stays one line.
    void AddVariable(const QruVariable& variable, platform::GuestAddress address);
    // Flushes and closes the ".VID" file now; false when a write failed. Later calls do nothing.
    bool Close();

    const std::string& VidPath() const { return m_vidPath; }

private:
    DebugMap(std::string vidPath, std::ofstream file)
        : m_vidPath(std::move(vidPath)), m_file(std::move(file)) {}

    std::string m_vidPath; // host path
    std::ofstream m_file;
};

} // namespace engine
