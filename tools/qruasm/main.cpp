// Quorva run-time. Licensed under the MIT licence.
#include "Elf32Object.h"
#include "ToolFiles.h"
#include "GnuAssembler.h"
#include "UnitBuilder.h"
#include "UnitSource.h"
#include "engine/QruWriter.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fmt/format.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kFailure = 1;
constexpr int kUsage = 2;

constexpr const char* kDescription =
    "qruasm - build a Quorva unit module (.QRU) from an assembly source.\n\n"
    "SOURCE is GNU assembler input for 32-bit x86 (Intel syntax through\n"
    "`.intel_syntax noprefix`) with directive lines that start with `@`: the unit's\n"
    "variables, functions, external DLL entries, the names it uses from elsewhere, its\n"
    "entries and its trailer. qruasm assembles the code with `as --32`, turns every 32-bit\n"
    "absolute reference to a declared name into a fix-up and writes OUT.\n"
    "See docs/qruasm.md for the directives and a complete example.\n\n"
    "Exit codes: 0 done, 1 failed (messages name SOURCE:LINE), 2 bad usage.";

template <typename... Args> int Failure(fmt::format_string<Args...> format, Args&&... args) {
    fmt::print(stderr, "qruasm: {}\n", fmt::format(format, std::forward<Args>(args)...));
    return kFailure;
}

// Messages of the parser and builder start with "LINE: " when they concern one line.
int SourceFailure(const std::string& source, const std::string& message) {
    std::size_t colon = message.find(": ");
    bool located =
        colon != std::string::npos && colon > 0 && message.find_first_not_of("0123456789") == colon;
    if (located)
        fmt::print(stderr, "{}:{}: error: {}\n", source, message.substr(0, colon),
                   message.substr(colon + 2));
    else
        fmt::print(stderr, "{}: error: {}\n", source, message);
    return kFailure;
}

// The compile stamp when none is given: the source's modification time as a day count from
// 1899-12-30 with the time of day (UTC) as its fraction.
double ModificationStamp(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return 0;
    double seconds =
        static_cast<double>(info.st_mtim.tv_sec) + static_cast<double>(info.st_mtim.tv_nsec) / 1e9;
    return 25569.0 + seconds / 86400.0;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{kDescription, "qruasm"};
    app.failure_message([](const CLI::App*, const CLI::Error& error) {
        return fmt::format("qruasm: {}\nRun 'qruasm --help' for the options.\n", error.what());
    });
    std::string source, out;
    const char* fromEnvironment = std::getenv("QRUASM_AS");
    std::string assembler = fromEnvironment && *fromEnvironment ? fromEnvironment : "as";
    app.add_option("SOURCE", source, "assembly source with @ directives")->required();
    app.add_option("-o,--output", out, "unit module to write")->required();
    app.add_option("--as", assembler,
                   "GNU assembler to run (default: $QRUASM_AS, else `as` on the PATH)");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        int code = app.exit(error);
        return code == 0 ? 0 : kUsage;
    }

    auto read = toolfiles::ReadWholeFile(source);
    if (!read)
        return Failure("{}", read.Error());
    const std::string& text = read.Value();

    std::filesystem::path base = std::filesystem::path(source).parent_path();
    auto parsed = qruasm::ParseUnitSource(text, base.empty() ? "." : base);
    if (!parsed)
        return SourceFailure(source, parsed.Error());
    if (!parsed->stampGiven)
        parsed->module.header.stamp = ModificationStamp(source);

    auto assembled = qruasm::Assemble(parsed->assembly, source, assembler);
    if (!assembled) {
        fmt::print(stderr, "{}", assembled.Error());
        if (!assembled.Error().empty() && assembled.Error().back() != '\n')
            fmt::print(stderr, "\n");
        return Failure("assembling {} failed", source);
    }
    fmt::print(stderr, "{}", assembled->messages);
    auto object = qruasm::Elf32Object::Parse(std::move(assembled->object));
    if (!object)
        return Failure("{}: the assembler's object cannot be read: {}", source, object.Error());
    auto module =
        qruasm::BuildUnitModule(std::move(parsed.Value()), object.Value(), assembled->lines);
    if (!module)
        return SourceFailure(source, module.Error());

    if (auto written = toolfiles::WriteFileAtomically(out, engine::WriteQruModule(module.Value()));
        !written)
        return Failure("{}", written.Error());
    return 0;
}
