// Quorva run-time. Licensed under the MIT licence.
#include "screens/SynScreenReader.h"

#include "screens/ClassDataIo.h"
#include "screens/ClassLayouts.h"
#include "screens/FigureKind.h"
#include "screens/SynCursor.h"
#include "screens/SynObjectRecord.h"

#include <algorithm>
#include <fmt/format.h>

namespace screens {
namespace {

constexpr std::size_t kMagicSize = 13;
constexpr std::size_t kExtendedBlockAt = 230;
constexpr std::size_t kShortHeaderSize = 234;
constexpr std::size_t kLongCountAt = 2536;
// The smallest object record of version 5 to 7 (every string empty); used only to bound the
// room reserved for the objects.
constexpr std::size_t kSmallestRecord = 62;

std::string ObjectLabel(int index, const SynObject& object, bool inClassData) {
    std::string_view kindName = FigureKindName(object.attributes.kind);
    std::string kind = kindName.empty() ? fmt::format("kind {}", object.attributes.kind)
                                        : std::string(kindName);
    if (inClassData)
        return fmt::format("object {} ({}, class data {})", index, kind,
                           object.attributes.className);
    return fmt::format("object {} ({})", index, kind);
}

void ReadHeader(SynCursor& cursor, int version, SynScreen& screen) {
    SynHeader& h = screen.header;
    h.version = version;
    h.signature = cursor.Raw(kMagicSize, "magic").substr(1, 11);
    h.caption = cursor.FixedShortString(50, "caption");
    h.colour = cursor.U32("window colour");
    h.left = cursor.I16("left");
    h.top = cursor.I16("top");
    h.right = cursor.I16("right");
    h.bottom = cursor.I16("bottom");
    h.hasCaptionBar = cursor.U8("caption bar");
    h.sizeable = cursor.U8("sizeable");
    h.systemMenu = cursor.U8("system menu");
    h.normalWindow = cursor.U8("normal window");
    h.dialogBorder = cursor.U8("dialog border");
    h.mdiFrame = cursor.U8("MDI frame");
    h.mdiChild = cursor.U8("MDI child");
    h.centred = cursor.U8("centred");
    h.maximized = cursor.U8("maximized");
    h.editorData = cursor.Raw(kEditorDataSize, "editor data");
    if (version == 7) {
        SynExtendedBlock& e = screen.extended.emplace();
        e.minWidth = cursor.I32("minimum width");
        e.maxWidth = cursor.I32("maximum width");
        e.minHeight = cursor.I32("minimum height");
        e.maxHeight = cursor.I32("maximum height");
        e.unread16 = cursor.U8("extended block byte 16");
        e.autoScroll = cursor.U8("auto-scroll");
        e.editorText = cursor.Raw(kEditorTextSize, "editor text");
        e.icon = cursor.Raw(kIconSize, "window icon");
    }
}

} // namespace

platform::Result<int> ReadSynVersion(std::string_view bytes) {
    if (bytes.size() < kMagicSize)
        return platform::Fail(fmt::format("not a screen file: {} bytes, the magic alone takes {}",
                                          bytes.size(), kMagicSize));
    auto digit = static_cast<unsigned char>(bytes[kMagicSize - 1]);
    if (digit < '0' + kMinSynVersion || digit > '0' + kMaxSynVersion)
        return platform::Fail(fmt::format("not a screen file of a known version: the version "
                                          "character at offset 12 is 0x{:02x}, versions 3 to 7 "
                                          "are defined",
                                          digit));
    return digit - '0';
}

platform::Result<SynScreen> ReadScreen(std::string_view bytes) {
    auto version = ReadSynVersion(bytes);
    if (!version)
        return platform::Fail(version.Error());
    const int v = version.Value();
    SynScreen screen;
    SynCursor cursor(bytes);
    ReadHeader(cursor, v, screen);
    std::int16_t count = cursor.I16("object count");
    screen.header.windowFlags = cursor.U16("window flags");
    if (!cursor.Ok())
        return platform::Fail(fmt::format("screen file damaged: header at offset {}: {}",
                                          cursor.ErrorOffset(), cursor.Error()));
    static_assert(kExtendedBlockAt + 4 == kShortHeaderSize);
    static_assert(kExtendedBlockAt + 2306 == kLongCountAt);

    if (count > 0)
        screen.objects.reserve(std::min<std::size_t>(static_cast<std::size_t>(count),
                                                     cursor.Remaining() / kSmallestRecord + 1));
    for (int i = 0; i < count; ++i) {
        std::size_t start = cursor.Offset();
        SynObject object;
        ReadObjectRecord(cursor, v, object);
        ReadKindData(cursor, object);
        bool inClassData = false;
        const std::string className = object.attributes.className;
        if (cursor.Ok() && !className.empty()) {
            const ClassLayout* layout = FindClassLayout(className);
            if (layout == nullptr && object.attributes.kind != static_cast<std::uint8_t>(FigureKind::ActiveX)) {
                std::size_t at = cursor.Offset();
                screen.objects.push_back(std::move(object));
                screen.stop = SynReadError{
                    SynStopKind::UnknownClass, i, at,
                    fmt::format("object {} at offset {}: no screen-object class is named \"{}\"; "
                                "its data and the objects after it cannot be read",
                                i, start, className)};
                break;
            }
            if (layout != nullptr) {
                inClassData = true;
                std::vector<std::string> warnings;
                object.classData = ReadClassData(cursor, *layout, v, &warnings);
                for (const std::string& warning : warnings)
                    screen.warnings.push_back(
                        fmt::format("{}: {}", ObjectLabel(i, object, true), warning));
            }
        }
        if (!cursor.Ok()) {
            screen.stop = SynReadError{
                SynStopKind::Damaged, i, cursor.ErrorOffset(),
                fmt::format("{} at offset {}: {}", ObjectLabel(i, object, inClassData),
                            cursor.ErrorOffset(), cursor.Error())};
            break;
        }
        screen.objects.push_back(std::move(object));
    }
    screen.bytesRead = cursor.Offset();
    if (!screen.stop && cursor.Remaining() > 0)
        screen.warnings.push_back(fmt::format("{} bytes after the last object, from offset {}, "
                                              "are not read",
                                              cursor.Remaining(), cursor.Offset()));
    return screen;
}

} // namespace screens
