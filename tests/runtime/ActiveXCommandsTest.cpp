// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ActiveXCommands.h"

#include "FigureRecords.h"
#include "UnitCallerRig.h"
#include "screens/ActiveXHostFigure.h"
#include "screens/AttributsFig.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/ScreenLoader.h"
#include "screens/SynScreen.h"
#include "screens/TSimple.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace cmd = runtime::screencmd;
using runtime::ShortString;

namespace {

// The runtime library with the ActiveX commands bound and the VARIANTCALLER unit; variants are
// laid out in guest heap blocks by the test. SOUT is followed by a guard no call may touch.
class ActiveXVariantRig : public testsupport::UnitCallerRig {
public:
    static constexpr std::uint8_t kGuard = 0xA5;

    static platform::Result<std::unique_ptr<ActiveXVariantRig>> Create() {
        std::unique_ptr<ActiveXVariantRig> rig(new ActiveXVariantRig());
        if (platform::Status built = rig->Build({&runtime::AddActiveXCommands}, QUORVA_VARIANT_CALLER_UNIT);
            !built)
            return platform::Fail(built.Error());
        rig->FillGuards({"GOUT"}, kGuard);
        return rig;
    }

    // Every conversion of the variant at `address`, each made by unit code.
    struct Conversions {
        double asDouble = -1;
        long double asReal = -1;
        std::int32_t asInteger = -1;
        std::uint16_t asWord = 0xBEEF;
        std::uint8_t asByte = 0xEE;
        bool asBoolean = false;
        std::string asText = "unset";
    };
    Conversions Convert(platform::GuestAddress address) {
        Set<std::int32_t>("ADDR", static_cast<std::int32_t>(address));
        Set<std::int32_t>("OK", 7);
        SetString("SOUT", "unset");
        for (const char* procedure : {"DODOUBLE", "DOREAL", "DOINTEGER", "DOWORD", "DOBYTE", "DOBOOLEAN", "DOSTR"})
            EXPECT_TRUE(Run(procedure)) << procedure;
        EXPECT_TRUE(GuardsHold({"GOUT"}, kGuard));
        return {Get<double>("DRES"), GetReal("RRES"), Get<std::int32_t>("IRES"), Get<std::uint16_t>("WRES"),
                Get<std::uint8_t>("BRES"), Get<std::int32_t>("OK") != 0, GetString("SOUT")};
    }

    platform::GuestAddress Block(std::uint32_t size) { return memory->Allocate(size).value_or(0); }
    // A 16-byte variant of type `type` whose value bytes (at offset 8) are `value`.
    template <typename T> platform::GuestAddress Variant(std::uint16_t type, T value) {
        const platform::GuestAddress at = Block(16);
        memory->Write<std::uint16_t>(at, type);
        memory->Write<T>(at + 8, value);
        return at;
    }
    // A wide string with its byte length before it; the address of its characters.
    platform::GuestAddress Wide(std::u16string_view text, std::uint32_t statedBytes = ~0u) {
        const auto bytes = static_cast<std::uint32_t>(text.size() * 2);
        const platform::GuestAddress block = Block(bytes + 8);
        memory->Write<std::uint32_t>(block, statedBytes == ~0u ? bytes : statedBytes);
        memory->WriteBytes(block + 4, text.data(), bytes);
        return block + 4;
    }

private:
    ActiveXVariantRig() = default;
};

class ActiveXVariants : public ::testing::Test {
protected:
    void SetUp() override {
        auto created = ActiveXVariantRig::Create();
        ASSERT_TRUE(created) << created.Error();
        rig = std::move(created.Value());
    }
    std::unique_ptr<ActiveXVariantRig> rig;
};

} // namespace

TEST_F(ActiveXVariants, NumbersConvertWithRoundingAndSaturation) {
    auto c = rig->Convert(rig->Variant<std::int16_t>(2, -1234));
    EXPECT_EQ(c.asDouble, -1234.0);
    EXPECT_EQ(c.asReal, -1234.0L);
    EXPECT_EQ(c.asInteger, -1234);
    EXPECT_EQ(c.asWord, 0);   // below the Word range
    EXPECT_EQ(c.asByte, 0);
    EXPECT_TRUE(c.asBoolean);
    EXPECT_EQ(c.asText, "-1234");

    c = rig->Convert(rig->Variant<std::int32_t>(3, 70000));
    EXPECT_EQ(c.asWord, 65535);
    EXPECT_EQ(c.asByte, 255);
    EXPECT_EQ(c.asText, "70000");

    c = rig->Convert(rig->Variant<double>(5, 12.5));
    EXPECT_EQ(c.asDouble, 12.5);
    EXPECT_EQ(c.asInteger, 12); // halves to even
    EXPECT_EQ(c.asText, "12.5");
    EXPECT_EQ(rig->Convert(rig->Variant<double>(5, 13.5)).asInteger, 14);
    EXPECT_EQ(rig->Convert(rig->Variant<double>(5, -2.7)).asInteger, -3);
    EXPECT_EQ(rig->Convert(rig->Variant<double>(5, 1e300)).asInteger, 2147483647);

    c = rig->Convert(rig->Variant<float>(4, 2.25f));
    EXPECT_EQ(c.asDouble, 2.25);
    EXPECT_EQ(c.asText, "2.25");

    // Currency counts ten-thousandths.
    c = rig->Convert(rig->Variant<std::int64_t>(6, 123456));
    EXPECT_DOUBLE_EQ(c.asDouble, 12.3456);
    EXPECT_EQ(c.asInteger, 12);
    EXPECT_EQ(c.asText, "12.3456");

    EXPECT_EQ(rig->Convert(rig->Variant<std::int8_t>(16, -5)).asInteger, -5);
    EXPECT_EQ(rig->Convert(rig->Variant<std::uint8_t>(17, 200)).asByte, 200);
    EXPECT_EQ(rig->Convert(rig->Variant<std::uint16_t>(18, 60000)).asWord, 60000);
    c = rig->Convert(rig->Variant<std::uint32_t>(19, 4000000000u));
    EXPECT_EQ(c.asInteger, 2147483647);
    EXPECT_EQ(c.asText, "4000000000");
    c = rig->Convert(rig->Variant<std::int64_t>(20, -9000000000000000000));
    EXPECT_EQ(c.asInteger, -2147483647 - 1);
    EXPECT_EQ(c.asText, "-9000000000000000000");
    EXPECT_EQ(rig->Convert(rig->Variant<std::uint64_t>(21, ~0ull)).asText, "18446744073709551615");
    EXPECT_EQ(rig->Convert(rig->Variant<std::int32_t>(22, -7)).asInteger, -7);
    EXPECT_EQ(rig->Convert(rig->Variant<std::uint32_t>(23, 7)).asText, "7");

    // A Boolean is true for any non-zero word and counts 1 as a number.
    c = rig->Convert(rig->Variant<std::int16_t>(11, -1));
    EXPECT_TRUE(c.asBoolean);
    EXPECT_EQ(c.asInteger, 1);
    EXPECT_EQ(c.asText, "True");
    c = rig->Convert(rig->Variant<std::int16_t>(11, 0));
    EXPECT_FALSE(c.asBoolean);
    EXPECT_EQ(c.asText, "False");

    // A date keeps its day count and reads as a date (with its time when it has one).
    c = rig->Convert(rig->Variant<double>(7, 45000.5));
    EXPECT_EQ(c.asDouble, 45000.5);
    EXPECT_EQ(c.asText, "15/03/2023 12:00:00");
    EXPECT_EQ(rig->Convert(rig->Variant<double>(7, 45000.0)).asText, "15/03/2023");

    // A 96-bit decimal fills the whole variant: -1234.5 is 12345 at scale 1, negative.
    const platform::GuestAddress decimal = rig->Variant<std::uint64_t>(14, 12345);
    rig->memory->Write<std::uint8_t>(decimal + 2, 1);
    rig->memory->Write<std::uint8_t>(decimal + 3, 0x80);
    EXPECT_DOUBLE_EQ(rig->Convert(decimal).asDouble, -1234.5);
}

TEST_F(ActiveXVariants, WideStringsAreReadWithinTheirLengthAndConvertedToTheCodePage) {
    auto c = rig->Convert(rig->Variant<std::uint32_t>(8, rig->Wide(u" 12.5 ")));
    EXPECT_EQ(c.asDouble, 12.5);
    EXPECT_EQ(c.asInteger, 12);
    EXPECT_TRUE(c.asBoolean);
    EXPECT_EQ(c.asText, " 12.5 ");
    EXPECT_EQ(rig->Convert(rig->Variant<std::uint32_t>(8, rig->Wide(u"3,75"))).asDouble, 3.75);
    EXPECT_EQ(rig->Convert(rig->Variant<std::uint32_t>(8, rig->Wide(u"true"))).asBoolean, true);
    c = rig->Convert(rig->Variant<std::uint32_t>(8, rig->Wide(u"pump 3")));
    EXPECT_EQ(c.asDouble, 0.0);
    EXPECT_FALSE(c.asBoolean);

    // The length word decides, not a terminator; text goes to the project's code page.
    EXPECT_EQ(rig->Convert(rig->Variant<std::uint32_t>(8, rig->Wide(u"Caf\u00e9 \u20ac!", 12))).asText,
              "Caf\xe9 \x80");
    const std::u16string longText(300, u'x');
    EXPECT_EQ(rig->Convert(rig->Variant<std::uint32_t>(8, rig->Wide(longText))).asText,
              std::string(255, 'x'));
    // A null string pointer is the empty text; a string whose length word or characters lie
    // outside guest memory reads as nothing (and the guard after SOUT stays whole: Convert
    // checks it).
    EXPECT_EQ(rig->Convert(rig->Variant<std::uint32_t>(8, 0)).asText, "");
    EXPECT_EQ(rig->Convert(rig->Variant<std::uint32_t>(8, 2)).asText, "");
    c = rig->Convert(rig->Variant<std::uint32_t>(8, 0xFFFFFFF0u));
    EXPECT_EQ(c.asText, "");
    EXPECT_EQ(c.asDouble, 0.0);
}

TEST_F(ActiveXVariants, ReferencesAndBadAddressesGiveTheValueOrTheDefault) {
    const platform::GuestAddress number = rig->Block(16);
    rig->memory->Write<std::int32_t>(number, 77);
    EXPECT_EQ(rig->Convert(rig->Variant<std::uint32_t>(0x4000 | 3, number)).asInteger, 77);
    const platform::GuestAddress real = rig->Block(16);
    rig->memory->Write<double>(real, 0.25);
    EXPECT_EQ(rig->Convert(rig->Variant<std::uint32_t>(0x4000 | 5, real)).asText, "0.25");
    const platform::GuestAddress text = rig->Block(16);
    rig->memory->Write<std::uint32_t>(text, rig->Wide(u"42"));
    EXPECT_EQ(rig->Convert(rig->Variant<std::uint32_t>(0x4000 | 8, text)).asWord, 42);
    // A reference to a variant, which itself refers to the number.
    const platform::GuestAddress inner = rig->Variant<std::uint32_t>(0x4000 | 3, number);
    EXPECT_EQ(rig->Convert(rig->Variant<std::uint32_t>(0x4000 | 12, inner)).asInteger, 77);
    // A chain of variant references deeper than one is refused rather than followed.
    const platform::GuestAddress outer = rig->Variant<std::uint32_t>(0x4000 | 12, inner);
    EXPECT_EQ(rig->Convert(rig->Variant<std::uint32_t>(0x4000 | 12, outer)).asInteger, 0);
    const platform::GuestAddress self = rig->Block(16);
    rig->memory->Write<std::uint16_t>(self, 0x4000 | 12);
    rig->memory->Write<std::uint32_t>(self + 8, self);
    EXPECT_EQ(rig->Convert(self).asInteger, 0);

    // Bad references, bad addresses, empty and unconverted types: every result is its default.
    for (platform::GuestAddress address :
         {rig->Variant<std::uint32_t>(0x4000 | 3, 0), rig->Variant<std::uint32_t>(0x4000 | 3, 0xFFFFFFFCu),
          rig->Variant<std::uint32_t>(0x4000 | 8, 0xFFFFFFFFu), rig->Variant<std::uint32_t>(0, 5),
          rig->Variant<std::uint32_t>(1, 5), rig->Variant<std::uint32_t>(9, number),
          rig->Variant<std::uint32_t>(0x2000 | 3, number), platform::GuestAddress{0},
          platform::GuestAddress{16}, platform::GuestAddress{0xFFFFFFF8u}}) {
        const auto c = rig->Convert(address);
        EXPECT_EQ(c.asDouble, 0.0) << address;
        EXPECT_EQ(c.asReal, 0.0L) << address;
        EXPECT_EQ(c.asInteger, 0) << address;
        EXPECT_EQ(c.asWord, 0) << address;
        EXPECT_EQ(c.asByte, 0) << address;
        EXPECT_FALSE(c.asBoolean) << address;
        EXPECT_EQ(c.asText, "") << address;
    }
}

namespace {

// A window "PANEL", the current window, with a plain panel and two ActiveX objects.
class ActiveXCommands : public ::testing::Test {
protected:
    void SetUp() override {
        screens::Globals().Reset();
        m_form.SetScreenName("PANEL");
        screens::SetCurrentWindow(&m_form);
        m_panel = new screens::TSimple(&m_form.Client());
        m_panel->SetNames("TCSIMPLE", "PANEL1");
        m_first = Host("TGAUGECTRL", "GAUGE1", std::string("first\0state", 11));
        m_second = Host("TCHARTCTRL", "CHART1", "second state");
    }
    void TearDown() override { screens::Globals().Reset(); }

    screens::ActiveXHostFigure* Host(std::string className, std::string name, std::string stream) {
        auto* host = new screens::ActiveXHostFigure(&m_form.Client());
        host->SetNames(std::move(className), std::move(name));
        host->SetControl("{00000000-1111-2222-3333-444444444444}", std::move(stream));
        return host;
    }
    static std::string FileBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    screens::ScreenForm m_form;
    screens::TSimple* m_panel = nullptr;
    screens::ActiveXHostFigure* m_first = nullptr;
    screens::ActiveXHostFigure* m_second = nullptr;
};

} // namespace

TEST_F(ActiveXCommands, TheTargetIsTheCurrentActiveXFigureElseTheFirstOfTheWindow) {
    screens::SetCurrentFigure(m_panel);
    EXPECT_EQ(cmd::ActiveXTarget(), m_first);
    EXPECT_EQ(cmd::OcxGetClassName().Str(), "TGAUGECTRL");
    screens::SetCurrentFigure(m_second);
    EXPECT_EQ(cmd::OcxGetClassName().Str(), "TCHARTCTRL");
    screens::SetCurrentFigure(nullptr);
    EXPECT_EQ(cmd::ActiveXTarget(), m_first);

    // A window without ActiveX objects, and no window at all: no target, nothing happens.
    screens::ScreenForm plain;
    screens::SetCurrentWindow(&plain);
    EXPECT_EQ(cmd::ActiveXTarget(), nullptr);
    EXPECT_EQ(cmd::OcxGetClassName().Str(), "");
    screens::SetCurrentWindow(nullptr);
    EXPECT_EQ(cmd::OcxGetClassName().Str(), "");
    QTemporaryDir dir;
    const std::string file = dir.filePath("none.ocx").toStdString();
    cmd::SavePropOcx(ShortString(file));
    EXPECT_FALSE(std::filesystem::exists(file));
    cmd::LoadPropOcx(ShortString(file));

    // The commands that need a live control answer "no variant" and change nothing.
    screens::SetCurrentWindow(&m_form);
    auto memory = platform::GuestMemory::Create();
    ASSERT_TRUE(memory) << memory.Error();
    const runtime::ValueListRef noList(*memory.Value(), 0, -1);
    EXPECT_EQ(cmd::GetPropId(5), 0);
    EXPECT_EQ(cmd::InvokeAppletW(5, noList), 0);
    EXPECT_EQ(cmd::InvokeAppletR(5, noList), 0);
    EXPECT_EQ(cmd::DispFunc(28, 0, 4, noList), 0);
    cmd::SetPropId(5, noList);
    EXPECT_EQ(m_first->PropertyStream(), std::string("first\0state", 11));
}

TEST_F(ActiveXCommands, PropertiesSaveToAFileAndLoadBackWithinLimits) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string file = dir.filePath("gauge.ocx").toStdString();
    screens::SetCurrentFigure(m_second);
    cmd::SavePropOcx(ShortString(file));
    EXPECT_EQ(FileBytes(file), "second state");

    // Loading makes the file the control's state, binary bytes included.
    std::ofstream(file, std::ios::binary | std::ios::trunc) << std::string("new\0\xff", 5);
    cmd::LoadPropOcx(ShortString(file));
    EXPECT_EQ(m_second->PropertyStream(), std::string("new\0\xff", 5));
    EXPECT_EQ(m_first->PropertyStream(), std::string("first\0state", 11));

    // A missing file, a directory and an oversized file change nothing.
    cmd::LoadPropOcx(ShortString(dir.filePath("missing.ocx").toStdString()));
    cmd::LoadPropOcx(ShortString(dir.path().toStdString()));
    cmd::LoadPropOcx(ShortString(""));
    const std::string huge = dir.filePath("huge.ocx").toStdString();
    std::ofstream(huge, std::ios::binary) << "x";
    std::filesystem::resize_file(huge, cmd::kMaxPropertyStream + 1);
    cmd::LoadPropOcx(ShortString(huge));
    EXPECT_EQ(m_second->PropertyStream(), std::string("new\0\xff", 5));

    // A name the file system refuses leaves the earlier file whole.
    cmd::SavePropOcx(ShortString(dir.filePath("*.ocx").toStdString()));
    cmd::SavePropOcx(ShortString(dir.filePath("no/such/dir.ocx").toStdString()));
    EXPECT_EQ(FileBytes(file), std::string("new\0\xff", 5));
}

TEST_F(ActiveXCommands, ALoadedObjectKeepsItsControlAndBounds) {
    screens::SynObject object;
    object.attributes = testsupport::Record(screens::FigureKind::ActiveX, 40, 30, 140, 80);
    object.attributes.className = "TSliderX";
    object.attributes.objectName = "Slider1";
    object.activeX.classId = "{ABCDEF01-2345-6789-ABCD-EF0123456789}";
    object.activeX.data = std::string("\x01\0\x02state", 8);
    screens::Figure* figure = screens::CreateObject(object, m_form, "PANEL");
    auto* host = dynamic_cast<screens::ActiveXHostFigure*>(figure);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->ClassId(), object.activeX.classId);
    EXPECT_EQ(host->PropertyStream(), object.activeX.data);
    EXPECT_EQ(host->Widget().geometry(), QRect(40, 30, 100, 50));

    screens::SetCurrentFigure(host);
    EXPECT_EQ(cmd::OcxGetClassName().Str(), "TSLIDERX");
    QTemporaryDir dir;
    const std::string file = dir.filePath("slider.ocx").toStdString();
    cmd::SavePropOcx(ShortString(file));
    EXPECT_EQ(FileBytes(file), object.activeX.data);
}
