// Quorva run-time. Licensed under the MIT licence.
#include "Elf32Object.h"
#include "GnuAssembler.h"
#include "UnitBuilder.h"
#include "UnitSource.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

qruasm::UnitSource Parse(std::string_view text) {
    auto parsed = qruasm::ParseUnitSource(text, ".");
    if (!parsed) {
        ADD_FAILURE() << parsed.Error();
        return {};
    }
    return std::move(parsed.Value());
}

std::string ParseError(std::string_view text) {
    auto parsed = qruasm::ParseUnitSource(text, ".");
    if (parsed) {
        ADD_FAILURE() << "accepted: " << text;
        return {};
    }
    return parsed.Error();
}

TEST(Qruasm, DirectivesLayOutTheDataAreaAndKeepLineNumbers) {
    qruasm::UnitSource unit = Parse("@const 0\n"
                                    "@const -1\n"
                                    "@var A : Array[-5..5] of Single\n"
                                    "  nop\n"
                                    "@const QUOTE = 'It''s'\n"
                                    "@var B : Word = 65535 export\n");
    const auto& variables = unit.module.variables;
    ASSERT_EQ(variables.size(), 5u);
    // Integer constants take no room: the array lands where they are.
    EXPECT_EQ(variables[2].offset, 0);
    EXPECT_EQ(variables[2].size, 44);
    EXPECT_EQ(variables[2].low, -5);
    EXPECT_EQ(variables[3].name, "'It''s'");
    EXPECT_EQ(variables[3].initialValue, "It's");
    EXPECT_EQ(variables[3].offset, 44);
    EXPECT_EQ(variables[4].offset, 300);
    EXPECT_TRUE(variables[4].exported);
    EXPECT_EQ(unit.references.at("QUOTE").fixupName, "'It''s'");
    EXPECT_EQ(unit.assembly, "\n\n\n  nop\n\n\n");

    qruasm::UnitSource imports = Parse("@import function Add sysplc as PlcAdd\n"
                                       "@import variable As\n"
                                       "@import variable Total MVarGlob\n");
    EXPECT_EQ(imports.references.at("PLCADD").fixupName, "ADD SYSPLC");
    EXPECT_EQ(imports.references.at("AS").fixupName, "AS");
    EXPECT_EQ(imports.references.at("TOTAL").fixupName, "TOTAL MVARGLOB");
}

TEST(Qruasm, DirectiveErrorsNameTheirLine) {
    struct Case {
        const char* text;
        const char* prefix;
        const char* words;
    };
    const Case cases[] = {
        {"@var B : Byte = 256\n", "1: ", "outside 0..255"},
        {"\n@var W : Word = -1\n", "2: ", "outside 0..65535"},
        {"@var F : Boolean = yes\n", "1: ", "True, False"},
        {"@var R : Array[3..2] of Byte\n", "1: ", "no element"},
        {"@var R : Array[0..1] of Array[0..1] of Byte\n", "1: ", "cannot be an array"},
        {"@var R : Array[0..2147483647] of String\n", "1: ", "too large"},
        {"@procedure P(X) = p\n", "1: ", "needs a type"},
        {"@function F : Integer = f\n@function f : Integer = g\n", "2: ", "on line 1"},
        {"@external procedure P from '  '\n", "1: ", "blank"},
        {"@var X : Integer extra\n", "1: ", "unexpected `extra`"},
        {"@type T = record end\n", "1: ", "no fields"},
        {"nop\n.include \"other.s\"\n", "2: ", ".include"},
        {"@attach file DOC 'no such file'\n", "1: ", "cannot be opened"},
        {"@main a\n@main b\n", "2: ", "already given"},
        {"@var S : String = 'x' # comment\n@var T : String = 'y\n", "2: ", "closing quote"},
    };
    for (const Case& test : cases) {
        std::string error = ParseError(test.text);
        EXPECT_EQ(error.rfind(test.prefix, 0), 0u) << test.text << " -> " << error;
        EXPECT_NE(error.find(test.words), std::string::npos) << error;
    }
}

TEST(Qruasm, ListingGivesTheLineOfEachCodeOffset) {
    qruasm::LineMap lines = qruasm::LineMap::FromListing("   1              \t.intel_syntax\n"
                                                         "   3              \tstart:\n"
                                                         "   4 0000 A1000000 \tmov eax, [C]\n"
                                                         "   4      00\n"
                                                         "   5 0005 FF150000 \tcall [F]\n"
                                                         "   5      0000\n"
                                                         "  12 002a B8000000 \tmov eax, 1\n");
    EXPECT_EQ(lines.LineOf(1), 4);
    EXPECT_EQ(lines.LineOf(7), 5);
    EXPECT_EQ(lines.LineOf(0x29), 5);
    EXPECT_EQ(lines.LineOf(0x2b), 12);
}

// Needs GNU as, as qruasm itself does.
TEST(Qruasm, ObjectReaderSurvivesEveryTruncationAndDamagedByte) {
    qruasm::UnitSource unit = Parse("@var C : Integer\n@import function F\n@main m\n"
                                    ".intel_syntax noprefix\nm: inc dword ptr [C]\n"
                                    "call dword ptr [F]\nret\n");
    auto assembled = qruasm::Assemble(unit.assembly, "unit.s", "as");
    ASSERT_TRUE(assembled) << assembled.Error();
    const std::string object = assembled->object;
    auto parsed = qruasm::Elf32Object::Parse(object);
    ASSERT_TRUE(parsed) << parsed.Error();
    auto module = qruasm::BuildUnitModule(unit, parsed.Value(), assembled->lines);
    ASSERT_TRUE(module) << module.Error();
    EXPECT_EQ(module->variableFixups.size(), 1u);
    EXPECT_EQ(module->functionFixups.size(), 1u);

    // The section table sits at the end: every cut object is refused.
    for (std::size_t size = 0; size < object.size(); ++size)
        EXPECT_FALSE(qruasm::Elf32Object::Parse(object.substr(0, size))) << size;
    // A damaged byte anywhere is refused or read within bounds, and what is read builds or
    // gives a reason.
    std::size_t built = 0;
    for (std::size_t at = 0; at < object.size(); ++at) {
        for (char value : {'\xff', '\x7f', '\x01'}) {
            std::string damaged = object;
            damaged[at] = value;
            auto damagedObject = qruasm::Elf32Object::Parse(damaged);
            if (!damagedObject)
                continue;
            auto damagedModule =
                qruasm::BuildUnitModule(unit, damagedObject.Value(), assembled->lines);
            built += damagedModule ? 1 : 0;
            if (!damagedModule) {
                EXPECT_FALSE(damagedModule.Error().empty());
            }
        }
    }
    EXPECT_GT(built, 0u);
}

} // namespace
