// Quorva run-time. Licensed under the MIT licence.
#include "shell/FileHelpers.h"

#include "TestSupport.h"
#include "platform/PathMap.h"
#include "shell/MessagePresenter.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

using testsupport::ReadFile;
using testsupport::ScopedCurrentDir;
using testsupport::TempDir;
using testsupport::WriteFile;
namespace fs = std::filesystem;

class RecordingPresenter final : public shell::MessagePresenter {
public:
    struct Box {
        std::string caption;
        std::string text;
        std::uint32_t flags;
    };
    std::int32_t Show(const std::string& caption, const std::string& text,
                      std::uint32_t flags) override {
        boxes.push_back({caption, text, flags});
        return shell::answer::Ok;
    }
    std::vector<Box> boxes;
};

std::vector<std::string> List(std::string_view mask) {
    std::vector<std::string> names;
    shell::ListFilesByMask(names, mask);
    return names;
}

using Names = std::vector<std::string>;

TEST(FileHelpers, MasksMatchAsOnWindows) {
    TempDir dir;
    ScopedCurrentDir inside(dir.Path());
    for (const char* name : {"A.VAD", "b.vad", "c.VADX", "noext", "two.dots.txt", ".hidden.vad",
                             "data1.txt", "data22.txt"})
        WriteFile(dir / name, "x");
    fs::create_directory(dir / "sub.vad");
    fs::create_directory(dir / "Logs");
    WriteFile(dir / "Logs" / "Run.LOG", "x");

    EXPECT_EQ(List("*.VAD"), (Names{"A.VAD", "b.vad"}));
    EXPECT_EQ(List("*.*"), (Names{"A.VAD", "b.vad", "c.VADX", "data1.txt", "data22.txt", "noext",
                                  "two.dots.txt"}));
    EXPECT_EQ(List("*"), List("*.*"));
    EXPECT_EQ(List("*."), (Names{"noext"}));
    EXPECT_EQ(List("NOEXT.*"), (Names{"noext"}));
    EXPECT_EQ(List("two.*"), (Names{"two.dots.txt"}));
    EXPECT_EQ(List("DATA?.TXT"), (Names{"data1.txt"}));
    EXPECT_EQ(List("b.vad"), (Names{"b.vad"}));
    EXPECT_EQ(List("*.none"), Names{});
    // The directory part goes through the path mapping: separators, case, drive letters.
    EXPECT_EQ(List("LOGS\\*.log"), (Names{"Run.LOG"}));
    EXPECT_EQ(List("logs/r?n.*"), (Names{"Run.LOG"}));
    std::string previousRoot = platform::DriveRoot();
    platform::SetDriveRoot(dir.Path().string());
    EXPECT_EQ(List("C:\\LOGS\\*.LOG"), (Names{"Run.LOG"}));
    platform::SetDriveRoot(previousRoot);
    EXPECT_EQ(List("missing\\*.*"), Names{});
}

TEST(FileHelpers, DeleteByMaskTellsWhetherAnythingMatchedAndBoxesOnlyFailures) {
    TempDir dir;
    ScopedCurrentDir inside(dir.Path());
    RecordingPresenter presenter;
    WriteFile(dir / "keep.txt", "x");
    WriteFile(dir / ".hidden.VAD", "x");
    fs::create_directory(dir / "dir.vad");
    EXPECT_FALSE(shell::DeleteFilesByMask("*.VAD", presenter));
    EXPECT_TRUE(presenter.boxes.empty());

    WriteFile(dir / "one.VAD", "x");
    WriteFile(dir / "two.vad", "x");
    EXPECT_TRUE(shell::DeleteFilesByMask("*.VAD", presenter));
    EXPECT_FALSE(fs::exists(dir / "one.VAD"));
    EXPECT_FALSE(fs::exists(dir / "two.vad"));
    EXPECT_TRUE(fs::exists(dir / "keep.txt"));
    EXPECT_TRUE(fs::exists(dir / ".hidden.VAD"));
    EXPECT_TRUE(fs::is_directory(dir / "dir.vad"));
    EXPECT_TRUE(presenter.boxes.empty());
}

// Makes a file that unlink refuses: immutable where the file system allows it (root may set the
// flag), else in a directory without write permission (which binds everyone but root).
class UndeletableFile {
public:
    explicit UndeletableFile(const fs::path& path) : m_path(path) {
        WriteFile(path, "x");
        int fd = ::open(path.c_str(), O_RDONLY);
        int flags = 0;
        if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            m_immutable = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        if (fd >= 0)
            ::close(fd);
        if (!m_immutable && ::geteuid() != 0) {
            fs::permissions(path.parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
            m_readOnlyDirectory = true;
        }
    }
    ~UndeletableFile() {
        if (m_immutable) {
            int fd = ::open(m_path.c_str(), O_RDONLY);
            int flags = 0;
            if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
            }
            if (fd >= 0)
                ::close(fd);
        }
        if (m_readOnlyDirectory)
            fs::permissions(m_path.parent_path(), fs::perms::owner_all);
    }
    bool Works() const { return m_immutable || m_readOnlyDirectory; }

private:
    fs::path m_path;
    bool m_immutable = false;
    bool m_readOnlyDirectory = false;
};

TEST(FileHelpers, DeleteByMaskBoxesEachFileThatCannotGoAndGoesOn) {
    TempDir dir;
    ScopedCurrentDir inside(dir.Path());
    fs::create_directory(dir / "Locked");
    WriteFile(dir / "Locked" / "a.vid", "x");
    UndeletableFile stuck(dir / "Locked" / "b.vid");
    if (!stuck.Works())
        GTEST_SKIP() << "no way to make a file undeletable here";
    WriteFile(dir / "Locked" / "c.vid", "x");
    RecordingPresenter presenter;
    EXPECT_TRUE(shell::DeleteFilesByMask("LOCKED\\*.VID", presenter));
    ASSERT_EQ(presenter.boxes.size(), 1u);
    EXPECT_EQ(presenter.boxes[0].caption, "Error DeleteFile");
    EXPECT_EQ(presenter.boxes[0].text, "LOCKED\\b.vid");
    EXPECT_EQ(presenter.boxes[0].flags, shell::mb::Ok);
    EXPECT_TRUE(fs::exists(dir / "Locked" / "b.vid"));
    EXPECT_FALSE(fs::exists(dir / "Locked" / "a.vid"));
    EXPECT_FALSE(fs::exists(dir / "Locked" / "c.vid"));
}

TEST(FileHelpers, CopyByMaskCoversDirectoryRenamingAndSingleCopies) {
    TempDir dir;
    ScopedCurrentDir inside(dir.Path());
    fs::create_directory(dir / "src");
    fs::create_directory(dir / "Dst");
    WriteFile(dir / "src" / "data.txt", "text");
    WriteFile(dir / "src" / "data.tar.gz", "archive");
    WriteFile(dir / "src" / "other.bin", "other");

    // A whole directory into another, each file under its own name.
    EXPECT_TRUE(shell::CopyFilesByMask("src\\*.*", "DST\\*.*"));
    EXPECT_EQ(ReadFile(dir / "Dst" / "data.tar.gz"), "archive");
    EXPECT_EQ(ReadFile(dir / "Dst" / "other.bin"), "other");
    EXPECT_FALSE(shell::CopyFilesByMask("src\\*.*", "nowhere\\*.*"));

    // Matching files under a new base name with their own extension, from the first dot.
    fs::create_directory(dir / "bak");
    EXPECT_TRUE(shell::CopyFilesByMask("src\\data.*", "bak\\backup"));
    EXPECT_EQ(ReadFile(dir / "bak" / "backup.txt"), "text");
    EXPECT_EQ(ReadFile(dir / "bak" / "backup.tar.gz"), "archive");
    EXPECT_FALSE(shell::CopyFilesByMask("src\\nothing.*", "bak\\backup"));

    // One file, overwriting.
    WriteFile(dir / "Dst" / "copy.txt", "old and longer");
    EXPECT_TRUE(shell::CopyFilesByMask("SRC\\DATA.TXT", "dst\\copy.txt"));
    EXPECT_EQ(ReadFile(dir / "Dst" / "copy.txt"), "text");
    EXPECT_FALSE(shell::CopyFilesByMask("src\\data.txt", "Aux.txt"));
    EXPECT_FALSE(fs::exists(dir / "Aux.txt"));
    EXPECT_FALSE(shell::CopyFilesByMask("src\\data.txt", "SRC\\..\\src\\DATA.TXT"));
    EXPECT_EQ(ReadFile(dir / "src" / "data.txt"), "text");
    EXPECT_FALSE(shell::CopyFilesByMask("src\\missing.txt", "x.txt"));
}

TEST(FileHelpers, RenameByMaskMovesFilesButNeverReplacesOne) {
    TempDir dir;
    ScopedCurrentDir inside(dir.Path());
    fs::create_directory(dir / "Out");
    WriteFile(dir / "a.txt", "a");
    WriteFile(dir / "taken.txt", "taken");
    EXPECT_FALSE(shell::RenameFilesByMask("a.txt", "TAKEN.TXT"));
    EXPECT_EQ(ReadFile(dir / "taken.txt"), "taken");
    EXPECT_EQ(ReadFile(dir / "a.txt"), "a");
    EXPECT_TRUE(shell::RenameFilesByMask("A.TXT", "out\\b.txt"));
    EXPECT_EQ(ReadFile(dir / "Out" / "b.txt"), "a");
    EXPECT_FALSE(fs::exists(dir / "a.txt"));

    WriteFile(dir / "log.1.txt", "one");
    WriteFile(dir / "log.2", "two");
    EXPECT_TRUE(shell::RenameFilesByMask("log.*", "OUT\\old"));
    EXPECT_EQ(ReadFile(dir / "Out" / "old.1.txt"), "one");
    EXPECT_EQ(ReadFile(dir / "Out" / "old.2"), "two");
    EXPECT_FALSE(shell::RenameFilesByMask("log.*", "OUT\\old"));
}

TEST(FileHelpers, AppendCopiesTheWholeSourceOnce) {
    TempDir dir;
    ScopedCurrentDir inside(dir.Path());
    std::string source;
    for (int i = 0; i < 700; ++i)
        source += static_cast<char>('a' + i % 26) + std::to_string(i);
    WriteFile(dir / "src.txt", source);
    EXPECT_FALSE(shell::AppendFileToFile("missing.txt", "dest.txt"));
    EXPECT_FALSE(fs::exists(dir / "dest.txt"));

    EXPECT_TRUE(shell::AppendFileToFile("SRC.TXT", "dest.txt"));
    EXPECT_EQ(ReadFile(dir / "dest.txt"), source);
    EXPECT_TRUE(shell::AppendFileToFile("src.txt", "dest.txt"));
    EXPECT_EQ(ReadFile(dir / "dest.txt"), source + source);
    // Appending a file to itself doubles it rather than growing for ever.
    EXPECT_TRUE(shell::AppendFileToFile("src.txt", "src.txt"));
    EXPECT_EQ(ReadFile(dir / "src.txt"), source + source);
    EXPECT_FALSE(shell::AppendFileToFile("src.txt", "nodir\\dest.txt"));
}

TEST(FileHelpers, OpenersCreateMissingFilesAndBoxWhenTheyCannot) {
    TempDir dir;
    ScopedCurrentDir inside(dir.Path());
    RecordingPresenter presenter;

    auto created = shell::OpenTextForRead("new.txt", presenter);
    ASSERT_NE(created, nullptr);
    EXPECT_TRUE(fs::exists(dir / "new.txt"));
    EXPECT_TRUE(created->AtEnd());
    EXPECT_TRUE(shell::CloseFile(created));
    EXPECT_EQ(created, nullptr);

    WriteFile(dir / "Lines.txt", "one\r\ntwo\nthree\rfour\r\n\r\nlast");
    auto text = shell::OpenTextForRead("LINES.TXT", presenter);
    ASSERT_NE(text, nullptr);
    std::vector<std::string> lines;
    std::string line;
    while (!text->AtEnd() && text->ReadLine(line))
        lines.push_back(line);
    EXPECT_EQ(lines, (Names{"one", "two", "three", "four", "", "last"}));
    EXPECT_FALSE(text->Write("read-only"));

    auto log = shell::OpenTextForAppend("log.txt", presenter);
    ASSERT_NE(log, nullptr);
    EXPECT_TRUE(log->WriteLine("first"));
    log.reset();
    log = shell::OpenTextForAppend("LOG.TXT", presenter);
    EXPECT_TRUE(log->Write("second"));
    EXPECT_TRUE(shell::CloseFile(log));
    EXPECT_EQ(ReadFile(dir / "log.txt"), "first\r\nsecond");

    WriteFile(dir / "data.bin", std::string("\x00\x01\x02\x03", 4));
    auto binary = shell::OpenBinaryFile("data.bin", presenter);
    ASSERT_NE(binary, nullptr);
    EXPECT_TRUE(binary->Seek(2));
    EXPECT_EQ(binary->WriteBytes("\x09\x09\x09", 3), 3u);
    EXPECT_EQ(binary->Size(), 5u);
    EXPECT_TRUE(binary->Seek(1));
    char bytes[8];
    EXPECT_EQ(binary->ReadBytes(bytes, sizeof(bytes)), 4u);
    EXPECT_EQ(std::string(bytes, 4), "\x01\x09\x09\x09");
    EXPECT_TRUE(binary->AtEnd());
    EXPECT_FALSE(binary->Seek(6));
    EXPECT_TRUE(presenter.boxes.empty());

    // Neither openable nor creatable: a box with the path, and no file object.
    EXPECT_EQ(shell::OpenTextForRead("nodir\\a.txt", presenter), nullptr);
    EXPECT_EQ(shell::OpenTextForAppend("nodir\\b.txt", presenter), nullptr);
    EXPECT_EQ(shell::OpenBinaryFile("nodir\\c.bin", presenter), nullptr);
    fs::create_directory(dir / "folder");
    EXPECT_EQ(shell::OpenTextForRead("folder", presenter), nullptr);
    EXPECT_TRUE(fs::is_directory(dir / "folder"));
    ASSERT_EQ(presenter.boxes.size(), 4u);
    EXPECT_EQ(presenter.boxes[0].caption, "Error OpenTextFile");
    EXPECT_EQ(presenter.boxes[0].text, "nodir\\a.txt");
    EXPECT_EQ(presenter.boxes[1].caption, "Error AppendTextFile");
    EXPECT_EQ(presenter.boxes[2].caption, "Error OpenFile");
    EXPECT_EQ(presenter.boxes[2].text, "nodir\\c.bin");
    EXPECT_EQ(presenter.boxes[3].caption, "Error OpenTextFile");
}

TEST(FileHelpers, TextHelpersFollowTheirNarrowRules) {
    EXPECT_EQ(shell::TrimBlanks(" \t a b \t "), "a b");
    EXPECT_EQ(shell::TrimBlanks("\r\n a\n"), "\r\n a\n");
    EXPECT_EQ(shell::TrimBlanks(" \t "), "");

    EXPECT_DOUBLE_EQ(shell::TextToFloat("1.5"), 1.5);
    EXPECT_DOUBLE_EQ(shell::TextToFloat(" -2e3\t"), -2000.0);
    EXPECT_DOUBLE_EQ(shell::TextToFloat("+7"), 7.0);
    EXPECT_DOUBLE_EQ(shell::TextToFloat(".5"), 0.5);
    EXPECT_DOUBLE_EQ(shell::TextToFloat("5."), 5.0);
    for (std::string_view bad :
         {"", "abc", "1,5", "1.5x", "--1", "+-1", "1e", "1e999", "inf", "nan", "0x10", "-", "."})
        EXPECT_EQ(shell::TextToFloat(bad), 0.0) << bad;

    EXPECT_EQ(shell::FileNameWithoutExt("C:\\dir.d\\name.tar.gz"), "name");
    EXPECT_EQ(shell::FileNameWithoutExt("dir/noext"), "noext");
    EXPECT_EQ(shell::FileNameWithoutExt("MAIN.QRU"), "MAIN");
    EXPECT_EQ(shell::FileNameWithoutExt("a.b\\.hidden"), "");
}

TEST(FileHelpers, DirectoryHasEntriesForEverySearchableDirectory) {
    TempDir dir;
    ScopedCurrentDir inside(dir.Path());
    fs::create_directory(dir / "Empty");
    fs::create_directory(dir / "Full");
    WriteFile(dir / "Full" / "x", "x");
    WriteFile(dir / "file", "x");
    EXPECT_TRUE(shell::DirectoryHasEntries("FULL"));
    EXPECT_TRUE(shell::DirectoryHasEntries("full\\"));
    // The search finds the directory's own "." entry, as a Windows directory search does.
    EXPECT_TRUE(shell::DirectoryHasEntries("empty"));
    EXPECT_FALSE(shell::DirectoryHasEntries("missing"));
    EXPECT_FALSE(shell::DirectoryHasEntries("file"));
}

} // namespace
