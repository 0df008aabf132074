// Quorva run-time. Licensed under the MIT licence.
#include "screens/SynObjectRecord.h"

#include "screens/FigureKind.h"

#include <fmt/format.h>
#include <limits>

namespace screens {
namespace {

constexpr std::size_t kParentNameLength = 15;
constexpr std::size_t kClassNameSlots = 10;
constexpr std::size_t kFontNameLength = 31;
constexpr std::size_t kObjectNameLength = 15;
constexpr std::uint8_t kActiveXKind = static_cast<std::uint8_t>(FigureKind::ActiveX);

// A text of at most `length` characters: a short string (kept to `length`) from version 5 on, a
// fixed short string of `length` slots before.
std::string ReadSlotText(SynCursor& cursor, bool fixed, std::size_t length, std::string_view what) {
    return fixed ? cursor.FixedShortString(length, what) : cursor.ShortString(what, length);
}

void WriteSlotText(SynByteWriter& writer, bool fixed, std::string_view text, std::size_t length,
                   std::string_view what) {
    if (fixed)
        writer.FixedShortString(text, length, what);
    else
        writer.ShortString(text, what, length);
}

} // namespace

void ReadObjectRecord(SynCursor& cursor, int version, SynObject& object) {
    AttributsFig& a = object.attributes;
    std::array<std::uint8_t, 6>& unread = object.unreadBytes;
    const bool fixed = version <= 4;
    a.kind = cursor.U8("kind");
    a.parentName = ReadSlotText(cursor, fixed, kParentNameLength, "parent name");
    a.linkGroup = cursor.I16("link group");
    a.text = cursor.ShortString("text");
    a.pageValue = cursor.U8("page value");
    a.className = ReadSlotText(cursor, fixed, kClassNameSlots, "class name");
    a.x1 = cursor.I16("X1");
    a.y1 = cursor.I16("Y1");
    a.x2 = cursor.I16("X2");
    a.y2 = cursor.I16("Y2");
    a.foreColour = cursor.U32("fore colour");
    a.penStyle = cursor.U8("pen style");
    a.penWidth = cursor.U8("pen width");
    unread[0] = cursor.U8("record byte 301");
    a.backColour = cursor.U32("back colour");
    a.filled = cursor.U8("filled");
    a.fontName = ReadSlotText(cursor, fixed, kFontNameLength, "font name");
    a.fontHeight = cursor.I16("font height");
    a.bold = cursor.U8("bold");
    a.italic = cursor.U8("italic");
    a.underline = cursor.U8("underline");
    a.strikeOut = cursor.U8("strike-out");
    a.pageLayer = cursor.U8("page layer");
    a.tabCount = cursor.U8("tab count");
    a.multiLine = cursor.U8("multi-line");
    unread[1] = cursor.U8("record byte 348");
    a.sorted = cursor.U8("sorted");
    unread[2] = cursor.U8("record byte 350");
    unread[3] = cursor.U8("record byte 351");
    a.alignment = cursor.U8("alignment");
    a.editOption = cursor.U8("edit option");
    a.memoVScroll = cursor.U8("memo vertical scroll bar");
    a.password = cursor.U8("password");
    a.angle = cursor.U16("angle");
    unread[4] = cursor.U8("record byte 358");
    unread[5] = cursor.U8("record byte 359");
    a.objectName = ReadSlotText(cursor, fixed, kObjectNameLength, "object name");
    a.options = cursor.I16("options");
    if (version == 3)
        return;
    a.secondLinkKey = cursor.I32("second link key");
    a.unitName = cursor.ShortString("unit name");
    a.arguments = version == 4 ? cursor.ShortString("argument list")
                               : cursor.ChunkedString("argument list");
}

void WriteObjectRecord(SynByteWriter& writer, int version, const SynObject& object) {
    const AttributsFig& a = object.attributes;
    const std::array<std::uint8_t, 6>& unread = object.unreadBytes;
    const bool fixed = version <= 4;
    if (version == 3 && (a.secondLinkKey != 0 || !a.unitName.empty() || !a.arguments.empty())) {
        writer.Fail("a version 3 record has no second link key, unit name or argument list");
        return;
    }
    writer.U8(a.kind);
    WriteSlotText(writer, fixed, a.parentName, kParentNameLength, "parent name");
    writer.I16(a.linkGroup);
    writer.ShortString(a.text, "text");
    writer.U8(a.pageValue);
    WriteSlotText(writer, fixed, a.className, kClassNameSlots, "class name");
    writer.I16(a.x1);
    writer.I16(a.y1);
    writer.I16(a.x2);
    writer.I16(a.y2);
    writer.U32(a.foreColour);
    writer.U8(a.penStyle);
    writer.U8(a.penWidth);
    writer.U8(unread[0]);
    writer.U32(a.backColour);
    writer.U8(a.filled);
    WriteSlotText(writer, fixed, a.fontName, kFontNameLength, "font name");
    writer.I16(a.fontHeight);
    for (std::uint8_t value : {a.bold, a.italic, a.underline, a.strikeOut, a.pageLayer, a.tabCount,
                               a.multiLine, unread[1], a.sorted, unread[2], unread[3], a.alignment,
                               a.editOption, a.memoVScroll, a.password})
        writer.U8(value);
    writer.U16(a.angle);
    writer.U8(unread[4]);
    writer.U8(unread[5]);
    WriteSlotText(writer, fixed, a.objectName, kObjectNameLength, "object name");
    writer.I16(a.options);
    if (version == 3)
        return;
    writer.I32(a.secondLinkKey);
    writer.ShortString(a.unitName, "unit name");
    if (version == 4)
        writer.ShortString(a.arguments, "argument list");
    else
        writer.ChunkedString(a.arguments, "argument list");
}

void ReadKindData(SynCursor& cursor, SynObject& object) {
    std::uint8_t kind = object.attributes.kind;
    if (HasPointList(kind)) {
        std::size_t at = cursor.Offset();
        std::uint16_t count = cursor.U16("point count");
        if (cursor.Ok() && count > kMaxPoints) {
            cursor.Fail(at, fmt::format("point count {} is above {}", count, kMaxPoints));
            return;
        }
        object.points.resize(count);
        for (std::size_t i = 0; i < kMaxPoints; ++i) {
            std::int32_t x = cursor.I32("point list");
            std::int32_t y = cursor.I32("point list");
            if (i < count)
                object.points[i] = SynPoint{x, y};
        }
        object.pointExtra[0] = cursor.U16("value after the point list");
        object.pointExtra[1] = cursor.U16("value after the point list");
    } else if (kind == kActiveXKind) {
        object.activeX.classId = cursor.ShortString("ActiveX class identifier");
        std::size_t at = cursor.Offset();
        std::int32_t size = cursor.I32("ActiveX property stream size");
        if (!cursor.Ok())
            return;
        if (size < 0 || static_cast<std::size_t>(size) > cursor.Remaining()) {
            cursor.Fail(at, fmt::format("ActiveX property stream of {} bytes does not fit in the "
                                        "{} bytes left",
                                        size, cursor.Remaining()));
            return;
        }
        object.activeX.data = cursor.Raw(static_cast<std::size_t>(size), "ActiveX property stream");
    }
}

void WriteKindData(SynByteWriter& writer, const SynObject& object) {
    std::uint8_t kind = object.attributes.kind;
    if (!HasPointList(kind) && (!object.points.empty() || object.pointExtra != decltype(object.pointExtra){})) {
        writer.Fail("points belong only to PolyLine and PolyGon objects");
        return;
    }
    if (kind != kActiveXKind && (!object.activeX.classId.empty() || !object.activeX.data.empty())) {
        writer.Fail("an ActiveX control belongs only to ActiveX objects (kind 107)");
        return;
    }
    if (HasPointList(kind)) {
        if (object.points.size() > kMaxPoints) {
            writer.Fail(fmt::format("{} points, at most {} fit", object.points.size(), kMaxPoints));
            return;
        }
        writer.U16(static_cast<std::uint16_t>(object.points.size()));
        for (const SynPoint& point : object.points) {
            writer.I32(point.x);
            writer.I32(point.y);
        }
        writer.Zeros((kMaxPoints - object.points.size()) * 8);
        writer.U16(object.pointExtra[0]);
        writer.U16(object.pointExtra[1]);
    } else if (kind == kActiveXKind) {
        writer.ShortString(object.activeX.classId, "ActiveX class identifier");
        if (object.activeX.data.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
            writer.Fail("ActiveX property stream too large");
            return;
        }
        writer.I32(static_cast<std::int32_t>(object.activeX.data.size()));
        writer.Raw(object.activeX.data);
    }
}

} // namespace screens
