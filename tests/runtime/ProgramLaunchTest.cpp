// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ProgramLaunch.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Arguments = std::vector<std::string>;

TEST(ProgramLaunch, CommandLinesSplitAsTheirProgramsExpect)
{
    using runtime::SplitCommandLine;
    EXPECT_EQ(SplitCommandLine("  prog  a\tb  "), (Arguments{"prog", "a", "b"}));
    EXPECT_EQ(SplitCommandLine(R"("C:\Program Files\Tool.exe" "two words" last)"),
              (Arguments{R"(C:\Program Files\Tool.exe)", "two words", "last"}));
    // Backslashes are literal unless they come before a quote.
    EXPECT_EQ(SplitCommandLine(R"(p C:\dir\file a\\b)"), (Arguments{"p", R"(C:\dir\file)", R"(a\\b)"}));
    EXPECT_EQ(SplitCommandLine(R"(p a\"b "c\\" d)"), (Arguments{"p", R"(a"b)", R"(c\)", "d"}));
    EXPECT_EQ(SplitCommandLine(R"(p a\\\"b)"), (Arguments{"p", R"(a\"b)"}));
    // Two quotes inside quotes are one; an empty pair is an empty argument.
    EXPECT_EQ(SplitCommandLine(R"(p "say ""hi""" "")"), (Arguments{"p", R"(say "hi")", ""}));
    // Quotes may group part of an argument; the program's backslashes stay.
    EXPECT_EQ(SplitCommandLine(R"(d:\bin\x --name="a b"c)"), (Arguments{R"(d:\bin\x)", "--name=a bc"}));
    EXPECT_TRUE(SplitCommandLine(" \t ").empty());
}

// A program that writes its arguments, one per line, into the file named by QUORVA_ARGV_OUT.
class ProgramLaunchRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_script = m_dir.Path() / "argvtool";
        std::ofstream(m_script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > "
                                   "\"$QUORVA_ARGV_OUT\"\n";
        std::filesystem::permissions(m_script, std::filesystem::perms::owner_all);
        m_out = m_dir.Path() / "argv.txt";
        ::setenv("QUORVA_ARGV_OUT", m_out.c_str(), 1);
    }
    void TearDown() override { ::unsetenv("QUORVA_ARGV_OUT"); }

    // Runs the command line and gives the arguments the program saw.
    Arguments Run(const std::string& commandLine)
    {
        auto started = runtime::StartProgram(commandLine, true);
        EXPECT_TRUE(started.IsOk()) << (started.IsOk() ? "" : started.Error());
        if (!started.IsOk())
            return {};
        EXPECT_EQ(runtime::WaitProgram(started.Value(), nullptr, nullptr, 5), 0);
        std::ifstream in(m_out);
        Arguments seen;
        for (std::string line; std::getline(in, line);)
            seen.push_back(line);
        return seen;
    }

    testsupport::TempDir m_dir;
    std::filesystem::path m_script;
    std::filesystem::path m_out;
};

TEST_F(ProgramLaunchRun, ArgumentsReachTheProgramUnchangedAndNoShellInterpretsThem)
{
    const std::filesystem::path marker = m_dir.Path() / "pwned";
    const Arguments seen = Run(m_script.string() + R"( "a;b" $(touch )" + marker.string() +
                               R"() `id` "c d" | > x && y)");
    EXPECT_EQ(seen, (Arguments{"a;b", "$(touch", marker.string() + ")", "`id`", "c d", "|", ">",
                               "x", "&&", "y"}));
    EXPECT_FALSE(std::filesystem::exists(marker));
    EXPECT_FALSE(std::filesystem::exists(m_dir.Path() / "x"));
}

TEST_F(ProgramLaunchRun, ProgramsAreFoundWithoutTheirExeOnPathOrByProjectPath)
{
    // A project path with backslashes and a name written with ".exe".
    std::string windows = m_script.string() + ".EXE";
    for (char& c : windows)
        if (c == '/')
            c = '\\';
    EXPECT_EQ(Run(windows + " one"), (Arguments{"one"}));

    const char* oldPath = std::getenv("PATH");
    const std::string saved = oldPath != nullptr ? oldPath : "";
    ::setenv("PATH", m_dir.Path().c_str(), 1);
    EXPECT_EQ(runtime::FindProgram("argvtool.exe"), m_script.string());
    EXPECT_EQ(runtime::FindProgram("argvtool"), m_script.string());
    EXPECT_EQ(runtime::FindProgram("nosuchtool.exe"), "");
    ::setenv("PATH", saved.c_str(), 1);

    // Nothing to start: an error, no child.
    EXPECT_FALSE(runtime::StartProgram("").IsOk());
    EXPECT_FALSE(runtime::StartProgram("   ").IsOk());
    EXPECT_FALSE(runtime::StartProgram("no_such_program_anywhere arg").IsOk());
    // A child that fails gives its exit code.
    std::ofstream(m_dir.Path() / "fails") << "#!/bin/sh\nexit 3\n";
    std::filesystem::permissions(m_dir.Path() / "fails", std::filesystem::perms::owner_all);
    auto failing = runtime::StartProgram((m_dir.Path() / "fails").string(), true);
    ASSERT_TRUE(failing.IsOk());
    EXPECT_EQ(runtime::WaitProgram(failing.Value(), nullptr, nullptr, 5), 3);
}

} // namespace
