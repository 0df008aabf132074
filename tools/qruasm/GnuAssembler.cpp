// Quorva run-time. Licensed under the MIT licence.
#include "GnuAssembler.h"

#include "ToolFiles.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fmt/format.h>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace qruasm {
namespace {

// A fresh directory, removed with its contents when the object goes.
class ScratchDirectory {
public:
    ScratchDirectory() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = fmt::format("{}/qruasm-XXXXXX", base && *base ? base : "/tmp");
        if (::mkdtemp(pattern.data()) != nullptr)
            m_path = pattern;
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

bool WriteAll(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

std::string ReadAll(const std::filesystem::path& path) {
    auto bytes = toolfiles::ReadWholeFile(path.string());
    return bytes ? std::move(bytes.Value()) : std::string();
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// Runs the program with its output and errors in `messages`; the exit status or a failure.
platform::Result<int> Run(const std::vector<std::string>& arguments,
                          const std::filesystem::path& messages) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, messages.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    int error = ::posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return platform::Fail(
            fmt::format("cannot run the assembler `{}`: {}", arguments[0], std::strerror(error)));
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return platform::Fail(
                fmt::format("waiting for the assembler failed: {}", std::strerror(errno)));
    }
    if (WIFSIGNALED(status))
        return platform::Fail(fmt::format("the assembler `{}` was killed by signal {}",
                                          arguments[0], WTERMSIG(status)));
    return WEXITSTATUS(status);
}

} // namespace

LineMap LineMap::FromListing(std::string_view listing) {
    // Lines that produce code read "  12 001f C705...  source": the line number, one blank,
    // the offset in hex, one blank. Continuation lines have blanks where the offset would be.
    LineMap map;
    std::size_t start = 0;
    while (start < listing.size()) {
        std::size_t end = listing.find('\n', start);
        std::string_view row =
            listing.substr(start, end == listing.npos ? listing.npos : end - start);
        start = end == listing.npos ? listing.size() : end + 1;
        std::size_t i = row.find_first_not_of(' ');
        if (i == row.npos)
            continue;
        int line = 0;
        std::size_t digits = i;
        while (i < row.size() && row[i] >= '0' && row[i] <= '9' && line < 100000000)
            line = line * 10 + (row[i++] - '0');
        if (i == digits || i >= row.size() || row[i] != ' ')
            continue;
        std::size_t hexStart = ++i;
        std::uint64_t offset = 0;
        while (i < row.size() && std::isxdigit(static_cast<unsigned char>(row[i])) &&
               i - hexStart < 8) {
            char c = row[i++];
            offset = offset * 16 +
                     static_cast<std::uint64_t>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
        }
        if (i - hexStart < 4 || i >= row.size() || row[i] != ' ')
            continue;
        map.Add(static_cast<std::uint32_t>(offset), line);
    }
    return map;
}

int LineMap::LineOf(std::uint32_t offset) const {
    int line = 0;
    std::uint32_t best = 0;
    for (const auto& [start, startLine] : m_starts) {
        if (start <= offset && (line == 0 || start >= best)) {
            best = start;
            line = startLine;
        }
    }
    return line;
}

platform::Result<AssemblerOutput> Assemble(std::string_view assembly, const std::string& sourceName,
                                           const std::string& assemblerProgram) {
    ScratchDirectory scratch;
    if (scratch.Path().empty())
        return platform::Fail(
            fmt::format("cannot make a temporary directory: {}", std::strerror(errno)));
    std::filesystem::path source = scratch.Path() / "unit.s";
    std::filesystem::path object = scratch.Path() / "unit.o";
    std::filesystem::path listing = scratch.Path() / "unit.lst";
    std::filesystem::path messages = scratch.Path() / "messages.txt";
    if (!WriteAll(source, assembly))
        return platform::Fail(fmt::format("cannot write {}", source.string()));

    auto status = Run({assemblerProgram, "--32", "-aln=" + listing.string(), "-o", object.string(),
                       source.string()},
                      messages);
    if (!status)
        return platform::Fail(status.Error());
    std::string text = ReplaceAll(ReadAll(messages), source.string(), sourceName);
    if (status.Value() != 0)
        return platform::Fail(
            text.empty() ? fmt::format("the assembler failed (exit status {})", status.Value())
                         : text);
    AssemblerOutput output;
    output.object = ReadAll(object);
    output.messages = std::move(text);
    output.lines = LineMap::FromListing(ReadAll(listing));
    return output;
}

} // namespace qruasm
