// Quorva run-time. Licensed under the MIT licence.
#include "SynJson.h"
#include "screens/ClassDataIo.h"
#include "screens/ClassLayouts.h"

#include <gtest/gtest.h>

namespace {

using synjson::Json;

screens::SynScreen SampleScreen() {
    screens::SynScreen screen;
    screen.header.caption = "Cuve \xE9t\xE9"; // code-page bytes: "Cuve été"
    screen.header.colour = 0x80000005;
    screen.header.editorData[7] = '\x99';
    screen.header.windowFlags = 1;
    screen.extended.emplace();
    screen.extended->maxWidth = 1024;
    screen.extended->icon[0] = '\x01';
    for (const screens::ClassLayout& layout : screens::ClassLayouts()) {
        screens::SynObject object;
        object.attributes.kind = 145;
        object.attributes.className = std::string(layout.name.substr(0, 10));
        object.classData = screens::DefaultClassData(layout);
        for (std::size_t i = 0; i < layout.fields.size(); ++i) {
            screens::FieldValue& value = object.classData->values[i];
            switch (layout.fields[i].type) {
            case screens::FieldType::Name: value.bytes = "\xB0" "C"; break;
            case screens::FieldType::Byte: value.number = 200; break;
            case screens::FieldType::Int32: value.number = -7; break;
            case screens::FieldType::PageTabStyle: value.present = false; break;
            case screens::FieldType::PageCaptions: value.items = {"A", "B"}; break;
            case screens::FieldType::List: value.items = {"\xE0"}; break;
            default: break;
            }
        }
        screen.objects.push_back(std::move(object));
    }
    screens::SynObject poly;
    poly.attributes.kind = 112;
    poly.attributes.foreColour = 0x00FF0000;
    poly.attributes.arguments = std::string(600, 'a');
    poly.points = {{-5, 7}, {2147483647, -2147483647 - 1}};
    poly.pointExtra = {1, 65535};
    poly.unreadBytes = {0, 0, 9, 0, 0, 1};
    screen.objects.push_back(poly);
    screens::SynObject control;
    control.attributes.kind = 107;
    control.attributes.className = "TMEDIA";
    control.activeX = {"{CLSID}", std::string("\x00\xff\x10", 3)};
    screen.objects.push_back(control);
    screens::SynObject other;
    other.attributes.kind = 99; // no figure, but kept
    screen.objects.push_back(other);
    return screen;
}

std::string FromJsonError(const char* text) {
    auto screen = synjson::ScreenFromJson(Json::parse(text));
    EXPECT_FALSE(screen.IsOk()) << text;
    return screen.IsOk() ? std::string() : screen.Error();
}

TEST(SynJson, ScreenToJsonAndBackGivesTheSameScreen) {
    screens::SynScreen screen = SampleScreen();
    Json json = synjson::ScreenToJson(screen);
    EXPECT_EQ(json["header"]["caption"], "Cuve \xC3\xA9t\xC3\xA9");
    EXPECT_EQ(json["header"]["colour"], "0x80000005");
    EXPECT_EQ(json["objects"][0]["kind"], "Window");
    EXPECT_EQ(json["objects"].back()["kind"], 99);
    EXPECT_TRUE(json["objects"][39]["classData"]["tabStyle"].is_null());
    auto back = synjson::ScreenFromJson(Json::parse(json.dump()));
    ASSERT_TRUE(back.IsOk()) << back.Error();
    EXPECT_EQ(back.Value(), screen);
    EXPECT_EQ(synjson::ScreenToJson(back.Value()), json);
}

TEST(SynJson, MissingFieldsTakeDefaultsAndVersionCanBeReplaced) {
    Json json = Json::parse(R"({"objects": [{"kind": "BarV", "className": "TCBARV",
                                             "classData": {"value.n1": "LEVEL"}},
                                            {"kind": "Text", "foreColour": 255}]})");
    auto screen = synjson::ScreenFromJson(json);
    ASSERT_TRUE(screen.IsOk()) << screen.Error();
    EXPECT_EQ(screen->header.version, 7);
    EXPECT_TRUE(screen->extended);
    EXPECT_EQ(screen->header, screens::SynHeader{});
    EXPECT_EQ(screen->objects[0].classData->Find("value.n1")->bytes, "LEVEL");
    EXPECT_EQ(screen->objects[0].classData->Find("hint")->bytes, "");
    EXPECT_EQ(screen->objects[1].attributes.foreColour, 255u);
    auto older = synjson::ScreenFromJson(json, 5);
    ASSERT_TRUE(older.IsOk());
    EXPECT_EQ(older->header.version, 5);
    EXPECT_FALSE(older->extended);
}

TEST(SynJson, ErrorsNameTheJsonPath) {
    struct Case {
        const char* json;
        const char* path;
    };
    const Case cases[] = {
        {R"([1, 2])", "document"},
        {R"({"version": 8})", "version"},
        {R"({"header": {"caption": 5}})", "header.caption"},
        {R"({"header": {"editorData": "00"}})", "header.editorData"},
        {R"({"header": {"colour": "red"}})", "header.colour"},
        {R"({"extended": {"icon": "zz"}})", "extended.icon"},
        {R"({"objects": {}})", "objects"},
        {R"({"objects": [{"x1": 1}]})", "objects[0].kind"},
        {R"({"objects": [{"kind": "Blob"}]})", "objects[0].kind"},
        {R"({"objects": [{"kind": "Line", "x1": "a"}]})", "objects[0].x1"},
        {R"({"objects": [{"kind": "Line", "x1": 40000}]})", "objects[0].x1"},
        {R"({"objects": [{"kind": "Line", "colour": 1}]})", "objects[0].colour"},
        {R"({"objects": [{"kind": "Line", "objectName": "ABCDEFGHIJKLMNOP"}]})",
         "objects[0].objectName"},
        {R"({"objects": [{"kind": "Line"}, {"kind": "Line", "className": "TCFOO"}]})",
         "objects[1].className"},
        {R"({"objects": [{"kind": "Line", "className": "TCLigne", "classData": {"foo": 1}}]})",
         "objects[0].classData.foo"},
        {R"({"objects": [{"kind": "Line", "className": "TCLigne", "classData": {"hint": 1}}]})",
         "objects[0].classData.hint"},
        {R"({"objects": [{"kind": "Line", "className": "TCLigne", "classData": {"line.r1": "00"}}]})",
         "objects[0].classData.line.r1"},
        {R"({"objects": [{"kind": "Text", "className": "TCGrille", "classData": {"columnCount": 2, "columns": []}}]})",
         "objects[0].classData"},
        {R"({"objects": [{"kind": "Line", "classData": {}}]})", "objects[0].classData"},
        {R"({"objects": [{"kind": "Line", "points": [[1, 2]]}]})", "objects[0].points"},
        {R"({"objects": [{"kind": "PolyLine", "points": [[1]]}]})", "objects[0].points[0]"},
        {R"({"objects": [{"kind": "Text", "activeX": {"classId": "x"}}]})", "objects[0].activeX"},
        {R"({"objects": [{"kind": 107, "activeX": {"data": "abc"}}]})", "objects[0].activeX.data"},
    };
    for (const Case& c : cases) {
        std::string error = FromJsonError(c.json);
        EXPECT_EQ(error.rfind(std::string(c.path) + ": ", 0), 0u) << c.json << " -> " << error;
    }
}

} // namespace
