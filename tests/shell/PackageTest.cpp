// Quorva run-time. Licensed under the MIT licence.
#include "shell/Package.h"

#include "TestSupport.h"
#include "platform/Log.h"
#include "platform/Process.h"
#include "shell/PackageWriter.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <zlib.h>

namespace {

using testsupport::ReadFile;
using testsupport::ScopedCurrentDir;
using testsupport::TempDir;
using testsupport::WriteFile;

std::string Int32(std::int32_t value) {
    auto bits = static_cast<std::uint32_t>(value);
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<char>((bits >> shift) & 0xFF));
    return bytes;
}

// A raw entry header and data, for packages the packer would never write.
std::string RawEntry(std::int32_t size, std::string_view name, std::string_view data) {
    return Int32(size) + static_cast<char>(name.size()) + std::string(name) + std::string(data);
}

std::string Compressed(std::string_view content) {
    std::string out(compressBound(content.size()), '\0');
    uLongf size = out.size();
    EXPECT_EQ(compress(reinterpret_cast<Bytef*>(out.data()), &size,
                       reinterpret_cast<const Bytef*>(content.data()), content.size()),
              Z_OK);
    out.resize(size);
    return out;
}

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xFF);
    return bytes;
}

// Writes a package file (slot holding 12) with `package` and returns the package bound to it.
shell::ProjectPackage PackageFile(const std::filesystem::path& path, std::string_view package) {
    WriteFile(path, shell::PackageFileBytes(package));
    return shell::ProjectPackage::ForExecutable(path.string());
}

// Collects the log lines written while it lives.
class LogCapture {
public:
    LogCapture()
        : m_previous(platform::log::SetSink(
              [this](platform::LogLevel, std::string_view line) { m_lines.emplace_back(line); })) {}
    ~LogCapture() { platform::log::SetSink(m_previous); }
    bool Has(std::string_view text) const {
        for (const std::string& line : m_lines) {
            if (line.find(text) != std::string::npos)
                return true;
        }
        return false;
    }

private:
    std::vector<std::string> m_lines;
    platform::log::Sink m_previous;
};

std::string ReadStream(const std::unique_ptr<shell::Stream>& stream) {
    return stream ? stream->ReadAll() : std::string("<null>");
}

TEST(Package, DirectoryPartsAndCaseOfRequestedNamesAreIgnored) {
    TempDir dir;
    shell::PackageBuilder builder;
    ASSERT_TRUE(builder.AddFile("Main.syn", "screen bytes").IsOk());
    ASSERT_TRUE(builder.AddStored("lower.txt", Compressed("stored in lower case")).IsOk());
    auto package = PackageFile(dir / "project.pkg", builder.Bytes());
    ASSERT_EQ(package.Offset(), 12);

    for (std::string_view name : {"MAIN.SYN", "main.syn", "C:\\Projects\\Demo\\Main.syn",
                                  "sub/dir/mAiN.SyN", "D:Main.syn"}) {
        SCOPED_TRACE(name);
        auto stream = package.Open(name);
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(stream->Position(), 0u);
        EXPECT_EQ(stream->ReadAll(), "screen bytes");
        EXPECT_TRUE(package.Contains(name));
    }
    EXPECT_EQ(ReadStream(package.Open("LOWER.TXT")), "stored in lower case");
    EXPECT_FALSE(package.Contains("MAIN.SY"));
    EXPECT_FALSE(package.Contains("MAIN.SYN2"));
}

TEST(Package, PackageCopyWinsAndDiskServesTheRestWithMappedPaths) {
    TempDir dir;
    ScopedCurrentDir inside(dir.Path());
    std::filesystem::create_directory(dir / "Data");
    WriteFile(dir / "MAIN.SYN", "disk copy");
    WriteFile(dir / "Data" / "Recipe.Rct", "recipe on disk");

    shell::PackageBuilder builder;
    ASSERT_TRUE(builder.AddFile("MAIN.SYN", "package copy").IsOk());
    auto package = PackageFile(dir / "project.pkg", builder.Bytes());

    EXPECT_EQ(ReadStream(package.Open("main.syn")), "package copy");
    // Not in the package: the disk file at the path as given, found despite its letter case.
    EXPECT_FALSE(package.Contains("DATA\\RECIPE.RCT"));
    EXPECT_EQ(ReadStream(package.Open("DATA\\RECIPE.RCT")), "recipe on disk");
    // The disk look-up keeps the directory: the bare name is not in the current directory.
    EXPECT_EQ(package.Open("RECIPE.RCT"), nullptr);
    EXPECT_EQ(package.Open("missing.qru"), nullptr);
    EXPECT_EQ(package.Open("Data"), nullptr) << "a directory is not a file";

    // Without a package, everything comes from the disk and nothing is "contained".
    shell::ProjectPackage none((dir / "MAIN.SYN").string(), 0);
    EXPECT_EQ(ReadStream(none.Open("MAIN.SYN")), "disk copy");
    EXPECT_FALSE(none.Contains("MAIN.SYN"));
}

TEST(Package, FirstEntryOfANameWinsAndTheMarkerIsNoZlibStream) {
    TempDir dir;
    shell::PackageBuilder builder;
    ASSERT_TRUE(builder.AddFile("A.TXT", "first").IsOk());
    ASSERT_TRUE(builder.AddFile("a.txt", "second").IsOk());
    auto package = PackageFile(dir / "p.pkg", builder.Bytes());
    EXPECT_EQ(ReadStream(package.Open("a.txt")), "first");

    // The marker entry is stored as it is; opening it inflates it like any entry, which fails.
    EXPECT_TRUE(package.Contains("PIVARD"));
    EXPECT_EQ(ReadStream(package.Open("PIVARD")), "");
    auto entries = package.List();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, "PIVARD");
    EXPECT_EQ(entries[0].storedSize, 10);
    EXPECT_EQ(entries[0].inflatedSize, 10u);
    EXPECT_TRUE(entries[0].intact);
}

TEST(Package, DamagedEntryHeadersEndTheWalkWithoutReadingOutsideTheFile) {
    TempDir dir;
    ScopedCurrentDir inside(dir.Path());
    WriteFile(dir / "AFTER.TXT", "on disk");
    shell::PackageBuilder good;
    ASSERT_TRUE(good.AddFile("BEFORE.TXT", "intact").IsOk());

    struct Case {
        const char* what;
        std::string tail;
    };
    const Case cases[] = {
        {"negative size", RawEntry(-5, "X", "") + RawEntry(10, "AFTER.TXT", "")},
        {"size past the end", RawEntry(1000, "AFTER.TXT", Compressed("cut"))},
        {"size one past the end", RawEntry(12, "AFTER.TXT", std::string(11, 'z'))},
        {"name past the end", Int32(4) + static_cast<char>(200) + "AFTER"},
        {"header cut off", std::string("\x05\x00\x00", 3)},
        {"size wraps to negative", Int32(INT32_MIN) + static_cast<char>(1) + "Q"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LogCapture log;
        auto package = PackageFile(dir / "damaged.pkg", good.Bytes() + c.tail);
        EXPECT_EQ(ReadStream(package.Open("BEFORE.TXT")), "intact");
        EXPECT_FALSE(package.Contains("AFTER.TXT"));
        EXPECT_FALSE(package.Contains("ANYTHING"));
        // Not found in the package, so the disk file of that name is taken.
        EXPECT_EQ(ReadStream(package.Open("AFTER.TXT")), "on disk");
        std::string damage;
        auto entries = package.List(&damage);
        ASSERT_EQ(entries.size(), 2u);
        EXPECT_EQ(entries[1].name, "BEFORE.TXT");
        EXPECT_FALSE(damage.empty());
        EXPECT_TRUE(log.Has("damaged.pkg")) << "a damaged package is not passed over silently";
    }
}

TEST(Package, DamagedZlibStreamsReadAsEmpty) {
    TempDir dir;
    std::string valid = Compressed(std::string(5000, 'v') + RandomBytes(3000, 1));
    shell::PackageBuilder builder;
    ASSERT_TRUE(builder.AddStored("GARBAGE.BIN", RandomBytes(300, 2)).IsOk());
    ASSERT_TRUE(builder.AddStored("CUT.BIN", valid.substr(0, valid.size() / 2)).IsOk());
    ASSERT_TRUE(builder.AddStored("NOCHECK.BIN", valid.substr(0, valid.size() - 1)).IsOk());
    ASSERT_TRUE(builder.AddStored("EMPTY.BIN", "").IsOk());
    ASSERT_TRUE(builder.AddFile("GOOD.BIN", "still readable").IsOk());
    auto package = PackageFile(dir / "p.pkg", builder.Bytes());

    for (std::string_view name : {"GARBAGE.BIN", "CUT.BIN", "NOCHECK.BIN", "EMPTY.BIN"}) {
        SCOPED_TRACE(name);
        LogCapture log;
        auto stream = package.Open(name);
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(stream->Size(), 0u);
        EXPECT_TRUE(package.Contains(name));
        EXPECT_TRUE(log.Has(name));
    }
    EXPECT_EQ(ReadStream(package.Open("GOOD.BIN")), "still readable");
    auto entries = package.List();
    ASSERT_EQ(entries.size(), 6u);
    for (std::size_t i = 1; i < 5; ++i) {
        EXPECT_FALSE(entries[i].intact) << entries[i].name;
        EXPECT_EQ(entries[i].inflatedSize, 0u);
    }
    EXPECT_TRUE(entries[5].intact);
    EXPECT_EQ(entries[5].inflatedSize, 14u);
}

TEST(PackageStart, MarkerIsFoundAcrossTheSearchChunkBoundaries) {
    TempDir dir;
    const std::string marker = shell::PackageSlotMarker();
    // Chunks are 16384 bytes and each next one starts 8 bytes before the previous end.
    for (std::size_t at :
         {0u, 16375u, 16376u, 16377u, 16380u, 16383u, 16384u, 32752u, 32755u, 32760u, 40000u}) {
        SCOPED_TRACE(at);
        std::string image(at, 'i');
        image += marker + "SLOT" + std::string(50, 'j');
        auto offset = static_cast<std::int32_t>(image.size());
        image.replace(at + 8, 4, Int32(offset));
        shell::PackageBuilder builder;
        ASSERT_TRUE(builder.AddFile("K.TXT", "found").IsOk());
        image += builder.Bytes();
        WriteFile(dir / "exe", image);
        EXPECT_EQ(shell::FindPackageStart((dir / "exe").string()), offset);
        auto package = shell::ProjectPackage::ForExecutable((dir / "exe").string());
        EXPECT_EQ(ReadStream(package.Open("k.txt")), "found");
    }
}

TEST(PackageStart, SlotsThatNameNoPackageGiveZero) {
    TempDir dir;
    const std::string marker = shell::PackageSlotMarker();
    const std::string package = shell::PackageBuilder().Bytes();
    const std::string head(100, 'h');
    auto start = [&](const std::string& image) {
        WriteFile(dir / "exe", image);
        return shell::FindPackageStart((dir / "exe").string());
    };
    std::int32_t behind = 100 + 12 + 20;
    EXPECT_EQ(start(head + marker + Int32(behind) + std::string(20, 't') + package), behind);

    EXPECT_EQ(start(head + std::string(20, 't') + package), 0) << "no marker";
    EXPECT_EQ(start(head + marker + "XXXX" + std::string(20, 't') + package), 0)
        << "X slot, even with a package behind it";
    EXPECT_EQ(start(head + marker + "X\x01\x02\x03" + package), 0) << "only the first byte counts";
    std::string image = head + marker + Int32(0) + package;
    EXPECT_EQ(start(image.replace(108, 4, Int32(static_cast<std::int32_t>(image.size())))), 0)
        << "offset equal to the size";
    EXPECT_EQ(start(head + marker + Int32(-4) + package), 0) << "negative offset";
    EXPECT_EQ(start(head + marker + "\x01\x02"), 0) << "slot cut off";
    EXPECT_EQ(start(marker), 0) << "marker alone";
    // Only the first marker counts, whatever follows.
    EXPECT_EQ(start(head + marker + "XXXX" + marker + Int32(behind) + package), 0);
    EXPECT_EQ(
        start(head + marker + Int32(behind) + std::string(8, 't') + marker + "XXXX" + package),
        behind);
    EXPECT_EQ(shell::FindPackageStart((dir / "missing").string()), 0);
    EXPECT_FALSE(shell::LocatePackage((dir / "missing").string()).IsOk());
}

TEST(Package, ExtractWritesTheEntryOrFailsLeavingNoFile) {
    TempDir dir;
    ScopedCurrentDir inside(dir.Path());
    std::filesystem::create_directory(dir / "Work");
    shell::PackageBuilder builder;
    ASSERT_TRUE(builder.AddFile("SCREEN_AUTO.QRU", "unit code").IsOk());
    auto package = PackageFile(dir / "p.pkg", builder.Bytes());

    EXPECT_TRUE(package.Extract("screen_Auto.qru", "WORK\\Screen1_Auto.qru"));
    EXPECT_EQ(ReadFile(dir / "Work" / "Screen1_Auto.qru"), "unit code");
    WriteFile(dir / "Work" / "old.qru", "a much longer old content that must go");
    EXPECT_TRUE(package.Extract("SCREEN_AUTO.QRU", "work\\OLD.QRU"));
    EXPECT_EQ(ReadFile(dir / "Work" / "old.qru"), "unit code");

    EXPECT_FALSE(package.Extract("MISSING.QRU", "missing-copy.qru"));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing-copy.qru"));
    EXPECT_FALSE(package.Extract("SCREEN_AUTO.QRU", "nodir\\x.qru"));
    EXPECT_FALSE(package.Extract("SCREEN_AUTO.QRU", "Work"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "Work"));

    // A disk file extracted onto itself keeps its content.
    WriteFile(dir / "disk.txt", "keep me");
    EXPECT_TRUE(package.Extract("disk.txt", "disk.txt"));
    EXPECT_EQ(ReadFile(dir / "disk.txt"), "keep me");
    // Only the destination appears: no temporary file is left behind.
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir / "Work"))
        ++files;
    EXPECT_EQ(files, 2u);
}

TEST(PackageWriter, DirectoryPackagesReadBackWithEveryFile) {
    TempDir dir;
    std::filesystem::create_directory(dir / "project");
    std::filesystem::create_directory(dir / "project" / "subdir");
    const std::string big(1 << 20, '\0'); // inflates far beyond the first size guess
    const std::string random = RandomBytes(70000, 3);
    WriteFile(dir / "project" / "main.syn", "screen");
    WriteFile(dir / "project" / "Empty.txt", "");
    WriteFile(dir / "project" / "zeros.bin", big);
    WriteFile(dir / "project" / "noise.bin", random);
    WriteFile(dir / "project" / "subdir" / "skipped.txt", "not packed");

    auto written = shell::WritePackageFile((dir / "p.pkg").string(), (dir / "project").string());
    ASSERT_TRUE(written.IsOk()) << written.Error();
    EXPECT_EQ(ReadFile(dir / "p.pkg").substr(0, 12), shell::PackageSlotMarker() + Int32(12));
    auto package = shell::ProjectPackage::ForExecutable((dir / "p.pkg").string());
    ASSERT_EQ(package.Offset(), 12);

    std::vector<std::string> names;
    for (const auto& entry : package.List())
        names.push_back(entry.name);
    EXPECT_EQ(names, (std::vector<std::string>{"PIVARD", "EMPTY.TXT", "MAIN.SYN", "NOISE.BIN",
                                               "ZEROS.BIN"}));
    EXPECT_EQ(ReadStream(package.Open("empty.txt")), "");
    EXPECT_EQ(ReadStream(package.Open("MAIN.SYN")), "screen");
    EXPECT_EQ(ReadStream(package.Open("zeros.bin")), big);
    EXPECT_EQ(ReadStream(package.Open("noise.bin")), random);
    EXPECT_FALSE(package.Contains("SKIPPED.TXT"));

    // Two files that differ only in case cannot both be packed.
    WriteFile(dir / "project" / "MAIN.SYN", "twin");
    auto twins = shell::PackDirectory((dir / "project").string());
    ASSERT_FALSE(twins.IsOk());
    EXPECT_NE(twins.Error().find("letter case"), std::string::npos) << twins.Error();
    EXPECT_FALSE(shell::WritePackageFile((dir / "q.pkg").string(), (dir / "none").string()));
    EXPECT_FALSE(std::filesystem::exists(dir / "q.pkg"));
}

TEST(PackageWriter, BundledCopyOfThisTestProgramCarriesItsPackage) {
    TempDir dir;
    const std::string self = platform::ExecutablePath();
    const std::string image = ReadFile(self);
    // The program holds the marker once, ahead of everything, with an "X" slot.
    std::size_t marker = image.find(shell::PackageSlotMarker());
    ASSERT_NE(marker, std::string::npos);
    EXPECT_EQ(image[marker + 8], 'X');
    EXPECT_EQ(shell::FindPackageStart(self), 0);

    std::filesystem::create_directory(dir / "project");
    WriteFile(dir / "project" / "Kestra.PFC", "MAIN\r\n");
    auto bundled =
        shell::BundleExecutable(self, (dir / "project").string(), (dir / "bundled").string());
    ASSERT_TRUE(bundled.IsOk()) << bundled.Error();
    // The package starts right after the image, or one byte later when the image's size has a
    // low byte that would read as the "X" of an empty slot.
    const std::int32_t start = shell::FindPackageStart((dir / "bundled").string());
    EXPECT_GE(start, static_cast<std::int32_t>(image.size()));
    EXPECT_LE(start, static_cast<std::int32_t>(image.size()) + 1);
    auto package = shell::ProjectPackage::ForExecutable((dir / "bundled").string());
    EXPECT_EQ(ReadStream(package.Open("KESTRA.PFC")), "MAIN\r\n");
    struct stat info {};
    ASSERT_EQ(::stat((dir / "bundled").c_str(), &info), 0);
    EXPECT_NE(info.st_mode & S_IXUSR, 0u);
    EXPECT_TRUE(ReadFile(dir / "bundled").compare(0, marker, image, 0, marker) == 0);

    // A bundle cannot be bundled again, and a file without the marker is no run-time.
    auto again = shell::BundleExecutable((dir / "bundled").string(), (dir / "project").string(),
                                         (dir / "twice").string());
    EXPECT_FALSE(again.IsOk());
    EXPECT_FALSE(std::filesystem::exists(dir / "twice"));
    EXPECT_FALSE(shell::BundleBytes("no marker in here", "package").IsOk());
    EXPECT_FALSE(shell::BundleBytes("head" + shell::PackageSlotMarker() + "XX", "p").IsOk());
}

} // namespace

TEST(PackageWriter, OffsetWhoseLowByteReadsAsTheEmptySlotMarkIsPadded) {
    TempDir dir;
    // A run-time image of 0x158 bytes: its package offset would start with the byte 0x58 ("X").
    std::string image = "head" + shell::PackageSlotMarker() + "XXXX";
    image.resize(0x158, '\x90');
    shell::PackageBuilder builder;
    ASSERT_TRUE(builder.AddFile("Kestra.PFC", "MAIN\r\n").IsOk());
    auto bundle = shell::BundleBytes(image, builder.Bytes());
    ASSERT_TRUE(bundle.IsOk()) << bundle.Error();
    WriteFile(dir / "plant", bundle.Value());
    EXPECT_EQ(shell::FindPackageStart((dir / "plant").string()), 0x159);
    auto package = shell::ProjectPackage::ForExecutable((dir / "plant").string());
    EXPECT_EQ(ReadStream(package.Open("Kestra.PFC")), "MAIN\r\n");
}
