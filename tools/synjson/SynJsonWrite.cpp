// Quorva run-time. Licensed under the MIT licence.
#include "SynJson.h"

#include "platform/CodePage.h"
#include "screens/FigureKind.h"

#include <fmt/format.h>

namespace synjson {
namespace {

using screens::FieldType;

std::string Text(const std::string& bytes) { return platform::CodePageToUtf8(bytes); }

std::string Hex(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (unsigned char c : bytes)
        fmt::format_to(std::back_inserter(text), "{:02x}", c);
    return text;
}

std::string Colour(std::uint32_t value) { return fmt::format("0x{:08X}", value); }

Json HeaderJson(const screens::SynHeader& h) {
    return Json{{"signature", Text(h.signature)},
                {"caption", Text(h.caption)},
                {"colour", Colour(h.colour)},
                {"left", h.left},
                {"top", h.top},
                {"right", h.right},
                {"bottom", h.bottom},
                {"hasCaptionBar", h.hasCaptionBar},
                {"sizeable", h.sizeable},
                {"systemMenu", h.systemMenu},
                {"normalWindow", h.normalWindow},
                {"dialogBorder", h.dialogBorder},
                {"mdiFrame", h.mdiFrame},
                {"mdiChild", h.mdiChild},
                {"centred", h.centred},
                {"maximized", h.maximized},
                {"windowFlags", h.windowFlags},
                {"editorData", Hex(h.editorData)}};
}

Json ExtendedJson(const screens::SynExtendedBlock& e) {
    return Json{{"minWidth", e.minWidth},     {"maxWidth", e.maxWidth},
                {"minHeight", e.minHeight},   {"maxHeight", e.maxHeight},
                {"unread16", e.unread16},     {"autoScroll", e.autoScroll},
                {"editorText", Hex(e.editorText)}, {"icon", Hex(e.icon)}};
}

Json FieldJson(const screens::FieldSpec& field, const screens::FieldValue& value) {
    switch (field.type) {
    case FieldType::Byte:
    case FieldType::Int16:
    case FieldType::Int32:
    case FieldType::ColumnCount: return value.number;
    case FieldType::PageTabStyle: return value.present ? Json(value.number) : Json(nullptr);
    case FieldType::Raw:
    case FieldType::SettingsBlock: return Hex(value.bytes);
    case FieldType::Name:
    case FieldType::String256:
    case FieldType::FixedString: return Text(value.bytes);
    case FieldType::List:
    case FieldType::PageCaptions: {
        Json items = Json::array();
        for (const std::string& item : value.items)
            items.push_back(Text(item));
        return items;
    }
    case FieldType::ColumnList: {
        Json items = Json::array();
        for (const std::string& item : value.items)
            items.push_back(Hex(item));
        return items;
    }
    }
    return nullptr;
}

Json ObjectJson(const screens::SynObject& object) {
    const screens::AttributsFig& a = object.attributes;
    std::string_view kindName = screens::FigureKindName(a.kind);
    Json json;
    json["kind"] = kindName.empty() ? Json(a.kind) : Json(std::string(kindName));
    json["parentName"] = Text(a.parentName);
    json["linkGroup"] = a.linkGroup;
    json["text"] = Text(a.text);
    json["pageValue"] = a.pageValue;
    json["className"] = Text(a.className);
    json["x1"] = a.x1;
    json["y1"] = a.y1;
    json["x2"] = a.x2;
    json["y2"] = a.y2;
    json["foreColour"] = Colour(a.foreColour);
    json["penStyle"] = a.penStyle;
    json["penWidth"] = a.penWidth;
    json["backColour"] = Colour(a.backColour);
    json["filled"] = a.filled;
    json["fontName"] = Text(a.fontName);
    json["fontHeight"] = a.fontHeight;
    json["bold"] = a.bold;
    json["italic"] = a.italic;
    json["underline"] = a.underline;
    json["strikeOut"] = a.strikeOut;
    json["pageLayer"] = a.pageLayer;
    json["tabCount"] = a.tabCount;
    json["multiLine"] = a.multiLine;
    json["sorted"] = a.sorted;
    json["alignment"] = a.alignment;
    json["editOption"] = a.editOption;
    json["memoVScroll"] = a.memoVScroll;
    json["password"] = a.password;
    json["angle"] = a.angle;
    json["objectName"] = Text(a.objectName);
    json["options"] = a.options;
    json["secondLinkKey"] = a.secondLinkKey;
    json["unitName"] = Text(a.unitName);
    json["arguments"] = Text(a.arguments);
    if (object.unreadBytes != decltype(object.unreadBytes){})
        json["unreadBytes"] = Hex(std::string(object.unreadBytes.begin(), object.unreadBytes.end()));
    if (screens::HasPointList(a.kind)) {
        Json points = Json::array();
        for (const screens::SynPoint& point : object.points)
            points.push_back(Json::array({point.x, point.y}));
        json["points"] = points;
        json["pointExtra"] = Json::array({object.pointExtra[0], object.pointExtra[1]});
    }
    if (a.kind == static_cast<std::uint8_t>(screens::FigureKind::ActiveX))
        json["activeX"] = {{"classId", Text(object.activeX.classId)},
                           {"data", Hex(object.activeX.data)}};
    if (object.classData && object.classData->layout != nullptr) {
        const screens::ClassLayout& layout = *object.classData->layout;
        Json data = Json::object();
        for (std::size_t i = 0; i < layout.fields.size() && i < object.classData->values.size(); ++i)
            data[layout.fields[i].name] = FieldJson(layout.fields[i], object.classData->values[i]);
        json["classData"] = data;
    }
    return json;
}

} // namespace

Json ScreenToJson(const screens::SynScreen& screen) {
    Json json;
    json["version"] = screen.header.version;
    json["header"] = HeaderJson(screen.header);
    if (screen.extended)
        json["extended"] = ExtendedJson(*screen.extended);
    Json objects = Json::array();
    for (const screens::SynObject& object : screen.objects)
        objects.push_back(ObjectJson(object));
    json["objects"] = objects;
    return json;
}

Json StopToJson(const screens::SynReadError& stop) {
    return Json{{"kind", stop.kind == screens::SynStopKind::UnknownClass ? "unknownClass" : "damaged"},
                {"objectIndex", stop.objectIndex},
                {"offset", stop.offset},
                {"message", Text(stop.message)}};
}

} // namespace synjson
