// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ConversionFunctions.h"

#include "StringCallerRig.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>

namespace {

using runtime::IntToHex;
using runtime::IntToText;
using runtime::RealToText;
using runtime::TextToInt;
using runtime::TextToReal;
using runtime::ValText;
using testsupport::StringCallerRig;

std::unique_ptr<StringCallerRig> MakeRig() {
    auto rig = StringCallerRig::Create(QUORVA_STRING_CALLER_UNIT);
    EXPECT_TRUE(rig.IsOk()) << (rig.IsOk() ? "" : rig.Error());
    return rig ? std::move(rig.Value()) : nullptr;
}

// Independent models: digit loops over the unsigned magnitude.
std::string ModelDecimal(std::int32_t value) {
    std::uint64_t magnitude = value < 0 ? -static_cast<std::int64_t>(value) : value;
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    return value < 0 ? "-" + digits : digits;
}

std::string ModelHex(std::uint32_t value, int width) {
    std::string digits;
    for (int i = 0; i < 8; ++i, value >>= 4)
        digits.insert(digits.begin(), "0123456789ABCDEF"[value & 15]);
    while (digits.size() > 1 && digits[0] == '0' && static_cast<int>(digits.size()) > width)
        digits.erase(0, 1);
    while (static_cast<int>(digits.size()) < width)
        digits.insert(digits.begin(), '0');
    return digits;
}

} // namespace

TEST(ConversionFunctions, StrToIntFollowsTheScanRules) {
    EXPECT_EQ(TextToInt("  42"), 42);
    EXPECT_EQ(TextToInt("$1F"), 31);
    EXPECT_EQ(TextToInt("0x10"), 16);
    EXPECT_EQ(TextToInt("X1f"), 31);
    EXPECT_EQ(TextToInt("-7"), -7);
    EXPECT_EQ(TextToInt("+7"), 7);
    EXPECT_EQ(TextToInt("12a"), 12);
    EXPECT_EQ(TextToInt("-12a"), 12); // a stopped scan drops the sign
    EXPECT_EQ(TextToInt(""), 0);
    EXPECT_EQ(TextToInt("   "), 0);
    EXPECT_EQ(TextToInt("-"), 0);
    EXPECT_EQ(TextToInt("$"), 0);
    // Wrap-around, and the stop before a digit once the value is too large.
    EXPECT_EQ(TextToInt("2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(TextToInt("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(TextToInt("2147483649"), -2147483647);
    EXPECT_EQ(TextToInt("21474836470"), 2147483647);
    EXPECT_EQ(TextToInt("-99999999999"), 999999999);
    EXPECT_EQ(TextToInt("$FFFFFFFF"), -1);
    EXPECT_EQ(TextToInt("$123456789"), 0x12345678);
    EXPECT_EQ(TextToInt("-$10"), 16); // no sign on a hexadecimal number
}

TEST(ConversionFunctions, IntToHexPadsAndShowsTwosComplement) {
    EXPECT_EQ(IntToHex(255, 4).Str(), "00FF");
    EXPECT_EQ(IntToHex(-1, 2).Str(), "FFFFFFFF");
    EXPECT_EQ(IntToHex(4096, 1).Str(), "1000");
    EXPECT_EQ(IntToHex(0, 0).Str(), "0");
    EXPECT_EQ(IntToHex(0, -5).Str(), "0");
    EXPECT_EQ(IntToHex(1, 1000).Length(), 255u);
}

TEST(ConversionFunctions, FloatToStrUsesGeneralFormatWith15Digits) {
    EXPECT_EQ(RealToText(1.5e20L, '.').Str(), "1.5E20");
    EXPECT_EQ(RealToText(1e-5L, '.').Str(), "1E-5");
    EXPECT_EQ(RealToText(0.0L, '.').Str(), "0");
    EXPECT_EQ(RealToText(-0.0L, '.').Str(), "0");
    EXPECT_EQ(RealToText(0.0001L, '.').Str(), "0.0001");
    EXPECT_EQ(RealToText(-2.5L, ',').Str(), "-2,5");
    EXPECT_EQ(RealToText(100.0L, '.').Str(), "100");
    EXPECT_EQ(RealToText(1.0L / 3, '.').Str(), "0.333333333333333");
    EXPECT_EQ(RealToText(2.0L / 3, '.').Str(), "0.666666666666667");
    EXPECT_EQ(RealToText(123456789012345.0L, '.').Str(), "123456789012345");
    EXPECT_EQ(RealToText(1234567890123456.0L, '.').Str(), "1.23456789012346E15");
    EXPECT_EQ(RealToText(-1.25e-300L, '.').Str(), "-1.25E-300");
    EXPECT_EQ(RealToText(std::numeric_limits<long double>::max(), '.').Str(),
              "1.18973149535723E4932");
    EXPECT_EQ(RealToText(std::numeric_limits<long double>::infinity(), '.').Str(), "INF");
    EXPECT_EQ(RealToText(-std::numeric_limits<long double>::infinity(), '.').Str(), "-INF");
    EXPECT_EQ(RealToText(std::numeric_limits<long double>::quiet_NaN(), '.').Str(), "NAN");
    // The C locale's separator.
    EXPECT_EQ(runtime::LocaleDecimalSeparator(), '.');
}

TEST(ConversionFunctions, StrToFloatAndValReadNumbersOrGiveDefinedResults) {
    EXPECT_EQ(TextToReal(" -3.25E2 ", '.'), -325.0L);
    EXPECT_EQ(TextToReal("3,5", ','), 3.5L);
    EXPECT_EQ(TextToReal("3,5", '.'), 0.0L);
    EXPECT_EQ(TextToReal(".5", '.'), 0.5L);
    for (const char* bad : {"", " ", "abc", "1e", "1 2", "--1", "inf", "nan", "0x10", "."})
        EXPECT_EQ(TextToReal(bad, '.'), 0.0L) << bad;
    EXPECT_TRUE(std::isinf(TextToReal("1e99999", '.')));
    EXPECT_EQ(TextToReal("0.1", '.'), 0.1L); // the nearest 80-bit value, not the double

    struct Case {
        const char* text;
        long double value;
        std::int32_t status;
    };
    for (const Case& c : {Case{"3.5", 3.5L, 0}, Case{"  -1.5e+3", -1500.0L, 0}, Case{"3,5", 0, 2},
                          Case{"", 0, 1}, Case{"abc", 0, 1}, Case{"-", 0, 2}, Case{"1e", 0, 3},
                          Case{"12 ", 0, 3}, Case{"1e99999", 0, 8}}) {
        const runtime::ValResult result = ValText(c.text);
        EXPECT_EQ(result.status, c.status) << c.text;
        EXPECT_EQ(result.value, c.value) << c.text;
    }
}

TEST(ConversionFunctions, CalledFromUnitCode) {
    auto rig = MakeRig();
    ASSERT_TRUE(rig);
    auto run = [&](const std::string& procedure) {
        platform::Status ran = rig->Run(procedure);
        EXPECT_TRUE(ran.IsOk()) << procedure << ": " << (ran.IsOk() ? "" : ran.Error());
    };
    rig->Set<std::int32_t>("IVAL", -2147483647 - 1);
    run("DOINTTOSTR");
    EXPECT_EQ(rig->GetString("SOUT"), "-2147483648");

    rig->SetString("SIN", "  0x7fffffff");
    run("DOSTRTOINT");
    EXPECT_EQ(rig->Get<std::int32_t>("IRES"), 2147483647);

    rig->SetReal("RVAL", 1.5e20L);
    run("DOFLOATTOSTR");
    EXPECT_EQ(rig->GetString("SOUT"), "1.5E20");

    rig->SetString("SIN", " 2.5e-3 ");
    run("DOSTRTOFLOAT");
    EXPECT_EQ(rig->GetReal("RRES"), 2.5e-3L);

    rig->Set<std::int32_t>("IVAL", 255);
    rig->Set<std::int32_t>("IARG", 4);
    run("DOINTTOHEX");
    EXPECT_EQ(rig->GetString("SOUT"), "00FF");

    rig->SetString("SIN", "3,5");
    rig->SetReal("RRES", 9);
    run("DOVAL");
    EXPECT_EQ(rig->Get<std::int32_t>("IRES"), 2);
    EXPECT_EQ(rig->GetReal("RRES"), 0.0L);
    rig->SetString("SIN", "3.5");
    run("DOVAL");
    EXPECT_EQ(rig->Get<std::int32_t>("IRES"), 0);
    EXPECT_EQ(rig->GetReal("RRES"), 3.5L);
    EXPECT_TRUE(rig->GuardsIntact());
}

TEST(ConversionFunctions, RandomIntegersRoundTripAgainstModels) {
    std::mt19937 random(20261208);
    std::uniform_int_distribution<std::uint32_t> any;
    auto rig = MakeRig();
    ASSERT_TRUE(rig);
    for (int i = 0; i < 20000; ++i) {
        const auto x = static_cast<std::int32_t>(any(random));
        const std::string text = IntToText(x).Str();
        ASSERT_EQ(text, ModelDecimal(x));
        ASSERT_EQ(TextToInt(text), x) << text;
        const int width = static_cast<int>(any(random) % 10);
        const std::string hex = IntToHex(x, width).Str();
        ASSERT_EQ(hex, ModelHex(static_cast<std::uint32_t>(x), width)) << x << " " << width;
        ASSERT_EQ(TextToInt("$" + hex), x) << hex;
        if (i % 100 == 0) { // the same round trip through unit code
            rig->Set<std::int32_t>("IVAL", x);
            ASSERT_TRUE(rig->Run("DOINTTOSTR").IsOk());
            rig->SetString("SIN", rig->GetString("SOUT"));
            ASSERT_TRUE(rig->Run("DOSTRTOINT").IsOk());
            ASSERT_EQ(rig->Get<std::int32_t>("IRES"), x);
        }
    }
}
