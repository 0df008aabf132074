// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "screens/AttributsFig.h"
#include "screens/ClassData.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace screens {

inline constexpr int kMinSynVersion = 3;
inline constexpr int kMaxSynVersion = 7;
inline constexpr std::size_t kEditorDataSize = 145;
inline constexpr std::size_t kEditorTextSize = 50;
inline constexpr std::size_t kIconSize = 2238;
inline constexpr std::size_t kMaxPoints = 100;

// The window part of a screen file. Texts are bytes of the code page. The editor's bytes that the
// run-time does not read are kept as they are, so that a file written back is the same.
struct SynHeader {
    int version = 7;                     // the 12th character of the magic, as a digit
    std::string signature = "CLEQUORVAIO"; // the magic's first 11 characters (not checked)
    std::string caption;                 // at most 50 characters
    std::uint32_t colour = 0x8000000F;   // background brush (Windows colour value)
    std::int16_t left = 0;
    std::int16_t top = 0;
    std::int16_t right = 640;            // width = right - left
    std::int16_t bottom = 480;           // height = bottom - top
    std::uint8_t hasCaptionBar = 1;
    std::uint8_t sizeable = 1;
    std::uint8_t systemMenu = 1;         // also the close permission of the main window
    std::uint8_t normalWindow = 1;       // 0 = stays on top
    std::uint8_t dialogBorder = 0;
    std::uint8_t mdiFrame = 0;
    std::uint8_t mdiChild = 0;
    std::uint8_t centred = 0;
    std::uint8_t maximized = 0;
    std::string editorData = std::string(kEditorDataSize, '\0'); // offsets 85..229, not read
    std::uint16_t windowFlags = 0;       // bit 0: tool window

    bool operator==(const SynHeader&) const = default;
};

// The extended window block of version 7 files.
struct SynExtendedBlock {
    std::int32_t minWidth = 0;
    std::int32_t maxWidth = 0;  // 0 = the maximized width of the screen
    std::int32_t minHeight = 0;
    std::int32_t maxHeight = 0; // 0 = the maximized height of the screen
    std::uint8_t unread16 = 0;  // block offset 16, not read by the run-time
    std::uint8_t autoScroll = 0;
    std::string editorText = std::string(kEditorTextSize, '\0'); // editor data, kept raw
    std::string icon = std::string(kIconSize, '\0'); // a whole .ICO file image, kept raw

    bool operator==(const SynExtendedBlock&) const = default;
};

struct SynPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;

    bool operator==(const SynPoint&) const = default;
};

// The control of an ActiveX object (kind 107): class identifier and persisted property stream.
struct SynActiveX {
    std::string classId;
    std::string data;

    bool operator==(const SynActiveX&) const = default;
};

// One object record with what follows it in the file.
struct SynObject {
    AttributsFig attributes;
    // Record bytes the run-time does not read, kept for writing back: positions 301, 348, 350,
    // 351, 358 and 359 of the attribute record.
    std::array<std::uint8_t, 6> unreadBytes{};
    std::vector<SynPoint> points;                // PolyLine, PolyGon: at most 100
    std::array<std::uint16_t, 2> pointExtra{};   // stored after the point list, not interpreted
    SynActiveX activeX;                          // kind 107 only
    std::optional<ClassData> classData;          // when the class name names a known layout

    bool operator==(const SynObject&) const = default;
};

// Why object reading stopped.
enum class SynStopKind : std::uint8_t {
    Damaged,      // the bytes of object `objectIndex` cannot be read; that object is not kept
    UnknownClass, // object `objectIndex` names a class no layout matches; the object is kept
                  // (its record and kind data were read) but nothing after it can be
};

struct SynReadError {
    SynStopKind kind = SynStopKind::Damaged;
    int objectIndex = 0;     // 0-based
    std::size_t offset = 0;  // where the field that failed starts
    std::string message;     // names the object index, the offset and what is wrong

    bool operator==(const SynReadError&) const = default;
};

// A screen file as read: the window, the objects in file order and, when object reading stopped
// early, why. `warnings` tells what the reader tolerated (bytes after the last object, a short
// settings block); it is not part of the screen and is left out of comparisons.
struct SynScreen {
    SynHeader header;
    std::optional<SynExtendedBlock> extended; // version 7
    std::vector<SynObject> objects;
    std::optional<SynReadError> stop;
    std::size_t bytesRead = 0;
    std::vector<std::string> warnings;

    bool operator==(const SynScreen& other) const {
        return header == other.header && extended == other.extended &&
               objects == other.objects && stop == other.stop;
    }
};

} // namespace screens
