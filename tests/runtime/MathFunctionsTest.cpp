// Quorva run-time. Licensed under the MIT licence.
#include "CoreBuiltinRig.h"
#include "platform/Extended.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

using namespace runtime::maths;
using testsupport::CoreBuiltinRig;

// Runs one of the maths unit's procedures on X and returns Y.
long double Through(CoreBuiltinRig& t, const std::string& procedure, long double x) {
    const platform::ExtendedBytes bytes = platform::ToExtended(x);
    EXPECT_TRUE(t.memory->WriteBytes(t.Var("X"), bytes.data(), bytes.size()));
    t.Call(procedure);
    platform::ExtendedBytes out{};
    EXPECT_TRUE(t.memory->ReadBytes(t.Var("Y"), out.data(), out.size()));
    return platform::FromExtended(out.data());
}

} // namespace

TEST(MathFunctions, RealsTravelIn80BitsThroughTheCallingContract) {
    CoreBuiltinRig t("MATHS.QRU");
    ASSERT_TRUE(t.ready);
    // Values a double could not hold survive the trip exactly.
    const long double third = 1.0L / 3.0L;
    EXPECT_EQ(Through(t, "DOINT", 12345678901234567.0L), 12345678901234567.0L);
    EXPECT_EQ(Through(t, "DOFRAC", 2.0L + third), (2.0L + third) - 2.0L);
    EXPECT_EQ(Through(t, "DOINT", -2.7L), -2.0L);
    EXPECT_EQ(Through(t, "DOFRAC", -2.7L), -2.7L + 2.0L);
    EXPECT_EQ(Through(t, "DOCOS", 0.0L), 1.0L);
    EXPECT_EQ(Through(t, "DOSQRT", 2.0L), std::sqrt(2.0L));
    EXPECT_EQ(Through(t, "DODEGTORAD", 1.0L), kDegreesToRadians);
    // Domain guards.
    EXPECT_EQ(Through(t, "DOLN", 0.0L), 0.0L);
    EXPECT_EQ(Through(t, "DOLN", -5.0L), 0.0L);
    EXPECT_EQ(Through(t, "DOLN", std::numeric_limits<long double>::quiet_NaN()), 0.0L);
    EXPECT_EQ(Through(t, "DOSQRT", -4.0L), 0.0L);
    EXPECT_EQ(Through(t, "DOEXP", 20000.0L), std::numeric_limits<long double>::infinity());
    EXPECT_EQ(Through(t, "DOEXP", -20000.0L), 0.0L);

    const platform::ExtendedBytes bytes = platform::ToExtended(-2.7L);
    ASSERT_TRUE(t.memory->WriteBytes(t.Var("X"), bytes.data(), bytes.size()));
    t.Call("DOTRUNC");
    EXPECT_EQ(t.Int("R"), -2);
}

TEST(MathFunctions, TruncKeepsTheLow32BitsOfThe64BitTruncation) {
    EXPECT_EQ(Trunc(2.9L), 2);
    EXPECT_EQ(Trunc(4294967297.5L), 1);                 // 2^32 + 1
    EXPECT_EQ(Trunc(2147483648.0L), INT32_MIN);         // 2^31 wraps
    EXPECT_EQ(Trunc(-4294967295.0L), 1);                // -(2^32 - 1)
    EXPECT_EQ(Trunc(-9223372036854775808.0L), 0);       // -2^63: in range, low bits 0
    EXPECT_EQ(Trunc(9223372036854775807.0L + 2.0L), 0); // beyond: the integer indefinite
    EXPECT_EQ(Trunc(std::numeric_limits<long double>::infinity()), 0);
    EXPECT_EQ(Trunc(std::numeric_limits<long double>::quiet_NaN()), 0);
}

TEST(MathFunctions, DegreeFactorIsTheNearest80BitValueAndTheRestMatchTheLibrary) {
    // pi/180 * 2^69 = 10302605451487463598.0577...: the nearest 64-bit mantissa rounds down.
    EXPECT_EQ(kDegreesToRadians, std::ldexp(static_cast<long double>(0x8EFA351294E9C8AEull), -69));
    EXPECT_EQ(DegToRad(180.0L), 180.0L * kDegreesToRadians);
    EXPECT_EQ(Abs(-0.5L), 0.5L);
    EXPECT_EQ(Sqr(-3.0L), 9.0L);
    const long double halfPi = 2.0L * std::atan(1.0L);
    EXPECT_LE(ArcTan(1e300L), halfPi);
    EXPECT_GE(ArcTan(-1e300L), -halfPi);
    EXPECT_EQ(Sin(0.5L), std::sin(0.5L));
    EXPECT_EQ(Ln(std::exp(1.0L)), std::log(std::exp(1.0L)));
    EXPECT_TRUE(std::isnan(Sqrt(std::numeric_limits<long double>::quiet_NaN())));
}
