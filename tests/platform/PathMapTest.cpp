// Quorva run-time. Licensed under the MIT licence.
#include "platform/PathMap.h"

#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace {

namespace fs = std::filesystem;
using platform::HostPath;

// A project directory as it comes from the other system, with names in mixed case; it is the
// current directory for the test.
class PathMap : public ::testing::Test {
protected:
    PathMap() : m_cwd(m_dir.Path()) {
        fs::create_directories(m_dir / "Data" / "Sub Dir");
        testsupport::WriteFile(m_dir / "Data" / "Sub Dir" / "File.TXT", "x");
        testsupport::WriteFile(m_dir / "Data" / "Caf\xC3\xA9.txt", "x"); // UTF-8 on the disk
    }
    ~PathMap() override { platform::SetDriveRoot(m_previousRoot); }
    std::string Full(std::string_view relative) const { return (m_dir.Path() / relative).string(); }

    testsupport::TempDir m_dir;
    testsupport::ScopedCurrentDir m_cwd;
    std::string m_previousRoot = platform::DriveRoot();
};

TEST_F(PathMap, BackslashesAndTheCaseOfSeveralComponentsAreResolved) {
    EXPECT_EQ(HostPath("DATA\\sub dir\\file.txt"), "Data/Sub Dir/File.TXT");
    EXPECT_EQ(HostPath("data/SUB DIR\\\\FILE.txt"), "Data/Sub Dir/File.TXT");
    EXPECT_EQ(HostPath(".\\data\\..\\DATA\\sub dir\\"), "./Data/../Data/Sub Dir/");
    EXPECT_EQ(platform::ResolveCase(Full("DATA/SUB DIR")), Full("Data/Sub Dir"));
    // Names are bytes of the code page: "\xE9" is the e-acute of the UTF-8 name on the disk.
    EXPECT_EQ(HostPath("DATA\\caf\xE9.TXT"), "Data/Caf\xC3\xA9.txt");
    // Entries that differ only in case: the choice does not depend on the directory's order.
    fs::create_directories(m_dir / "abc");
    fs::create_directories(m_dir / "ABC");
    EXPECT_EQ(HostPath("Abc"), "ABC");
}

TEST_F(PathMap, DriveLetterStandsForTheDriveRoot) {
    // Without a configured root, the current directory.
    platform::SetDriveRoot("");
    EXPECT_EQ(HostPath("C:\\data"), fs::current_path().string() + "/Data");
    platform::SetDriveRoot(m_dir.Path().string() + "/");
    EXPECT_EQ(HostPath("C:\\data\\sub dir\\FILE.txt"), Full("Data/Sub Dir/File.TXT"));
    EXPECT_EQ(HostPath("d:data"), Full("Data"));
    EXPECT_EQ(HostPath("1:\\data"), "1:/data"); // not a drive letter
}

TEST_F(PathMap, WildcardsAndMissingTailsAreKeptAsWritten) {
    EXPECT_EQ(HostPath("data\\sub dir\\F?LE.*"), "Data/Sub Dir/F?LE.*");
    // What exists gets its case; what follows the first missing component stays as written.
    EXPECT_EQ(HostPath("DATA\\SUB DIR\\new\\data"), "Data/Sub Dir/new/data");
    EXPECT_EQ(HostPath("Missing\\data"), "Missing/data");
    EXPECT_EQ(HostPath(""), "");
}

} // namespace
