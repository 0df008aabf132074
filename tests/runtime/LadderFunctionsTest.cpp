// Quorva run-time. Licensed under the MIT licence.
#include "CoreBuiltinRig.h"
#include "runtime/SystemVariables.h"

#include <gtest/gtest.h>

namespace {

using runtime::SystemVariableId;
using testsupport::CoreBuiltinRig;

std::uint32_t Power(const CoreBuiltinRig& t) {
    return static_cast<std::uint32_t>(t.library->Variables().Integer(SystemVariableId::POTENTIEL));
}

void SetBranches(CoreBuiltinRig& t, std::uint32_t bits) {
    for (int i = 0; i < 16; ++i)
        ASSERT_TRUE(t.memory->Write<std::int32_t>(t.Var("B") + 4 * i, (bits >> i) & 1));
}

} // namespace

TEST(LadderFunctions, PowerFlowSequenceFromAllBitsSet) {
    CoreBuiltinRig t("LADDER.QRU");
    ASSERT_TRUE(t.ready);
    EXPECT_EQ(Power(t), 0xFFFFFFFFu); // the start value
    SetBranches(t, 0b01);
    t.Call("DOCOMPUTE2");
    EXPECT_EQ(Power(t), 1u);
    t.SetInt("V", 6);
    t.Call("DODIFFUSE");
    EXPECT_EQ(Power(t), 1u); // no common bit
    t.SetInt("V", 3);
    t.Call("DODIFFUSE");
    EXPECT_EQ(Power(t), 3u);
    t.Call("DOISET");
    EXPECT_EQ(t.Int("R"), 1);
    EXPECT_EQ(Power(t), 0u);
    t.Call("DOISET"); // the bits are gone now
    EXPECT_EQ(t.Int("R"), 0);
}

TEST(LadderFunctions, Compute16TakesStackArgumentsAndClearsTheHighBits) {
    CoreBuiltinRig t("LADDER.QRU");
    ASSERT_TRUE(t.ready);
    t.library->Variables().SetInteger(SystemVariableId::POTENTIEL, -1);
    SetBranches(t, 0xA5C3);
    t.Call("DOCOMPUTE16");
    EXPECT_EQ(Power(t), 0xA5C3u);
    EXPECT_EQ(t.Int("R"), 0); // the callee removed its 13 stack arguments

    // ISET with some bits missing answers false but still clears the ones present.
    t.library->Variables().SetInteger(SystemVariableId::POTENTIEL, 0b0110);
    t.SetInt("V", 0b0011);
    t.Call("DOISET");
    EXPECT_EQ(t.Int("R"), 0);
    EXPECT_EQ(Power(t), 0b0100u);
}

TEST(LadderFunctions, PlainFunctionsOnTheWholeWord) {
    using namespace runtime::ladder;
    const bool branches[] = {true, false, true};
    EXPECT_EQ(ComputeMask(branches), 0b101u);
    EXPECT_EQ(Compute(0xFFFFFFFFu, 0b101u), 0b101u);
    EXPECT_EQ(Diffuse(0x80000000u, 0x80000001u), 0x80000001u);
    std::uint32_t power = 0xFFFFFFFFu;
    EXPECT_TRUE(ISet(power, 0xFFFFFFFFu));
    EXPECT_EQ(power, 0u);
    EXPECT_TRUE(ISet(power, 0)); // no bits asked: present
}
