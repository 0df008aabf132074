// Quorva run-time. Licensed under the MIT licence.
#include "runtime/StringFunctions.h"

#include "StringCallerRig.h"

#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>

namespace {

using testsupport::StringCallerRig;

std::unique_ptr<StringCallerRig> MakeStringRig() {
    auto rig = StringCallerRig::Create(QUORVA_STRING_CALLER_UNIT);
    EXPECT_TRUE(rig.IsOk()) << (rig.IsOk() ? "" : rig.Error());
    return rig ? std::move(rig.Value()) : nullptr;
}

// Independent models: one character at a time, positions as 64-bit numbers.
std::string ModelCopy(const std::string& s, std::int64_t start, std::int64_t count) {
    std::string out;
    for (std::int64_t i = std::max<std::int64_t>(start, 1);
         i <= static_cast<std::int64_t>(s.size()) && static_cast<std::int64_t>(out.size()) < count;
         ++i)
        out += s[static_cast<std::size_t>(i - 1)];
    return out;
}

std::string ModelDelete(const std::string& s, std::int64_t start, std::int64_t count) {
    if (start < 1 || start > static_cast<std::int64_t>(s.size()) || count <= 0)
        return s;
    std::string out;
    for (std::int64_t i = 1; i <= static_cast<std::int64_t>(s.size()); ++i) {
        if (i < start || i >= start + count)
            out += s[static_cast<std::size_t>(i - 1)];
    }
    return out;
}

std::string ModelInsert(const std::string& sub, const std::string& s, std::int64_t position,
                        std::int64_t highest) {
    const auto length = static_cast<std::int64_t>(s.size());
    std::int64_t at = position < 1 ? 1 : (position > length + 1 ? length + 1 : position);
    std::string out;
    for (std::int64_t i = 1; i < at; ++i)
        out += s[static_cast<std::size_t>(i - 1)];
    out += sub;
    for (std::int64_t i = at; i <= length; ++i)
        out += s[static_cast<std::size_t>(i - 1)];
    const std::int64_t keep = std::min<std::int64_t>(std::max<std::int64_t>(highest, 0), 255);
    return out.substr(0, std::min<std::size_t>(out.size(), static_cast<std::size_t>(keep)));
}

std::int32_t ModelPos(const std::string& search, const std::string& s) {
    if (search.empty())
        return 0;
    for (std::size_t i = 0; i + search.size() <= s.size(); ++i) {
        bool same = true;
        for (std::size_t j = 0; j < search.size() && same; ++j)
            same = s[i + j] == search[j];
        if (same)
            return static_cast<std::int32_t>(i) + 1;
    }
    return 0;
}

// Random Strings of any byte, up to 255 characters (short ones over a small alphabet so that
// POS finds something), and positions and counts around the interesting range.
struct Generator {
    std::mt19937 random{4242};
    std::string Text() {
        const bool small = random() % 2 == 0;
        std::string out(random() % 256, '\0');
        for (char& c : out)
            c = static_cast<char>(small ? 'A' + random() % 3 : random() % 256);
        return out;
    }
    std::int32_t Position() {
        switch (random() % 8) {
        case 0:
            return std::numeric_limits<std::int32_t>::min();
        case 1:
            return std::numeric_limits<std::int32_t>::max();
        default:
            return static_cast<std::int32_t>(random() % 300) - 20;
        }
    }
};

} // namespace

TEST(StringFunctions, EdgeCasesThroughUnitCode) {
    auto rig = MakeStringRig();
    ASSERT_TRUE(rig);
    auto run = [&](const std::string& procedure) {
        platform::Status ran = rig->Run(procedure);
        EXPECT_TRUE(ran.IsOk()) << procedure << ": " << (ran.IsOk() ? "" : ran.Error());
    };
    auto copy = [&](std::string_view s, std::int32_t start, std::int32_t count) {
        rig->SetString("SIN", s);
        rig->Set("IVAL", start);
        rig->Set("IARG", count);
        run("DOCOPY");
        return rig->GetString("SOUT");
    };
    EXPECT_EQ(copy("ABCDE", 0, 2), "AB");
    EXPECT_EQ(copy("ABCDE", 4, 10), "DE");
    EXPECT_EQ(copy("ABCDE", 6, 1), "");
    EXPECT_EQ(copy("ABCDE", 2, -1), "");
    EXPECT_EQ(copy("", 1, 5), "");

    auto edit = [&](const std::string& procedure, std::string_view s, std::int32_t a,
                    std::int32_t b, std::int32_t highest = 255) {
        rig->SetString("SDST", s);
        rig->Set("HIGH", highest);
        rig->Set("IVAL", a);
        rig->Set("IARG", b);
        run(procedure);
        return rig->GetString("SDST");
    };
    EXPECT_EQ(edit("DODELETE", "ABCDE", 2, 10), "A");
    EXPECT_EQ(edit("DODELETE", "ABCDE", 0, 2), "ABCDE");
    EXPECT_EQ(edit("DODELETE", "ABCDE", 2, 2), "ADE");
    // DELETE ignores the highest index: a wrong one cuts nothing.
    EXPECT_EQ(edit("DODELETE", "ABCDE", 5, 1, 2), "ABCD");

    rig->SetString("SIN", "XY");
    EXPECT_EQ(edit("DOINSERT", "ABC", 10, 0), "ABCXY");
    EXPECT_EQ(edit("DOINSERT", "ABC", 0, 0), "XYABC");
    EXPECT_EQ(edit("DOINSERT", "ABC", 2, 0), "AXYBC");
    EXPECT_EQ(edit("DOINSERT", std::string(255, 'z'), 1, 0), "XY" + std::string(253, 'z'));
    // A destination of highest index 4 keeps 4 characters and its bytes past index 4 untouched.
    rig->SetStringFilled("SDST", "ABC", 0xEE);
    rig->Set("HIGH", 4);
    rig->Set("IVAL", 2);
    run("DOINSERT");
    EXPECT_EQ(rig->GetString("SDST"), "AXYB");
    EXPECT_EQ(rig->ByteAt("SDST", 5), 0xEE);

    rig->SetString("SDST", "HELLO");
    run("DOLENGTH");
    EXPECT_EQ(rig->Get<std::int32_t>("IRES"), 5);

    auto pos = [&](std::string_view search, std::string_view s) {
        rig->SetString("SIN2", search);
        rig->SetString("SIN", s);
        run("DOPOS");
        return rig->Get<std::int32_t>("IRES");
    };
    EXPECT_EQ(pos("", "ABC"), 0);
    EXPECT_EQ(pos("C", "ABC"), 3);
    EXPECT_EQ(pos("BC", "ABCBC"), 2);
    EXPECT_EQ(pos("ABCD", "ABC"), 0);

    rig->Set<std::int32_t>("IVAL", 321);
    run("DOCHR");
    EXPECT_EQ(rig->GetString("SOUT"), "A");
    rig->Set<std::int32_t>("IVAL", -1);
    run("DOCHR");
    EXPECT_EQ(rig->GetString("SOUT"), "\xFF");

    // ORD reads character 1 whatever the length byte says.
    rig->SetStringFilled("SIN", "", 0x7B);
    rig->Set<std::int32_t>("IRES", -1);
    run("DOORD");
    EXPECT_EQ(rig->Get<std::int32_t>("IRES"), 0x7B);
    rig->SetString("SIN", "\x90Z");
    run("DOORD");
    EXPECT_EQ(rig->Get<std::int32_t>("IRES"), 0x90);
    EXPECT_TRUE(rig->GuardsIntact());
}

TEST(StringFunctions, PureFunctionsMatchTheModelOnRandomStrings) {
    Generator gen;
    for (int i = 0; i < 20000; ++i) {
        const std::string s = gen.Text();
        const std::string sub = gen.Text();
        const std::int32_t a = gen.Position();
        const std::int32_t b = gen.Position();
        const auto capacity = static_cast<std::size_t>(gen.random() % 300);
        ASSERT_EQ(runtime::CopyText(s, a, b).Str(), ModelCopy(s, a, b));
        ASSERT_EQ(runtime::DeleteText(s, a, b).Str(), ModelDelete(s, a, b));
        ASSERT_EQ(runtime::InsertText(sub, s, a, capacity).Str(),
                  ModelInsert(sub, s, a, static_cast<std::int64_t>(capacity)));
        const std::string search = s.substr(0, gen.random() % 4);
        ASSERT_EQ(runtime::PosText(search, sub), ModelPos(search, sub));
    }
}

TEST(StringFunctions, RandomCallsThroughUnitCodeStayInsideTheirStrings) {
    auto rig = MakeStringRig();
    ASSERT_TRUE(rig);
    Generator gen;
    for (int i = 0; i < 1500; ++i) {
        const std::string s = gen.Text();
        const std::string sub = gen.Text();
        const std::int32_t a = gen.Position();
        const std::int32_t b = gen.Position();
        rig->SetStringFilled("SIN", s, 0xCC);
        rig->SetStringFilled("SOUT", "", 0xCC);
        rig->Set("IVAL", a);
        rig->Set("IARG", b);
        ASSERT_TRUE(rig->Run("DOCOPY").IsOk());
        ASSERT_EQ(rig->GetString("SOUT"), ModelCopy(s, a, b));

        rig->SetStringFilled("SDST", s, 0xCC);
        rig->Set("HIGH", 255);
        ASSERT_TRUE(rig->Run("DODELETE").IsOk());
        ASSERT_EQ(rig->GetString("SDST"), ModelDelete(s, a, b));

        // INSERT into a variable of random highest index: nothing past it changes.
        const auto highest = static_cast<std::int32_t>(s.size() + gen.random() % 60);
        const std::int32_t bounded = std::min(highest, 255);
        rig->SetString("SIN", sub);
        rig->SetStringFilled("SDST", s, 0xCC);
        rig->Set("HIGH", bounded);
        ASSERT_TRUE(rig->Run("DOINSERT").IsOk());
        ASSERT_EQ(rig->GetString("SDST"), ModelInsert(sub, s, a, bounded));
        for (std::uint32_t k = static_cast<std::uint32_t>(bounded) + 1; k < 256; ++k)
            ASSERT_EQ(rig->ByteAt("SDST", k), 0xCC) << "byte " << k << " highest " << bounded;

        rig->SetString("SIN2", s.substr(0, gen.random() % 3));
        ASSERT_TRUE(rig->Run("DOPOS").IsOk());
        ASSERT_EQ(rig->Get<std::int32_t>("IRES"), ModelPos(rig->GetString("SIN2"), sub));
        ASSERT_TRUE(rig->GuardsIntact()) << "iteration " << i;
    }
}
