// Quorva run-time. Licensed under the MIT licence.
#include "shell/OpcValueText.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

using shell::OpcTextToVariant;
using shell::OpcVariantToText;

template <typename T> std::string ScalarText(T value, int type) {
    UA_Variant variant;
    UA_Variant_setScalar(&variant, &value, &UA_TYPES[type]);
    return OpcVariantToText(variant);
}

// The text of `text` converted to `type` and back, or "refused: <error>".
std::string TextRoundTrip(std::string_view text, int type) {
    UA_Variant variant;
    const platform::Status status = OpcTextToVariant(text, &UA_TYPES[type], variant);
    if (!status)
        return "refused: " + status.Error();
    std::string back = OpcVariantToText(variant);
    UA_Variant_clear(&variant);
    return back;
}

UA_String TextOf(std::string_view text) {
    return UA_String{text.size(), reinterpret_cast<UA_Byte*>(const_cast<char*>(text.data()))};
}

TEST(OpcValueText, ScalarsInTheirTextForms) {
    EXPECT_EQ(ScalarText<UA_Boolean>(true, UA_TYPES_BOOLEAN), "True");
    EXPECT_EQ(ScalarText<UA_SByte>(-128, UA_TYPES_SBYTE), "-128");
    EXPECT_EQ(ScalarText<UA_Byte>(200, UA_TYPES_BYTE), "200");
    EXPECT_EQ(ScalarText<UA_UInt64>(std::numeric_limits<UA_UInt64>::max(), UA_TYPES_UINT64),
              "18446744073709551615");
    EXPECT_EQ(ScalarText<UA_Float>(0.1f, UA_TYPES_FLOAT), "0.1");
    EXPECT_EQ(ScalarText<UA_Double>(0.1, UA_TYPES_DOUBLE), "0.1");
    EXPECT_EQ(ScalarText<UA_Double>(1e300, UA_TYPES_DOUBLE), "1e+300");
    EXPECT_EQ(ScalarText<UA_Double>(std::numeric_limits<double>::quiet_NaN(), UA_TYPES_DOUBLE),
              "NaN");
    EXPECT_EQ(ScalarText<UA_Float>(-std::numeric_limits<float>::infinity(), UA_TYPES_FLOAT),
              "-INF");
    EXPECT_EQ(ScalarText<UA_DateTime>(0, UA_TYPES_DATETIME), "1601-01-01 00:00:00.000");
    EXPECT_EQ(ScalarText<UA_DateTime>(UA_DATETIME_UNIX_EPOCH + 1234 * UA_DATETIME_MSEC,
                                      UA_TYPES_DATETIME),
              "1970-01-01 00:00:01.234");
    // Any 64-bit time has a text, however far from now.
    EXPECT_FALSE(ScalarText<UA_DateTime>(std::numeric_limits<UA_DateTime>::min(), UA_TYPES_DATETIME)
                     .empty());
    EXPECT_FALSE(ScalarText<UA_DateTime>(std::numeric_limits<UA_DateTime>::max(), UA_TYPES_DATETIME)
                     .empty());
    const UA_Byte bytes[] = {0x00, 0xAB, 0x7F};
    EXPECT_EQ(ScalarText<UA_ByteString>(UA_ByteString{3, const_cast<UA_Byte*>(bytes)},
                                        UA_TYPES_BYTESTRING),
              "00AB7F");
    EXPECT_EQ(ScalarText<UA_LocalizedText>(UA_LocalizedText{TextOf("de"), TextOf("Füllstand")},
                                           UA_TYPES_LOCALIZEDTEXT),
              "Füllstand");
    EXPECT_EQ(
        ScalarText<UA_QualifiedName>(UA_QualifiedName{2, TextOf("Level")}, UA_TYPES_QUALIFIEDNAME),
        "2:Level");
    EXPECT_EQ(ScalarText<UA_NodeId>(UA_NODEID_NUMERIC(3, 1001), UA_TYPES_NODEID), "ns=3;i=1001");
    EXPECT_EQ(ScalarText<UA_StatusCode>(UA_STATUSCODE_BADNODEIDUNKNOWN, UA_TYPES_STATUSCODE),
              "BadNodeIdUnknown");
    EXPECT_EQ(ScalarText<UA_StatusCode>(0x12345678u, UA_TYPES_STATUSCODE), "0x12345678");
}

TEST(OpcValueText, LongTextsAreCutWithoutSplittingCharacters) {
    std::string text = "a";
    while (text.size() < shell::OpcMaxValueText + 10)
        text += "\xc3\xa4"; // 2-byte character, placed so that the bound falls inside one
    const std::string cut = ScalarText<UA_String>(TextOf(text), UA_TYPES_STRING);
    EXPECT_LE(cut.size(), shell::OpcMaxValueText);
    EXPECT_GE(cut.size(), shell::OpcMaxValueText - 1);
    EXPECT_NE(static_cast<unsigned char>(cut.back()), 0xC3);

    std::string raw(shell::OpcMaxValueText, 'x');
    const std::string hex = ScalarText<UA_ByteString>(TextOf(raw), UA_TYPES_BYTESTRING);
    EXPECT_LE(hex.size(), shell::OpcMaxValueText);
}

TEST(OpcValueText, ArraysEmptyAndDamagedVariants) {
    UA_Variant variant;
    UA_Variant_init(&variant);
    EXPECT_EQ(OpcVariantToText(variant), "");

    UA_Int32 one[] = {42};
    UA_Variant_setArray(&variant, one, 1, &UA_TYPES[UA_TYPES_INT32]);
    EXPECT_EQ(OpcVariantToText(variant), "42");
    UA_Int32 two[] = {1, 2};
    UA_Variant_setArray(&variant, two, 2, &UA_TYPES[UA_TYPES_INT32]);
    EXPECT_EQ(OpcVariantToText(variant), "");
    UA_Variant_setArray(&variant, UA_EMPTY_ARRAY_SENTINEL, 0, &UA_TYPES[UA_TYPES_INT32]);
    EXPECT_EQ(OpcVariantToText(variant), "");
    // A type with no data, whatever the length says.
    UA_Variant_setArray(&variant, nullptr, 5, &UA_TYPES[UA_TYPES_DOUBLE]);
    EXPECT_EQ(OpcVariantToText(variant), "");
    // Structures have no text.
    UA_ExtensionObject objects[1];
    UA_ExtensionObject_init(&objects[0]);
    UA_Variant_setArray(&variant, objects, 1, &UA_TYPES[UA_TYPES_EXTENSIONOBJECT]);
    EXPECT_EQ(OpcVariantToText(variant), "");
    // A variant in a variant gives the inner value.
    UA_Variant inner;
    UA_Variant_setScalar(&inner, &one[0], &UA_TYPES[UA_TYPES_INT32]);
    UA_Variant_setScalar(&variant, &inner, &UA_TYPES[UA_TYPES_VARIANT]);
    EXPECT_EQ(OpcVariantToText(variant), "42");
}

TEST(OpcValueText, IntegersKeepTheirRangeBothWays) {
    EXPECT_EQ(TextRoundTrip("-128", UA_TYPES_SBYTE), "-128");
    EXPECT_EQ(TextRoundTrip(" +127 ", UA_TYPES_SBYTE), "127");
    EXPECT_EQ(TextRoundTrip("65535", UA_TYPES_UINT16), "65535");
    EXPECT_EQ(TextRoundTrip("-9223372036854775808", UA_TYPES_INT64), "-9223372036854775808");
    EXPECT_EQ(TextRoundTrip("18446744073709551615", UA_TYPES_UINT64), "18446744073709551615");
    for (const auto& [text, type] : std::vector<std::pair<const char*, int>>{
             {"128", UA_TYPES_SBYTE},
             {"-129", UA_TYPES_SBYTE},
             {"256", UA_TYPES_BYTE},
             {"-1", UA_TYPES_BYTE},
             {"-32769", UA_TYPES_INT16},
             {"65536", UA_TYPES_UINT16},
             {"2147483648", UA_TYPES_INT32},
             {"-1", UA_TYPES_UINT32},
             {"4294967296", UA_TYPES_UINT32},
             {"9223372036854775808", UA_TYPES_INT64},
             {"18446744073709551616", UA_TYPES_UINT64},
             {"-0x10", UA_TYPES_INT32},
             {"1.5", UA_TYPES_INT32},
             {"", UA_TYPES_INT16},
             {"+", UA_TYPES_INT16},
         }) {
        EXPECT_TRUE(TextRoundTrip(text, type).starts_with("refused: ")) << text;
    }
}

TEST(OpcValueText, OtherTypesFromText) {
    EXPECT_EQ(TextRoundTrip("TRUE", UA_TYPES_BOOLEAN), "True");
    EXPECT_EQ(TextRoundTrip("1", UA_TYPES_BOOLEAN), "True");
    EXPECT_EQ(TextRoundTrip("false", UA_TYPES_BOOLEAN), "False");
    EXPECT_EQ(TextRoundTrip("2", UA_TYPES_BOOLEAN).substr(0, 8), "refused:");
    EXPECT_EQ(TextRoundTrip("3.4028234e38", UA_TYPES_FLOAT), "3.4028235e+38");
    // The largest Float's own text reads back, though as a Double it is above the largest Float.
    EXPECT_EQ(TextRoundTrip("3.4028235e+38", UA_TYPES_FLOAT), "3.4028235e+38");
    EXPECT_EQ(TextRoundTrip("-3.4028235e+38", UA_TYPES_FLOAT), "-3.4028235e+38");
    EXPECT_EQ(TextRoundTrip("3.5e38", UA_TYPES_FLOAT).substr(0, 8), "refused:");
    EXPECT_EQ(TextRoundTrip("1e-50", UA_TYPES_FLOAT), "0");
    EXPECT_EQ(TextRoundTrip("-1e-400", UA_TYPES_DOUBLE), "-0");
    EXPECT_EQ(TextRoundTrip("1e999", UA_TYPES_DOUBLE).substr(0, 8), "refused:");
    EXPECT_EQ(TextRoundTrip("INF", UA_TYPES_DOUBLE), "INF");
    EXPECT_EQ(TextRoundTrip("-1.25e-7", UA_TYPES_DOUBLE), "-1.25e-07");
    EXPECT_EQ(TextRoundTrip("2000-02-29T23:59:59.5Z", UA_TYPES_DATETIME),
              "2000-02-29 23:59:59.500");
    EXPECT_EQ(TextRoundTrip("2100-02-29 00:00:00", UA_TYPES_DATETIME).substr(0, 8), "refused:");
    EXPECT_EQ(TextRoundTrip("2024-13-01 00:00:00", UA_TYPES_DATETIME).substr(0, 8), "refused:");
    EXPECT_EQ(TextRoundTrip("2024-01-01 00:00:00.", UA_TYPES_DATETIME).substr(0, 8), "refused:");
    EXPECT_EQ(TextRoundTrip("00ab7F", UA_TYPES_BYTESTRING), "00AB7F");
    EXPECT_EQ(TextRoundTrip("0ab", UA_TYPES_BYTESTRING).substr(0, 8), "refused:");
    EXPECT_EQ(TextRoundTrip("zz", UA_TYPES_BYTESTRING).substr(0, 8), "refused:");
    EXPECT_EQ(TextRoundTrip("72962B91-FA75-4AE6-8D28-B404DC7DAF63", UA_TYPES_GUID),
              "72962B91-FA75-4AE6-8D28-B404DC7DAF63");
    EXPECT_EQ(TextRoundTrip("not-a-guid", UA_TYPES_GUID).substr(0, 8), "refused:");
    EXPECT_EQ(TextRoundTrip("ns=2;s=Tank.Level", UA_TYPES_NODEID), "ns=2;s=Tank.Level");
    EXPECT_EQ(TextRoundTrip("3:Level", UA_TYPES_QUALIFIEDNAME), "3:Level");
    EXPECT_EQ(TextRoundTrip("Level", UA_TYPES_QUALIFIEDNAME), "Level");
    // A name of namespace 0 that looks like one with an index keeps its "0:".
    EXPECT_EQ(TextRoundTrip("0:010:0", UA_TYPES_QUALIFIEDNAME), "0:010:0");
    EXPECT_EQ(TextRoundTrip("70000:x", UA_TYPES_QUALIFIEDNAME), "70000:x");
    EXPECT_EQ(TextRoundTrip("Füllstand ; x", UA_TYPES_LOCALIZEDTEXT), "Füllstand ; x");
    EXPECT_EQ(TextRoundTrip("", UA_TYPES_STRING), "");
    EXPECT_EQ(TextRoundTrip("x", UA_TYPES_EXTENSIONOBJECT).substr(0, 8), "refused:");
    UA_Variant unused;
    EXPECT_FALSE(OpcTextToVariant("1", nullptr, unused));
}

} // namespace
