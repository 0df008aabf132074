// Quorva run-time. Licensed under the MIT licence.
#include "JsonMembers.h"
#include "SynJson.h"

#include "screens/ClassDataIo.h"
#include "screens/ClassLayouts.h"
#include "screens/FigureKind.h"
#include "screens/SynCursor.h"

#include <fmt/format.h>

namespace synjson {
namespace {

using screens::FieldType;

constexpr std::uint8_t kActiveXKind = static_cast<std::uint8_t>(screens::FigureKind::ActiveX);

void ReadHeader(JsonErrors& errors, const Json* json, screens::SynHeader& h) {
    JsonMembers m(errors, json, "header");
    m.Text("signature", h.signature, 11);
    if (errors.Ok() && h.signature.size() != 11)
        errors.Fail(m.PathOf("signature"), "exactly 11 characters expected");
    m.Text("caption", h.caption, 50);
    m.Colour("colour", h.colour);
    m.Number("left", h.left);
    m.Number("top", h.top);
    m.Number("right", h.right);
    m.Number("bottom", h.bottom);
    m.Number("hasCaptionBar", h.hasCaptionBar);
    m.Number("sizeable", h.sizeable);
    m.Number("systemMenu", h.systemMenu);
    m.Number("normalWindow", h.normalWindow);
    m.Number("dialogBorder", h.dialogBorder);
    m.Number("mdiFrame", h.mdiFrame);
    m.Number("mdiChild", h.mdiChild);
    m.Number("centred", h.centred);
    m.Number("maximized", h.maximized);
    m.Number("windowFlags", h.windowFlags);
    m.Hex("editorData", h.editorData, screens::kEditorDataSize);
    m.Finish();
}

void ReadExtended(JsonErrors& errors, const Json* json, screens::SynExtendedBlock& e) {
    JsonMembers m(errors, json, "extended");
    m.Number("minWidth", e.minWidth);
    m.Number("maxWidth", e.maxWidth);
    m.Number("minHeight", e.minHeight);
    m.Number("maxHeight", e.maxHeight);
    m.Number("unread16", e.unread16);
    m.Number("autoScroll", e.autoScroll);
    m.Hex("editorText", e.editorText, screens::kEditorTextSize);
    m.Hex("icon", e.icon, screens::kIconSize);
    m.Finish();
}

void ReadField(JsonErrors& errors, const Json& json, const std::string& path,
               const screens::FieldSpec& field, screens::FieldValue& value) {
    auto texts = [&](std::size_t limit, bool hex) {
        if (!json.is_array()) {
            errors.Fail(path, "expected an array");
            return;
        }
        value.items.assign(json.size(), {});
        for (std::size_t i = 0; i < json.size() && errors.Ok(); ++i) {
            std::string itemPath = fmt::format("{}[{}]", path, i);
            if (hex)
                HexValue(errors, json[i], itemPath, limit, value.items[i]);
            else
                TextValue(errors, json[i], itemPath, limit, value.items[i]);
        }
    };
    switch (field.type) {
    case FieldType::Byte: IntegerValue(errors, json, path, 0, 255, value.number); break;
    case FieldType::Int16: IntegerValue(errors, json, path, -32768, 32767, value.number); break;
    case FieldType::Int32:
        IntegerValue(errors, json, path, std::numeric_limits<std::int32_t>::min(),
                     std::numeric_limits<std::int32_t>::max(), value.number);
        break;
    case FieldType::ColumnCount:
        IntegerValue(errors, json, path, 0, std::numeric_limits<std::int32_t>::max(), value.number);
        break;
    case FieldType::PageTabStyle:
        // null: the file holds no tab style (the page count comes first).
        value.present = !json.is_null();
        if (value.present)
            IntegerValue(errors, json, path, 0, 255, value.number);
        break;
    case FieldType::Raw:
    case FieldType::SettingsBlock: HexValue(errors, json, path, field.size, value.bytes); break;
    case FieldType::Name:
    case FieldType::String256: TextValue(errors, json, path, 255, value.bytes); break;
    case FieldType::FixedString: TextValue(errors, json, path, field.size, value.bytes); break;
    case FieldType::List:
    case FieldType::PageCaptions: texts(255, false); break;
    case FieldType::ColumnList: texts(field.size, true); break;
    }
}

void ReadClassData(JsonErrors& errors, const Json* json, const std::string& path,
                   const screens::ClassLayout& layout, screens::ClassData& data) {
    data = screens::DefaultClassData(layout);
    if (json == nullptr)
        return;
    if (!json->is_object()) {
        errors.Fail(path, "expected an object of class data fields");
        return;
    }
    bool countGiven = false;
    for (const auto& [key, value] : json->items()) {
        std::string fieldPath = fmt::format("{}.{}", path, key);
        int index = layout.FieldIndex(key);
        if (index < 0) {
            errors.Fail(fieldPath, fmt::format("class {} has no such field", layout.name));
            return;
        }
        const screens::FieldSpec& field = layout.fields[static_cast<std::size_t>(index)];
        countGiven = countGiven || field.type == FieldType::ColumnCount;
        ReadField(errors, value, fieldPath, field, data.values[static_cast<std::size_t>(index)]);
        if (!errors.Ok())
            return;
    }
    // A grid's column count defaults to the number of columns given.
    if (!countGiven)
        for (std::size_t i = 0; i < layout.fields.size(); ++i)
            if (layout.fields[i].type == FieldType::ColumnList)
                for (std::size_t c = 0; c < layout.fields.size(); ++c)
                    if (layout.fields[c].type == FieldType::ColumnCount)
                        data.values[c].number = static_cast<std::int64_t>(data.values[i].items.size());
    if (auto status = screens::CheckClassData(data); !status)
        errors.Fail(path, status.Error());
}

void ReadPoints(JsonErrors& errors, const Json& json, const std::string& path,
                std::vector<screens::SynPoint>& points) {
    if (!json.is_array() || json.size() > screens::kMaxPoints) {
        errors.Fail(path, fmt::format("expected an array of at most {} points [x, y]",
                                      screens::kMaxPoints));
        return;
    }
    for (std::size_t i = 0; i < json.size() && errors.Ok(); ++i) {
        std::string pointPath = fmt::format("{}[{}]", path, i);
        const Json& point = json[i];
        if (!point.is_array() || point.size() != 2) {
            errors.Fail(pointPath, "expected a point [x, y]");
            return;
        }
        std::int64_t x = 0;
        std::int64_t y = 0;
        constexpr std::int64_t low = std::numeric_limits<std::int32_t>::min();
        constexpr std::int64_t high = std::numeric_limits<std::int32_t>::max();
        if (IntegerValue(errors, point[0], pointPath + "[0]", low, high, x) &&
            IntegerValue(errors, point[1], pointPath + "[1]", low, high, y))
            points.push_back({static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)});
    }
}

void ReadKind(JsonErrors& errors, const Json* json, const std::string& path, std::uint8_t& kind) {
    if (json == nullptr) {
        errors.Fail(path, "missing: every object needs its kind");
        return;
    }
    if (json->is_string()) {
        auto code = screens::FigureKindFromName(json->get_ref<const std::string&>());
        if (!code)
            errors.Fail(path, fmt::format("no kind is named \"{}\"",
                                          json->get_ref<const std::string&>()));
        else
            kind = *code;
        return;
    }
    std::int64_t code = 0;
    if (IntegerValue(errors, *json, path, 0, 255, code))
        kind = static_cast<std::uint8_t>(code);
}

void ReadObject(JsonErrors& errors, const Json& json, const std::string& path,
                screens::SynObject& object) {
    JsonMembers m(errors, &json, path);
    screens::AttributsFig& a = object.attributes;
    ReadKind(errors, m.Take("kind"), m.PathOf("kind"), a.kind);
    m.Text("parentName", a.parentName, 15);
    m.Number("linkGroup", a.linkGroup);
    m.Text("text", a.text, 255);
    m.Number("pageValue", a.pageValue);
    m.Text("className", a.className, screens::kClassNameLength);
    m.Number("x1", a.x1);
    m.Number("y1", a.y1);
    m.Number("x2", a.x2);
    m.Number("y2", a.y2);
    m.Colour("foreColour", a.foreColour);
    m.Number("penStyle", a.penStyle);
    m.Number("penWidth", a.penWidth);
    m.Colour("backColour", a.backColour);
    m.Number("filled", a.filled);
    m.Text("fontName", a.fontName, 31);
    m.Number("fontHeight", a.fontHeight);
    m.Number("bold", a.bold);
    m.Number("italic", a.italic);
    m.Number("underline", a.underline);
    m.Number("strikeOut", a.strikeOut);
    m.Number("pageLayer", a.pageLayer);
    m.Number("tabCount", a.tabCount);
    m.Number("multiLine", a.multiLine);
    m.Number("sorted", a.sorted);
    m.Number("alignment", a.alignment);
    m.Number("editOption", a.editOption);
    m.Number("memoVScroll", a.memoVScroll);
    m.Number("password", a.password);
    m.Number("angle", a.angle);
    m.Text("objectName", a.objectName, 15);
    m.Number("options", a.options);
    m.Number("secondLinkKey", a.secondLinkKey);
    m.Text("unitName", a.unitName, 255);
    m.Text("arguments", a.arguments, screens::kMaxChunkedLength);
    std::string unread;
    m.Hex("unreadBytes", unread, object.unreadBytes.size());
    if (unread.size() == object.unreadBytes.size())
        for (std::size_t i = 0; i < unread.size(); ++i)
            object.unreadBytes[i] = static_cast<std::uint8_t>(unread[i]);
    if (!errors.Ok())
        return;

    const bool pointKind = screens::HasPointList(a.kind);
    if (const Json* points = m.Take("points")) {
        if (!pointKind)
            errors.Fail(m.PathOf("points"), "only PolyLine and PolyGon objects have points");
        else
            ReadPoints(errors, *points, m.PathOf("points"), object.points);
    }
    if (const Json* extra = m.Take("pointExtra")) {
        std::int64_t first = 0;
        std::int64_t second = 0;
        std::string extraPath = m.PathOf("pointExtra");
        if (!pointKind)
            errors.Fail(extraPath, "only PolyLine and PolyGon objects have points");
        else if (!extra->is_array() || extra->size() != 2)
            errors.Fail(extraPath, "expected two integers from 0 to 65535");
        else if (IntegerValue(errors, (*extra)[0], extraPath + "[0]", 0, 65535, first) &&
                 IntegerValue(errors, (*extra)[1], extraPath + "[1]", 0, 65535, second))
            object.pointExtra = {static_cast<std::uint16_t>(first), static_cast<std::uint16_t>(second)};
    }
    if (const Json* activeX = m.Take("activeX")) {
        if (a.kind != kActiveXKind) {
            errors.Fail(m.PathOf("activeX"), "only ActiveX objects (kind 107) have a control");
        } else {
            JsonMembers x(errors, activeX, m.PathOf("activeX"));
            x.Text("classId", object.activeX.classId, 255);
            x.Hex("data", object.activeX.data, std::string::npos);
            x.Finish();
        }
    }
    const Json* classData = m.Take("classData");
    if (errors.Ok() && !a.className.empty()) {
        const screens::ClassLayout* layout = screens::FindClassLayout(a.className);
        if (layout != nullptr)
            ReadClassData(errors, classData, m.PathOf("classData"), *layout,
                          object.classData.emplace());
        else if (a.kind != kActiveXKind)
            errors.Fail(m.PathOf("className"),
                        fmt::format("no screen-object class is named \"{}\"", a.className));
        else if (classData != nullptr)
            errors.Fail(m.PathOf("classData"), "the control's class has no class data");
    } else if (classData != nullptr) {
        errors.Fail(m.PathOf("classData"), "class data needs a class name");
    }
    m.Finish();
}

} // namespace

platform::Result<screens::SynScreen> ScreenFromJson(const Json& json, std::optional<int> version) {
    JsonErrors errors;
    JsonMembers top(errors, &json, "");
    if (!json.is_object())
        return platform::Fail(errors.Message());
    screens::SynScreen screen;
    std::int64_t documentVersion = screens::kMaxSynVersion;
    top.Integer("version", documentVersion, screens::kMinSynVersion, screens::kMaxSynVersion);
    screen.header.version = version.value_or(static_cast<int>(documentVersion));
    static_cast<void>(top.Take("stop"));
    ReadHeader(errors, top.Take("header"), screen.header);
    const Json* extended = top.Take("extended");
    if (screen.header.version == 7)
        ReadExtended(errors, extended, screen.extended.emplace());
    if (const Json* objects = top.Take("objects"); objects != nullptr && errors.Ok()) {
        if (!objects->is_array()) {
            errors.Fail("objects", "expected an array of objects");
        } else {
            screen.objects.resize(objects->size());
            for (std::size_t i = 0; i < objects->size() && errors.Ok(); ++i)
                ReadObject(errors, (*objects)[i], fmt::format("objects[{}]", i), screen.objects[i]);
        }
    }
    top.Finish();
    if (!errors.Ok())
        return platform::Fail(errors.Message());
    return screen;
}

} // namespace synjson
