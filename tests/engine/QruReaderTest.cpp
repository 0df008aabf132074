// Quorva run-time. Licensed under the MIT licence.
#include "engine/QruReader.h"

#include "QruSamples.h"
#include "QruTestBytes.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <new>

// Counts the largest single allocation while a test asks for it, to show that an impossible
// count is refused before anything is allocated for it.
namespace {
thread_local bool t_tracking = false;
thread_local std::size_t t_largest = 0;
} // namespace

void* operator new(std::size_t size) {
    if (t_tracking && size > t_largest)
        t_largest = size;
    if (void* memory = std::malloc(size == 0 ? 1 : size))
        return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace {

using engine::QruErrorKind;
using qrutest::LittleEndianBytes;

engine::QruModule Read(std::string_view bytes) {
    auto read = engine::ReadQruModule(bytes);
    if (auto* error = std::get_if<engine::QruError>(&read))
        ADD_FAILURE() << error->message;
    auto* module = std::get_if<engine::QruModule>(&read);
    return module ? *module : engine::QruModule{};
}

engine::QruError Refused(std::string_view bytes) {
    auto read = engine::ReadQruModule(bytes);
    auto* error = std::get_if<engine::QruError>(&read);
    if (error == nullptr) {
        ADD_FAILURE() << "a module of " << bytes.size() << " bytes was accepted";
        return {};
    }
    return *error;
}

// Header and four empty tables, a trailer, entries and code: the pieces tests vary.
std::string Module(std::int32_t dataSize, std::string_view tables, std::string_view code,
                   std::string_view fixups, std::int32_t mainEntry = -1) {
    LittleEndianBytes b;
    b.Raw("QRU02").F64(1.0).U8(0).U8(0).I32(dataSize).I32(static_cast<std::int32_t>(code.size()));
    b.Raw(tables);
    b.U8(0).I32(10).U8(0).I32(0);
    b.I32(-1).I32(mainEntry).I32(-1);
    b.Raw(code).Raw(fixups);
    return b.Bytes();
}

std::string EmptyTables() {
    return LittleEndianBytes().I32(0).I32(0).I32(0).I32(0).Bytes();
}

TEST(QruReader, ReadsALibraryUnitOfTwelveDllEntries) {
    engine::QruModule module = Read(qrutest::ExcelSampleBytes());
    EXPECT_EQ(module, qrutest::ExcelSampleModule());
    ASSERT_EQ(module.functions.size(), 12u);
    for (const engine::QruFunction& function : module.functions) {
        EXPECT_TRUE(function.IsExternal()) << function.name;
        EXPECT_EQ(function.dllName, "ExcelIO");
    }
    EXPECT_TRUE(module.variables.empty());
    EXPECT_EQ(module.code.size(), 97u);
    EXPECT_TRUE(module.variableFixups.empty());
    ASSERT_EQ(module.functionFixups.size(), 1u);
    EXPECT_EQ(module.functionFixups[0].name, "ReadCellEx");
    EXPECT_EQ(module.functionFixups[0].site, 74);
    EXPECT_LT(module.initEntry, 0);
    EXPECT_EQ(module.mainEntry, 0);
    EXPECT_FALSE(module.attachments);
    EXPECT_FALSE(engine::FindAttachmentSection(qrutest::ExcelSampleBytes()));
}

TEST(QruReader, ReadsEveryTableRepeatedNamesAndAttachedFilesWithBlanks) {
    std::string bytes = qrutest::FullSampleBytes();
    engine::QruModule module = Read(bytes);
    EXPECT_EQ(module, qrutest::FullSampleModule());

    // A 0-byte name repeats the previous entry's name; a full repeat is read the same way.
    ASSERT_EQ(module.variableFixups.size(), 4u);
    EXPECT_EQ(module.variableFixups[1].name, "COUNTER");
    EXPECT_EQ(module.variableFixups[1].addend, 2);
    EXPECT_EQ(module.variableFixups[2].addend, -4);
    EXPECT_EQ(module.functionFixups[1].name, "INTTOSTR");
    // The external byte with a blank DLL name binds the record as internal.
    EXPECT_FALSE(module.functions[1].IsExternal());
    EXPECT_TRUE(module.functions[2].IsExternal());
    EXPECT_EQ(module.initEntry, -5);
    EXPECT_EQ(module.exitEntry, -77);

    ASSERT_TRUE(module.attachments);
    ASSERT_EQ(module.attachments->files.size(), 3u);
    EXPECT_EQ(module.attachments->files[1].kind, "DOC");
    EXPECT_EQ(module.attachments->files[1].fileName, "My Notes 2.txt");

    // The section starts right after the marker that follows the function fix-ups.
    std::size_t marker = qrutest::FullSampleBytes(false).size();
    EXPECT_EQ(engine::FindAttachmentSection(bytes), marker + 7);
    EXPECT_EQ(bytes.substr(marker, 7), std::string("\x06"
                                                   "BITMAP"));
}

TEST(QruReader, AttachmentSectionNeedsFlagAndMarker) {
    // Flag set but the stream ends after the fix-ups, or holds something else: no section.
    std::string bare = qrutest::FullSampleBytes(false);
    bare[14] = 1;
    for (const std::string& bytes : {bare, bare + "\x04"
                                                  "DATA"}) {
        engine::QruModule module = Read(bytes);
        EXPECT_TRUE(module.header.hasAttachments);
        EXPECT_FALSE(module.attachments);
        EXPECT_FALSE(engine::FindAttachmentSection(bytes));
    }
    // Flag clear: a section after the fix-ups is not looked at.
    std::string flagClear = qrutest::FullSampleBytes();
    flagClear[14] = 0;
    EXPECT_FALSE(Read(flagClear).attachments);
    EXPECT_FALSE(engine::FindAttachmentSection(flagClear));

    // DATA and DESCR may be missing; an empty name ends the attached files.
    LittleEndianBytes tail;
    tail.Str("BITMAP").I32(0).Str("PIC a b.bmp").I32(1).Raw("x").Str("").Raw("ignored");
    engine::QruModule module = Read(bare + tail.Bytes());
    ASSERT_TRUE(module.attachments);
    EXPECT_TRUE(module.attachments->data.empty());
    ASSERT_EQ(module.attachments->files.size(), 1u);
    EXPECT_EQ(module.attachments->files[0].fileName, "a b.bmp");
}

TEST(QruReader, AModuleWithNothingStillHasItsFourCounts) {
    std::string bytes = Module(0, EmptyTables(), "", "\xff\xff");
    engine::QruModule module = Read(bytes);
    EXPECT_EQ(bytes.size(), 23u + 16 + 10 + 12 + 2);
    EXPECT_TRUE(module.types.empty() && module.variables.empty() && module.functions.empty() &&
                module.accessors.empty() && module.uses.empty() && module.code.empty());
    EXPECT_TRUE(module.variableFixups.empty() && module.functionFixups.empty());
    // Without the counts the trailer would be read as a count: refused.
    Refused(Module(0, "", "", "\xff\xff"));
    // The current name starts empty, so a leading 0 byte names nothing.
    engine::QruModule leading =
        Read(Module(0, EmptyTables(), "abcd", std::string("\0\0\0\0\0\0\0\0\0\xff\xff", 11)));
    ASSERT_EQ(leading.variableFixups.size(), 1u);
    EXPECT_EQ(leading.variableFixups[0].name, "");
}

TEST(QruReader, RefusesEveryTruncation) {
    std::string bytes = qrutest::FullSampleBytes(false);
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        engine::QruError error = Refused(std::string_view(bytes).substr(0, size));
        EXPECT_EQ(error.kind, QruErrorKind::Damaged) << size;
        EXPECT_NE(error.message.find(" at offset "), std::string::npos) << error.message;
        EXPECT_FALSE(engine::FindAttachmentSection(std::string_view(bytes).substr(0, size)));
    }
    // Attached files run to the end of the stream: a cut is refused inside an entry, and at a
    // boundary between entries gives the files before it, never made-up content.
    std::string full = qrutest::FullSampleBytes();
    std::vector<engine::QruAttachedFile> files = qrutest::FullSampleModule().attachments->files;
    for (std::size_t size = bytes.size(); size < full.size(); ++size) {
        auto read = engine::ReadQruModule(std::string_view(full).substr(0, size));
        auto* module = std::get_if<engine::QruModule>(&read);
        if (module == nullptr || !module->attachments)
            continue;
        const auto& got = module->attachments->files;
        ASSERT_LT(got.size(), files.size()) << size;
        EXPECT_TRUE(std::equal(got.begin(), got.end(), files.begin())) << size;
    }
    Refused(std::string_view(full).substr(0, full.size() - 1));
}

TEST(QruReader, RefusesImpossibleCountsWithoutAllocatingForThem) {
    const std::int32_t huge = 0x7fffffff;
    std::string function = LittleEndianBytes()
                               .Str("F")
                               .I32(0)
                               .U8(0)
                               .I32(0)
                               .U8(12)
                               .U8(18)
                               .U8(0)
                               .U8(0)
                               .U8(0)
                               .Str("")
                               .Str("F")
                               .I32(huge)
                               .Bytes();
    const std::string cases[] = {
        Module(0, LittleEndianBytes().I32(huge).Bytes(), "", ""),
        Module(0, LittleEndianBytes().I32(1).Str("T").I32(4).I32(huge).Bytes(), "", ""),
        Module(0, LittleEndianBytes().I32(0).I32(huge).Bytes(), "", ""),
        Module(4, LittleEndianBytes().I32(0).I32(0).I32(1).Raw(function).Bytes(), "", ""),
        Module(0, LittleEndianBytes().I32(0).I32(0).I32(0).I32(huge).Bytes(), "", ""),
        Module(0, LittleEndianBytes().I32(0).I32(-1).Bytes(), "", ""),
        LittleEndianBytes()
            .Raw("QRU02")
            .F64(0)
            .U8(0)
            .U8(0)
            .I32(0)
            .I32(huge)
            .Raw(EmptyTables())
            .Bytes(),
        LittleEndianBytes().Raw("QRU02").F64(0).U8(0).U8(0).I32(0).I32(-4).Bytes(),
    };
    for (const std::string& bytes : cases) {
        t_largest = 0;
        t_tracking = true;
        auto read = engine::ReadQruModule(bytes);
        t_tracking = false;
        auto* error = std::get_if<engine::QruError>(&read);
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->kind, QruErrorKind::Damaged);
        EXPECT_LT(t_largest, 4096u) << error->message;
    }
    // The uses count too, and an attachment block size.
    std::string uses = qrutest::FullSampleBytes(false);
    std::size_t usesAt = uses.find(std::string("\x03\x00\x00\x00\x08MVarglob", 13));
    ASSERT_NE(usesAt, std::string::npos);
    uses.replace(usesAt, 4, "\xff\xff\xff\x7f");
    EXPECT_NE(Refused(uses).message.find("unit trailer"), std::string::npos);

    std::string block =
        qrutest::FullSampleBytes(false) + LittleEndianBytes().Str("BITMAP").I32(huge).Bytes();
    block[14] = 1;
    EXPECT_NE(Refused(block).message.find("attachment section"), std::string::npos);
}

TEST(QruReader, BadMagicIsAVersionMismatch) {
    std::string older = qrutest::ExcelSampleBytes();
    older[4] = '1';
    EXPECT_EQ(Refused(older).kind, QruErrorKind::BadMagic);
    EXPECT_EQ(Refused("MZ\x90\x00\x03").kind, QruErrorKind::BadMagic);
    EXPECT_EQ(Refused("QX").kind, QruErrorKind::BadMagic);
    // Too short to tell, but what is there agrees: a damaged module.
    EXPECT_EQ(Refused("QRU").kind, QruErrorKind::Damaged);
    EXPECT_EQ(Refused("").kind, QruErrorKind::Damaged);
    EXPECT_FALSE(engine::FindAttachmentSection(older));
}

TEST(QruReader, RefusesSizesAndOffsetsThatReachOutsideTheUnit) {
    LittleEndianBytes variable;
    variable.I32(0).I32(1).Str("V").I32(0).I32(8).U8(25).U8(0).I32(0).I32(0).I32(0).U8(0);
    variable.Str("").Str("").Str("").I32(0).I32(0);
    // Eight bytes of variables need a data size of at least eight.
    EXPECT_NE(Refused(Module(7, variable.Bytes(), "", "\xff\xff")).message.find("data size 7"),
              std::string::npos);
    Read(Module(8, variable.Bytes(), "", "\xff\xff"));

    LittleEndianBytes negative;
    negative.I32(0).I32(1).Str("V").I32(0).I32(-8).U8(4).U8(0).I32(0).I32(0).I32(0).U8(0);
    negative.Str("").Str("").Str("").I32(0).I32(0);
    EXPECT_NE(Refused(Module(0, negative.Bytes(), "", "\xff\xff")).message.find("negative"),
              std::string::npos);

    // Entries must point into the code; sites must leave four bytes inside it.
    EXPECT_NE(Refused(Module(0, EmptyTables(), "abcd", "\xff\xff", 4)).message.find("main entry"),
              std::string::npos);
    Read(Module(0, EmptyTables(), "abcd", "\xff\xff", 3));
    std::string variableSite = LittleEndianBytes().Str("V").I32(1).I32(0).U8(255).U8(255).Bytes();
    EXPECT_NE(Refused(Module(0, EmptyTables(), "abcd", variableSite)).message.find("variable fix"),
              std::string::npos);
    std::string functionSite = LittleEndianBytes().U8(255).Str("F").I32(-1).U8(255).Bytes();
    EXPECT_NE(Refused(Module(0, EmptyTables(), "abcd", functionSite)).message.find("function fix"),
              std::string::npos);
    // A name that runs past the end.
    Refused(Module(0, EmptyTables(), "abcd", "\x20QRU"));
}

} // namespace
