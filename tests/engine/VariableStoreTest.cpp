// Quorva run-time. Licensed under the MIT licence.

#include "engine/VariableStore.h"

#include "TestSupport.h"
#include "engine/GlobalBlock.h"
#include "engine/ProjectDirectories.h"
#include "engine/QruWriter.h"
#include "platform/Extended.h"
#include "platform/Log.h"
#include "shell/MessagePresenter.h"
#include "shell/Package.h"

#include <clocale>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <locale>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace engine {
namespace {

using platform::GuestAddress;
constexpr GuestAddress kBase = platform::guest::kGlobalBase + 1; // the first global

class RecordingPresenter final : public shell::MessagePresenter {
public:
    std::int32_t Show(const std::string& caption, const std::string& text, std::uint32_t) override {
        boxes.push_back(caption + "|" + text);
        return shell::answer::Ok;
    }
    std::vector<std::string> boxes;
};

QruVariable Scalar(std::string name, std::uint8_t type, std::int32_t size) {
    QruVariable variable;
    variable.name = std::move(name);
    variable.type = type;
    variable.size = size;
    variable.exported = true;
    return variable;
}

QruVariable Array(std::string name, std::uint8_t elementType, std::int32_t elementSize,
                  std::int32_t low, std::int32_t high) {
    QruVariable variable = Scalar(std::move(name), 10, elementSize * (high - low + 1));
    variable.elementType = elementType;
    variable.elementSize = elementSize;
    variable.low = low;
    variable.high = high;
    return variable;
}

// The globals of the tests, at these offsets from the first global: COUNT 0, FLAG 4, LEVEL 5,
// SMALL 15, COL1[1..5] 16..24, NAME 26, SPEED 282, RATIO 284, TOTAL 288, LIST 296,
// TEMPS[0..2] 304..324, RAW 334, REC 338; the end at 350.
std::vector<QruVariable> StandardGlobals() {
    QruVariable literal = Scalar("7", 1, 4);
    literal.exported = false;
    return {Scalar("COUNT", 4, 4),
            Scalar("FLAG", 3, 1),
            Scalar("LEVEL", 5, 10),
            Scalar("SMALL", 7, 1),
            Array("COL1", 20, 2, 1, 5),
            Scalar("NAME", 9, 256),
            Scalar("SPEED", 20, 2),
            Scalar("RATIO", 24, 4),
            Scalar("TOTAL", 25, 8),
            Scalar("LIST", 26, 8),
            literal,
            Array("TEMPS", 5, 10, 0, 2),
            Scalar("RAW", 23, 4),
            Scalar("REC", 22, 12)};
}

std::string ModuleBytes(std::vector<QruVariable> variables) {
    QruModule module;
    module.variables = std::move(variables);
    module.header.dataSize = static_cast<std::int32_t>(RequiredDataSize(module));
    module.nonCyclic = true;
    return WriteQruModule(module);
}

class VariableStoreTest : public ::testing::Test {
protected:
    VariableStoreTest() : m_cwd(m_dir.Path()), m_memory(4096) {
        WriteModule(StandardGlobals());
        m_store.LoadGlobalNames();
    }

    void WriteModule(std::vector<QruVariable> variables) {
        testsupport::WriteFile(m_dir / "MVARGLOB.QRU", ModuleBytes(std::move(variables)));
    }
    GlobalView View() {
        return {m_memory.data(), static_cast<std::uint32_t>(m_memory.size()),
                platform::guest::kGlobalBase};
    }
    std::byte* At(std::uint32_t offset) { return m_memory.data() + 1 + offset; }
    template <typename T> T Raw(std::uint32_t offset) {
        T value;
        std::memcpy(&value, At(offset), sizeof value);
        return value;
    }
    template <typename T> void SetRaw(std::uint32_t offset, T value) {
        std::memcpy(At(offset), &value, sizeof value);
    }

    testsupport::TempDir m_dir;
    testsupport::ScopedCurrentDir m_cwd;
    std::vector<std::byte> m_memory;
    shell::ProjectPackage m_package{"", 0};
    RecordingPresenter m_presenter;
    VariableStore m_store{View(), m_package, m_presenter};
};

// Captures warnings and errors for the life of the object.
class LogCapture {
public:
    LogCapture() {
        m_previous = platform::log::SetSink(
            [this](platform::LogLevel, std::string_view line) { lines.emplace_back(line); });
    }
    ~LogCapture() { platform::log::SetSink(m_previous); }
    std::vector<std::string> lines;

private:
    platform::log::Sink m_previous;
};

TEST_F(VariableStoreTest, NamesAreLaidOutAsTheLoaderPlacesTheGlobals) {
    EXPECT_EQ(m_store.NameCount(), 19u); // 11 scalars, 5 + 3 elements; no array, no literal
    EXPECT_EQ(m_store.GlobalDataSize(), 350u);
    EXPECT_EQ(m_store.GlobalAddress("COUNT"), kBase);
    EXPECT_EQ(m_store.GlobalAddress("level"), kBase + 5);
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(m_store.GlobalAddress(fmt::format("COL1[{}]", i)), kBase + 16 + 2 * (i - 1));
    EXPECT_EQ(m_store.GlobalAddress("COL1"), std::nullopt);
    EXPECT_EQ(m_store.GlobalAddress("7"), std::nullopt);
    EXPECT_EQ(m_store.GlobalAddress(""), std::nullopt); // the end pair has no name to find
    // The literal takes no room: TEMPS follows LIST directly.
    EXPECT_EQ(m_store.GlobalAddress("TEMPS[0]"), kBase + 304);
    EXPECT_EQ(m_store.GlobalAddress("temps[2]"), kBase + 324);
    EXPECT_EQ(m_store.GlobalAddress("REC"), kBase + 338);

    SetRaw<std::uint16_t>(20, 777);
    EXPECT_EQ(m_store.GetWordAt("COL1", 3), 777);
    EXPECT_EQ(m_store.GetWordAt("COL1", 6), 0); // beyond the high bound
}

TEST_F(VariableStoreTest, BooleanRequestsReadAndWriteBitsOrWholeBytes) {
    SetRaw<std::uint32_t>(0, 0x80000008u);
    EXPECT_TRUE(m_store.GetBoolean("COUNT.3"));
    EXPECT_FALSE(m_store.GetBoolean("COUNT.2"));
    EXPECT_TRUE(m_store.GetBoolean("count"));    // no ".": bit -1, taken as bit 31
    EXPECT_TRUE(m_store.GetBoolean("COUNT.35")); // bit numbers are taken modulo 32
    m_store.SetBoolean("COUNT.4", true);
    m_store.SetBoolean("COUNT.31", false);
    EXPECT_EQ(Raw<std::uint32_t>(0), 0x00000018u);

    SetRaw<std::uint16_t>(282, 0x8000);
    EXPECT_TRUE(m_store.GetBoolean("SPEED.15"));
    m_store.SetBoolean("SPEED.0", true);
    EXPECT_EQ(Raw<std::uint16_t>(282), 0x8001);
    m_store.SetBoolean("SMALL.1", true);
    EXPECT_EQ(Raw<std::uint8_t>(15), 2);
    EXPECT_EQ(Raw<std::uint16_t>(16), 0); // the bit write stayed in its byte

    // A Boolean variable is read as its whole byte and written as 1 or 0.
    SetRaw<std::uint8_t>(4, 5);
    EXPECT_EQ(m_store.GetBooleanByte("FLAG"), 5);
    EXPECT_TRUE(m_store.GetBoolean("FLAG"));
    m_store.SetBoolean("FLAG", true);
    EXPECT_EQ(Raw<std::uint8_t>(4), 1);

    // A bit number that is not a number resolves to nothing and writes nothing.
    const std::vector<std::byte> before = m_memory;
    EXPECT_FALSE(m_store.GetBoolean("COUNT.x"));
    m_store.SetBoolean("COUNT.x", true);
    m_store.SetBoolean("NOSUCH.1", true);
    EXPECT_EQ(m_memory, before);
}

TEST_F(VariableStoreTest, TypedAccessorsUseTheCacheAndStayInsideTheirVariables) {
    m_store.SetDouble("TOTAL", 1234.5678);
    EXPECT_EQ(m_store.GetDouble("TOTAL"), 1234.5678);
    EXPECT_EQ(m_store.GetDouble("total"), 1234.5678); // the same request, upper-cased
    EXPECT_EQ(m_store.RequestCount(), 1u);
    m_store.SetReal("LEVEL", 2.5L);
    EXPECT_EQ(std::memcmp(At(5), platform::ToExtended(2.5L).data(), 10), 0);
    EXPECT_EQ(m_store.GetReal("LEVEL"), 2.5L);
    m_store.SetReal("TEMPS[1]", -7.25L);
    EXPECT_EQ(m_store.GetRealAt("TEMPS", 1), -7.25L);
    m_store.SetSingle("RATIO", 0.5f);
    EXPECT_EQ(m_store.GetSingle("RATIO"), 0.5f);

    m_store.SetString("NAME", std::string(300, 'x'));
    EXPECT_EQ(m_store.GetString("NAME"), std::string(255, 'x'));
    EXPECT_EQ(Raw<std::uint8_t>(26), 255);

    // A write wider than its variable would spill into the next one: refused.
    SetRaw<std::uint16_t>(16, 0x1234);
    m_store.SetInteger("SMALL", 0x7FFFFFFF);
    EXPECT_EQ(Raw<std::uint8_t>(15), 0);
    EXPECT_EQ(Raw<std::uint16_t>(16), 0x1234);

    // Unknown names read defaults and write nothing.
    const std::vector<std::byte> before = m_memory;
    EXPECT_EQ(m_store.GetInteger("NOSUCH"), 0);
    EXPECT_EQ(m_store.GetString("NOSUCH"), "");
    m_store.SetInteger("NOSUCH", 1);
    m_store.SetString("NOSUCH", "x");
    EXPECT_EQ(m_memory, before);
}

TEST_F(VariableStoreTest, NamesOutsideTheViewReadDefaultsAndWriteNothing) {
    // A module larger than the view: the names that do not fit are left out.
    std::vector<QruVariable> globals = {Scalar("BIG", 9, 256), Array("MANY", 4, 4, 0, 100000),
                                        Scalar("AFTER", 4, 4)};
    WriteModule(globals);
    m_store.LoadGlobalNames();
    EXPECT_EQ(m_store.GlobalAddress("BIG"), kBase);
    EXPECT_TRUE(m_store.GlobalAddress("MANY[0]").has_value());
    EXPECT_EQ(m_store.GlobalAddress("MANY[5000]"), std::nullopt);
    EXPECT_EQ(m_store.GlobalAddress("AFTER"), std::nullopt);
    EXPECT_LT(m_store.NameCount(), 1100u);
    const std::uint32_t lastIndex = static_cast<std::uint32_t>(m_store.NameCount()) - 2;
    const GuestAddress last = *m_store.GlobalAddress(fmt::format("MANY[{}]", lastIndex));
    EXPECT_LE(last + 4, platform::guest::kGlobalBase + m_memory.size());
}

TEST_F(VariableStoreTest, LayoutFlagRebuildsTheTablesAndEmptiesTheCache) {
    SetRaw<std::int32_t>(0, 11);
    EXPECT_EQ(m_store.GetInteger("COUNT"), 11);
    EXPECT_EQ(m_store.GetGlobalText("SPEED"), "0");
    EXPECT_EQ(m_store.RequestCount(), 2u);

    // The editor places a new variable first and raises the flag.
    std::vector<QruVariable> globals = StandardGlobals();
    globals.insert(globals.begin(), Scalar("EXTRA", 4, 4));
    WriteModule(globals);
    SetLayoutChanged(View(), true);
    SetRaw<std::int32_t>(4, 22); // COUNT now lives 4 bytes further on
    EXPECT_EQ(m_store.GetInteger("COUNT"), 22);
    EXPECT_FALSE(LayoutChanged(View()));
    EXPECT_EQ(m_store.RequestCount(), 1u);
    EXPECT_EQ(m_store.GlobalAddress("EXTRA"), kBase);
    EXPECT_TRUE(m_presenter.boxes.empty());
}

TEST_F(VariableStoreTest, GlobalTextOfEveryType) {
    m_store.SetInteger("COUNT", -42);
    SetRaw<std::uint8_t>(4, 1);
    m_store.SetReal("LEVEL", 1.5L);
    SetRaw<std::uint8_t>(15, 200);
    m_store.SetString("NAME", "Title1");
    m_store.SetWord("SPEED", 65535);
    m_store.SetDouble("TOTAL", 1e20);
    m_store.SetDouble("LIST", 0.0000001);
    m_store.SetReal("TEMPS[2]", -0.25L);
    m_store.SetSingle("RATIO", 0.1f);
    EXPECT_EQ(m_store.GetGlobalText("COUNT"), "-42");
    EXPECT_EQ(m_store.GetGlobalText("FLAG"), "True");
    EXPECT_EQ(m_store.GetGlobalText("LEVEL"), "1.5");
    EXPECT_EQ(m_store.GetGlobalText("SMALL"), "200");
    EXPECT_EQ(m_store.GetGlobalText("NAME"), "Title1");
    EXPECT_EQ(m_store.GetGlobalText("SPEED"), "65535");
    EXPECT_EQ(m_store.GetGlobalText("TOTAL"), "1E20");
    EXPECT_EQ(m_store.GetGlobalText("LIST"), "1E-7");
    EXPECT_EQ(m_store.GetGlobalText("TEMPS[2]"), "-0.25");
    EXPECT_EQ(m_store.GetGlobalText("RATIO"), "0.1");
    EXPECT_EQ(m_store.GetGlobalText("COUNT.1"), "True"); // -42 = ...11010110
    EXPECT_EQ(m_store.GetGlobalText("COUNT.0"), "False");
    EXPECT_EQ(m_store.GetGlobalText("REC"), "");
    EXPECT_EQ(m_store.GetGlobalText("NOSUCH"), "");
    // The display does not depend on which accessor resolved the name first.
    EXPECT_FALSE(m_store.GetBoolean("SPEED")); // bit 31 of a Word
    EXPECT_EQ(m_store.GetGlobalText("SPEED"), "65535");

    EXPECT_TRUE(m_store.SetGlobalText("FLAG", "False"));
    EXPECT_EQ(Raw<std::uint8_t>(4), 0);
    EXPECT_TRUE(m_store.SetGlobalText("FLAG", "1"));
    EXPECT_EQ(Raw<std::uint8_t>(4), 1);
    EXPECT_TRUE(m_store.SetGlobalText("FLAG", "0"));
    EXPECT_EQ(m_store.GetGlobalText("FLAG"), "False");
    EXPECT_TRUE(m_store.SetGlobalText("FLAG", "TRUE"));
    EXPECT_TRUE(m_store.SetGlobalText("COUNT.0", "true"));
    EXPECT_EQ(m_store.GetInteger("COUNT"), -41);
    EXPECT_TRUE(m_store.SetGlobalText("COUNT", " 123456 "));
    EXPECT_EQ(m_store.GetInteger("COUNT"), 123456);
    EXPECT_TRUE(m_store.SetGlobalText("SMALL", "7"));
    EXPECT_EQ(m_store.GetByte("SMALL"), 7);
    EXPECT_TRUE(m_store.SetGlobalText("SPEED", "1000"));
    EXPECT_EQ(m_store.GetWord("SPEED"), 1000);
    EXPECT_TRUE(m_store.SetGlobalText("LEVEL", "-2.5E3"));
    EXPECT_EQ(m_store.GetReal("LEVEL"), -2500.0L);
    EXPECT_TRUE(m_store.SetGlobalText("RATIO", "0.75"));
    EXPECT_EQ(m_store.GetSingle("RATIO"), 0.75f);
    EXPECT_TRUE(m_store.SetGlobalText("TOTAL", "3.125"));
    EXPECT_EQ(m_store.GetDouble("TOTAL"), 3.125);
    EXPECT_TRUE(m_store.SetGlobalText("TEMPS[0]", "12.5"));
    EXPECT_EQ(m_store.GetRealAt("TEMPS", 0), 12.5L);
    EXPECT_TRUE(m_store.SetGlobalText("NAME", "abc"));
    EXPECT_EQ(m_store.GetString("NAME"), "abc");
    EXPECT_FALSE(m_store.SetGlobalText("REC", "1"));
    EXPECT_FALSE(m_store.SetGlobalText("NOSUCH", "1"));
}

TEST_F(VariableStoreTest, TextsThatDoNotConvertChangeNothingAndAreLogged) {
    m_store.SetInteger("COUNT", 5);
    m_store.SetReal("LEVEL", 1.0L);
    const std::vector<std::byte> before = m_memory;
    LogCapture log;
    EXPECT_FALSE(m_store.SetGlobalText("COUNT", "12abc"));
    EXPECT_FALSE(m_store.SetGlobalText("COUNT", "99999999999"));
    EXPECT_FALSE(m_store.SetGlobalText("SMALL", "256"));
    EXPECT_FALSE(m_store.SetGlobalText("SPEED", "-1"));
    EXPECT_FALSE(m_store.SetGlobalText("LEVEL", "1,5"));
    EXPECT_FALSE(m_store.SetGlobalText("TOTAL", "INF"));
    EXPECT_FALSE(m_store.SetGlobalText("RATIO", "1E300"));
    EXPECT_FALSE(m_store.SetGlobalText("FLAG", "yes"));
    EXPECT_FALSE(m_store.SetGlobalText("COUNT.3", ""));
    EXPECT_EQ(m_memory, before);
    ASSERT_EQ(log.lines.size(), 9u);
    EXPECT_NE(log.lines[0].find("\"12abc\" is not a valid Integer for COUNT"), std::string::npos);
}

// A numeric punctuation facet with "," as the decimal point.
struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

TEST_F(VariableStoreTest, DecimalPointIsAlwaysADot) {
    const std::locale previous = std::locale::global(std::locale(std::locale(), new CommaDecimal));
    const std::string previousC = std::setlocale(LC_ALL, nullptr);
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE", "fr_FR"})
        if (std::setlocale(LC_ALL, name) != nullptr)
            break;
    m_store.SetReal("LEVEL", 2.5L);
    m_store.SetDouble("TOTAL", 0.125);
    const std::string level = m_store.GetGlobalText("LEVEL");
    const std::string total = m_store.GetGlobalText("TOTAL");
    const bool parsed = m_store.SetGlobalText("RATIO", "1.25");
    std::setlocale(LC_ALL, previousC.c_str());
    std::locale::global(previous);
    EXPECT_EQ(level, "2.5");
    EXPECT_EQ(total, "0.125");
    EXPECT_TRUE(parsed);
    EXPECT_EQ(m_store.GetSingle("RATIO"), 1.25f);
}

TEST_F(VariableStoreTest, GlobalTypeMapsTheStoredCodes) {
    EXPECT_EQ(m_store.GlobalType("COUNT"), 4);
    EXPECT_EQ(m_store.GlobalType("FLAG"), 3);
    EXPECT_EQ(m_store.GlobalType("LEVEL"), 5);
    EXPECT_EQ(m_store.GlobalType("SMALL"), 7);
    EXPECT_EQ(m_store.GlobalType("COL1[2]"), 20);
    EXPECT_EQ(m_store.GlobalType("NAME"), 9);
    EXPECT_EQ(m_store.GlobalType("RATIO"), 24);
    EXPECT_EQ(m_store.GlobalType("TOTAL"), 5);    // 25 gives 5
    EXPECT_EQ(m_store.GlobalType("TEMPS[1]"), 5); // Real elements are recorded as 25
    EXPECT_EQ(m_store.GlobalType("LIST"), 26);
    EXPECT_EQ(m_store.GlobalType("RAW"), 23);
    EXPECT_EQ(m_store.GlobalType("REC"), 18);
    EXPECT_EQ(m_store.GlobalType("NOSUCH"), 18);
    EXPECT_EQ(m_store.GlobalType("NOSUCH.1"), 3); // any bit request
}

TEST_F(VariableStoreTest, GlobalAtAddressFindsTheVariableHoldingAnAddress) {
    auto at = [this](std::uint32_t offset) { return m_store.GlobalAtAddress(kBase + offset); };
    auto count = at(2);
    EXPECT_EQ(count.start, 0u);
    EXPECT_EQ(count.address, kBase);
    EXPECT_EQ(count.type, 4);
    EXPECT_EQ(count.size, 4);
    auto name = at(100);
    EXPECT_EQ(name.start, 26u);
    EXPECT_EQ(name.type, 9);
    EXPECT_EQ(name.size, 256);
    auto word = at(19); // inside COL1[2]
    EXPECT_EQ(word.start, 18u);
    EXPECT_EQ(word.size, 2);
    // Elements of a Real array: the element itself, 10 bytes apart.
    for (std::uint32_t element = 0; element < 3; ++element) {
        auto real = at(304 + 10 * element + 9);
        EXPECT_EQ(real.start, 304 + 10 * element);
        EXPECT_EQ(real.type, 25);
        EXPECT_EQ(real.size, 10);
    }
    EXPECT_EQ(at(290).size, 8); // a Double variable
    auto end = at(5000);
    EXPECT_EQ(end.type, 18);
    EXPECT_EQ(end.size, 0);
    EXPECT_EQ(end.start, 350u);
    auto below = m_store.GlobalAtAddress(platform::guest::kGlobalBase);
    EXPECT_EQ(below.type, 18);
    EXPECT_EQ(below.size, 0);
    EXPECT_EQ(below.address, platform::guest::kGlobalBase);
}

TEST_F(VariableStoreTest, InvalidModuleIsDeletedAndReported) {
    for (std::string_view bytes :
         {std::string_view("QRU01-and-more-bytes"), std::string_view("QR")}) {
        testsupport::WriteFile(m_dir / "MVARGLOB.QRU", bytes);
        m_presenter.boxes.clear();
        m_store.LoadGlobalNames();
        EXPECT_FALSE(std::filesystem::exists(m_dir / "MVARGLOB.QRU"));
        ASSERT_EQ(m_presenter.boxes.size(), 1u);
        EXPECT_EQ(m_presenter.boxes[0], "Error|MVarglob.QRU invalid Version");
        EXPECT_EQ(m_store.NameCount(), 0u);
        EXPECT_EQ(m_store.GetInteger("COUNT"), 0);
    }
    // Through the layout flag as well, with the box shown once.
    testsupport::WriteFile(m_dir / "mvarglob.qru", "XXXXXXXX");
    m_presenter.boxes.clear();
    SetLayoutChanged(View(), true);
    EXPECT_EQ(m_store.GetGlobalText("COUNT"), "");
    EXPECT_EQ(m_store.GetGlobalText("COUNT"), "");
    EXPECT_EQ(m_presenter.boxes.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(m_dir / "mvarglob.qru"));
}

TEST_F(VariableStoreTest, DamagedModuleKeepsTheNamesReadBeforeTheDamage) {
    const std::string bytes = ModuleBytes(StandardGlobals());
    LogCapture log;
    // Cut inside the fourth variable record, and at every earlier byte: never more than what
    // was read, never a crash.
    const std::size_t cut = bytes.find("SMALL") + 3;
    testsupport::WriteFile(m_dir / "MVARGLOB.QRU", bytes.substr(0, cut));
    m_store.LoadGlobalNames();
    EXPECT_EQ(m_store.NameCount(), 3u);
    EXPECT_EQ(m_store.GlobalAddress("LEVEL"), kBase + 5);
    EXPECT_TRUE(m_presenter.boxes.empty());
    for (std::size_t length = 5; length < cut; ++length) {
        testsupport::WriteFile(m_dir / "MVARGLOB.QRU", bytes.substr(0, length));
        m_store.LoadGlobalNames();
        EXPECT_LE(m_store.NameCount(), 3u);
    }
    EXPECT_FALSE(log.lines.empty());
}

TEST_F(VariableStoreTest, CallsFromTwoThreadsKeepTheirValues) {
    std::thread scan([this] {
        for (int i = 0; i < 2000; ++i) {
            m_store.SetInteger("COUNT", i);
            m_store.SetGlobalText(fmt::format("COL1[{}]", 1 + i % 5), std::to_string(i));
        }
    });
    for (int i = 0; i < 2000; ++i) {
        if (i % 500 == 0)
            SetLayoutChanged(View(), true);
        m_store.SetGlobalText("NAME", "gui");
        EXPECT_EQ(m_store.GetGlobalText("NAME"), "gui");
    }
    scan.join();
    EXPECT_EQ(m_store.GetInteger("COUNT"), 1999);
    EXPECT_EQ(m_store.GetWordAt("COL1", 5), 1999);
}

TEST(GlobalBlock, SecondAttachAndSecondProcessShareTheValues) {
    testsupport::TempDir dir;
    testsupport::ScopedCurrentDir cwd(dir.Path());
    testsupport::WriteFile(dir / "MVARGLOB.QRU", ModuleBytes(StandardGlobals()));
    shell::ProjectPackage package("", 0);
    RecordingPresenter presenter;

    auto first = GlobalBlock::Attach();
    auto second = GlobalBlock::Attach();
    ASSERT_TRUE(first.IsOk()) << first.Error();
    ASSERT_TRUE(second.IsOk()) << second.Error();
    EXPECT_GE(first->Size(), 400000u);
    EXPECT_EQ(first->Size() % platform::guest::kPageSize, 0u);
    EXPECT_NE(first->Host(), second->Host());

    VariableStore one(first->View(), package, presenter);
    VariableStore two(second->View(), package, presenter);
    one.LoadGlobalNames();
    two.LoadGlobalNames();
    one.SetGlobalText("LEVEL", "6.5");
    EXPECT_EQ(two.GetGlobalText("LEVEL"), "6.5");

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int code = 1;
        {
            auto block = GlobalBlock::Attach();
            if (block.IsOk()) {
                VariableStore store(block->View(), package, presenter);
                store.LoadGlobalNames();
                code = store.GetGlobalText("LEVEL") == "6.5" ? 0 : 2;
                store.SetInteger("COUNT", 4711);
                SetLayoutChanged(block->View(), true);
            }
        }
        ::_exit(code);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(LayoutChanged(two.View()));
    EXPECT_EQ(two.GetInteger("COUNT"), 4711);
    EXPECT_FALSE(LayoutChanged(one.View()));
}

TEST(ProjectDirectories, RegistrationGivesDirectoryAndName) {
    testsupport::TempDir dir;
    std::filesystem::create_directory(dir / "plant1");
    const std::string plant = (dir / "plant1").string();
    testsupport::WriteFile(dir / "projects.ini", "; registration\n[projects]\nOther = /nowhere\n"
                                                 "Plant1=" +
                                                     plant +
                                                     "/\r\n[CURRENT]\n"
                                                     "directory = " +
                                                     plant + "\nbroken line\n");
    auto found = ProjectDirectories::Load((dir / "projects.ini").string(), "/opt/quorva");
    EXPECT_EQ(found.ProjectDirectory(), plant);
    EXPECT_EQ(found.ProjectName(), "Plant1");
    EXPECT_EQ(found.ModulesDirectory(), "/opt/quorva/Modules");

    testsupport::WriteFile(dir / "gone.ini", "[Current]\nDirectory=/no/such/dir\n"
                                             "[Projects]\nGone=/no/such/dir\n");
    auto gone = ProjectDirectories::Load((dir / "gone.ini").string(), "/opt/quorva");
    EXPECT_EQ(gone.ProjectDirectory(), "");
    EXPECT_EQ(gone.ProjectName(), "Gone");

    auto missing = ProjectDirectories::Load((dir / "none.ini").string(), "/x");
    EXPECT_EQ(missing.ProjectDirectory(), "");
    EXPECT_EQ(missing.ProjectName(), "");
}

} // namespace
} // namespace engine
