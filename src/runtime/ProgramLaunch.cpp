// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ProgramLaunch.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/CodePage.h"
#include "platform/Log.h"
#include "platform/PathMap.h"

extern char** environ;

namespace runtime {
namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsExecutableFile(const std::string& path)
{
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error) &&
           ::access(path.c_str(), X_OK) == 0;
}

// "NAME.EXE" -> "NAME" (any case); other names unchanged.
std::string WithoutExe(std::string name)
{
    const std::string_view view(name);
    if (view.size() > 4 && platform::UpperAscii(view.substr(view.size() - 4)) == ".EXE")
        name.resize(name.size() - 4);
    return name;
}

} // namespace

std::vector<std::string> SplitCommandLine(std::string_view line)
{
    std::vector<std::string> arguments;
    std::size_t at = 0;
    while (at < line.size() && IsBlank(line[at]))
        ++at;
    if (at == line.size())
        return arguments;

    // The program: quotes group, backslashes are path separators.
    std::string program;
    bool quoted = false;
    for (; at < line.size(); ++at) {
        const char c = line[at];
        if (c == '"')
            quoted = !quoted;
        else if (IsBlank(c) && !quoted)
            break;
        else
            program += c;
    }
    arguments.push_back(std::move(program));

    while (true) {
        while (at < line.size() && IsBlank(line[at]))
            ++at;
        if (at == line.size())
            break;
        std::string argument;
        quoted = false;
        while (at < line.size() && (quoted || !IsBlank(line[at]))) {
            if (line[at] == '\\') {
                std::size_t slashes = 0;
                while (at < line.size() && line[at] == '\\') {
                    ++slashes;
                    ++at;
                }
                if (at < line.size() && line[at] == '"') {
                    argument.append(slashes / 2, '\\');
                    if (slashes % 2 == 1) {
                        argument += '"';
                        ++at;
                    }
                } else {
                    argument.append(slashes, '\\');
                }
                continue;
            }
            if (line[at] == '"') {
                if (quoted && at + 1 < line.size() && line[at + 1] == '"') {
                    argument += '"';
                    at += 2;
                    continue;
                }
                quoted = !quoted;
                ++at;
                continue;
            }
            argument += line[at++];
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::string FindProgram(std::string_view argv0)
{
    if (argv0.empty())
        return {};
    const bool hasDirectory = argv0.find_first_of("/\\:") != std::string_view::npos;
    if (hasDirectory) {
        const std::string path = platform::ResolveCase(
            [&] {
                std::string text(argv0);
                for (char& c : text)
                    if (c == '\\')
                        c = '/';
                return text;
            }());
        if (IsExecutableFile(path))
            return path;
        const std::string bare = platform::ResolveCase(WithoutExe(path));
        return IsExecutableFile(bare) ? bare : std::string();
    }
    const char* searchPath = std::getenv("PATH");
    const std::string directories = searchPath != nullptr ? searchPath : "/usr/bin:/bin";
    for (const std::string& name : {std::string(argv0), WithoutExe(std::string(argv0))}) {
        std::size_t start = 0;
        while (start <= directories.size()) {
            std::size_t end = directories.find(':', start);
            if (end == std::string::npos)
                end = directories.size();
            const std::string directory =
                end > start ? directories.substr(start, end - start) : std::string(".");
            const std::string candidate = directory + "/" + name;
            if (IsExecutableFile(candidate))
                return candidate;
            start = end + 1;
        }
    }
    return {};
}

platform::Result<pid_t> StartProgram(std::string_view commandLine, bool callerWaits)
{
    std::vector<std::string> arguments = SplitCommandLine(platform::CodePageToUtf8(commandLine));
    if (arguments.empty() || arguments[0].empty())
        return platform::Fail("empty command line");
    const std::string program = FindProgram(arguments[0]);
    if (program.empty())
        return platform::Fail("no program " + arguments[0]);

    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    const int spawned = ::posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), environ);
    if (spawned != 0)
        return platform::Fail("cannot start " + program + ": " + std::strerror(spawned));

    // A child nobody waits for is reaped by a thread of its own, so that no zombie stays.
    if (!callerWaits)
        std::thread([child] {
            int status = 0;
            while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    return child;
}

int WaitProgram(pid_t child, void (*service)(void*), void* context, int pollMilliseconds)
{
    int status = 0;
    int code = -1;
    while (true) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child) {
            code = WIFEXITED(status) ? WEXITSTATUS(status)
                                     : (WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1);
            break;
        }
        if (done < 0 && errno != EINTR)
            break;
        if (service != nullptr)
            service(context);
        std::this_thread::sleep_for(std::chrono::milliseconds(pollMilliseconds));
    }
    return code;
}

} // namespace runtime
