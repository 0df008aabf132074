// Quorva run-time. Licensed under the MIT licence.

#include "engine/FunctionCollection.h"

#include <gtest/gtest.h>

namespace engine {
namespace {

TEST(FunctionCollection, NamesAndUnitsAreComparedUpperCased) {
    FunctionCollection functions;
    functions.AddFunction("Not", 0x100, "system");
    ASSERT_EQ(functions.Size(), 1u);
    EXPECT_EQ(functions.At(0).name, "NOT");
    EXPECT_EQ(functions.At(0).unit, "SYSTEM");
    for (const char* reference : {"not", "Not", "NOT", "not system", "NOT SyStEm"}) {
        const TFuncRun* found = functions.FindFunction(reference);
        ASSERT_NE(found, nullptr) << reference;
        EXPECT_EQ(found->address, 0x100u) << reference;
    }
    EXPECT_EQ(functions.FindFunction("NOTE"), nullptr);
    EXPECT_EQ(functions.FindFunction(""), nullptr);
    // Only the text before the first blank is the name.
    EXPECT_EQ(functions.FindFunction(" NOT"), nullptr);
}

TEST(FunctionCollection, NewestItemWinsAndUnitQualifierPicksItsUnit) {
    FunctionCollection functions;
    functions.AddFunction("INTTOSTR", 0x100, "SYSTEM");
    functions.AddFunction("HELPER", 0x200, "LIBA");
    functions.AddFunction("INTTOSTR", 0x300, "LIBA");
    functions.AddFunction("INTTOSTR", 0x400, "LIBB");

    EXPECT_EQ(functions.FindFunction("inttostr")->address, 0x400u);
    EXPECT_EQ(functions.FindFunction("INTTOSTR system")->address, 0x100u);
    EXPECT_EQ(functions.FindFunction("INTTOSTR LibA")->address, 0x300u);
    // A unit that matches nothing falls back to the newest item of that name.
    EXPECT_EQ(functions.FindFunction("INTTOSTR NOSUCHUNIT")->address, 0x400u);
    // A unit that exists but lacks the name also falls back.
    EXPECT_EQ(functions.FindFunction("HELPER LIBB")->address, 0x200u);
    // A trailing blank leaves an empty unit: name-only search.
    EXPECT_EQ(functions.FindFunction("INTTOSTR ")->address, 0x400u);
    EXPECT_EQ(functions.FindFunctionIndex("INTTOSTR LIBA"), std::optional<std::size_t>(2));
    EXPECT_EQ(functions.FindFunction("MISSING SYSTEM"), nullptr);
}

TEST(FunctionCollection, RemovingAUnitUncoversOlderItemsAndKeepsOrder) {
    FunctionCollection functions;
    functions.AddFunction("A", 1, "SYSTEM");
    functions.AddFunction("B", 2, "UNIT1");
    functions.AddFunction("A", 3, "UNIT1");
    functions.AddFunction("C", 4, "UNIT2");

    EXPECT_EQ(functions.RemoveUnit("unit1"), 2u);
    EXPECT_EQ(functions.RemoveUnit("UNIT1"), 0u);
    ASSERT_EQ(functions.Size(), 2u);
    EXPECT_EQ(functions.FindFunction("A")->address, 1u);
    EXPECT_EQ(functions.FindFunction("B"), nullptr);

    std::vector<std::string> names;
    for (const TFuncRun& item : functions)
        names.push_back(item.name + "/" + item.unit);
    EXPECT_EQ(names, (std::vector<std::string>{"A/SYSTEM", "C/UNIT2"}));
}

} // namespace
} // namespace engine
