// Quorva run-time. Licensed under the MIT licence.

#include "engine/VariableCollection.h"

#include <gtest/gtest.h>

namespace engine {
namespace {

TVarRun Variable(std::string name, TypeCode type, platform::GuestAddress address,
                 std::string unit) {
    TVarRun variable;
    variable.name = std::move(name);
    variable.type = type;
    variable.address = address;
    variable.unit = std::move(unit);
    return variable;
}

TEST(VariableCollection, NameIsExactUnitIsUpperCased) {
    VariableCollection variables;
    variables.AddVariable(Variable("Counter", TypeCode::Integer, 0x10, "unitA"));
    variables.AddVariable(Variable("Level", TypeCode::Real, 0x20, "UNITB"));
    ASSERT_EQ(variables.Size(), 2u);
    EXPECT_EQ(variables.At(0).unit, "UNITA");
    EXPECT_EQ(variables.At(0).name, "Counter");

    EXPECT_EQ(variables.FindVariable("Counter")->address, 0x10u);
    EXPECT_EQ(variables.FindVariable("Counter unita")->address, 0x10u);
    EXPECT_EQ(variables.FindVariable("COUNTER"), nullptr);
    // An unknown unit falls back to the name alone.
    EXPECT_EQ(variables.FindVariable("Level NOSUCH")->address, 0x20u);
}

TEST(VariableCollection, UnitTakesOverSystemVariableUntilUnloaded) {
    VariableCollection variables;
    variables.AddVariable(Variable("END_PROG", TypeCode::Boolean, 0x100, "SYSTEM"));
    variables.AddVariable(Variable("OTHER", TypeCode::Integer, 0x104, "SYSTEM"));

    TVarRun own = Variable("END_PROG", TypeCode::Integer, 0x900, "Unit1");
    own.elementSize = 4;
    own.highBound = 3;
    EXPECT_EQ(variables.AddVariable(own), 0u);
    ASSERT_EQ(variables.Size(), 2u);
    const TVarRun* taken = variables.FindVariable("END_PROG");
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(taken->address, 0x900u);
    EXPECT_EQ(taken->type, TypeCode::Integer);
    EXPECT_EQ(taken->unit, "UNIT1");
    EXPECT_EQ(taken->highBound, 3);

    // A second unit's export of a new name is appended; the same name from the same unit
    // overwrites its own item.
    variables.AddVariable(Variable("MINE", TypeCode::Byte, 0xA00, "UNIT2"));
    variables.AddVariable(Variable("MINE", TypeCode::Word, 0xA10, "unit2"));
    EXPECT_EQ(variables.Size(), 3u);
    EXPECT_EQ(variables.FindVariable("MINE")->type, TypeCode::Word);

    EXPECT_EQ(variables.RemoveUnit("unit1"), 1u);
    EXPECT_EQ(variables.FindVariable("END_PROG"), nullptr);
    EXPECT_NE(variables.FindVariable("OTHER SYSTEM"), nullptr);
}

} // namespace
} // namespace engine
