// Quorva run-time. Licensed under the MIT licence.

#include "engine/DebugMap.h"

#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace engine {
namespace {

QruVariable Variable(std::string name, std::uint8_t type, std::uint8_t elementType,
                     std::string typeName = {}) {
    QruVariable variable;
    variable.name = std::move(name);
    variable.type = type;
    variable.elementType = elementType;
    variable.typeName = std::move(typeName);
    return variable;
}

TEST(DebugMap, WritesTheCodeBaseAndOneLinePerVariable) {
    testsupport::TempDir dir;
    testsupport::ScopedCurrentDir cwd(dir.Path());
    std::filesystem::create_directory(dir / "units");
    testsupport::WriteFile(dir / "units" / "UNIT1.VID", "stale line\r\nanother\r\n");
    testsupport::WriteFile(dir / "units" / "UNIT1.VAD", "12345678");

    auto map = DebugMap::Begin("UNITS\\UNIT1", 0x01020304u);
    ASSERT_TRUE(map.has_value());
    map->AddVariable(Variable("COUNTER", 4, 0), 0x01000010u);
    map->AddVariable(Variable("0", 1, 0), 0x01000014u);
    map->AddVariable(Variable("TAB", 10, 20), 0x01000014u);
    map->AddVariable(Variable("LOC", 22, 0, "TSysLocale\r\nX"), 0x0100001Eu);
    DebugMap moved = std::move(*map);
    map.reset();
    EXPECT_TRUE(moved.Close());

    EXPECT_EQ(testsupport::ReadFile(dir / "units" / "UNIT1.VAD"),
              std::string("\x04\x03\x02\x01", 4));
    EXPECT_EQ(testsupport::ReadFile(dir / "units" / "UNIT1.VID"),
              "COUNTER=16777232=4=0=\r\n"
              "0=16777236=1=0=\r\n"
              "TAB=16777236=10=20=\r\n"
              "LOC=16777246=22=0=TSysLocale  X\r\n");
}

TEST(DebugMap, UnwritableDirectoryGivesNoMap) {
    testsupport::TempDir dir;
    testsupport::ScopedCurrentDir cwd(dir.Path());
    EXPECT_FALSE(DebugMap::Begin("NODIR\\UNIT1", 0).has_value());
    // A name alone is written in the current directory.
    auto map = DebugMap::Begin("MAIN", 0x00ABCDEFu);
    ASSERT_TRUE(map.has_value());
    map.reset(); // closing on destruction leaves an empty ".VID"
    EXPECT_EQ(testsupport::ReadFile(dir / "MAIN.VAD"), std::string("\xEF\xCD\xAB\x00", 4));
    EXPECT_EQ(testsupport::ReadFile(dir / "MAIN.VID"), "");
}

} // namespace
} // namespace engine
