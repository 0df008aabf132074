// Quorva run-time. Licensed under the MIT licence.
#include "platform/CodePage.h"
#include "platform/Log.h"
#include "shell/Package.h"
#include "shell/PackageWriter.h"
#include "shell/Stream.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <fmt/format.h>
#include <string>

namespace {

constexpr int kFailure = 1;
constexpr int kUsage = 2;

constexpr const char* kDescription =
    "qpack - make, list and read Quorva project packages.\n\n"
    "A project package holds every file of a project, each compressed with zlib. The run-time\n"
    "reads it from a package file (see create) or from the end of its own executable (see\n"
    "bundle). Entry names are file names in the system code page, upper-cased.\n\n"
    "Exit codes: 0 done, 1 failed (the message names the file and what is wrong), 2 bad usage.";

template <typename... Args> int Failure(fmt::format_string<Args...> format, Args&&... args) {
    fmt::print(stderr, "qpack: {}\n", fmt::format(format, std::forward<Args>(args)...));
    return kFailure;
}

int Create(const std::string& out, const std::string& directory) {
    if (auto written = shell::WritePackageFile(out, directory); !written)
        return Failure("{}", written.Error());
    return 0;
}

int Bundle(const std::string& runtime, const std::string& directory, const std::string& out) {
    if (auto written = shell::BundleExecutable(runtime, directory, out); !written)
        return Failure("{}", written.Error());
    return 0;
}

int List(const std::string& file) {
    auto offset = shell::LocatePackage(file);
    if (!offset)
        return Failure("{}", offset.Error());
    std::string damage;
    auto entries = shell::ProjectPackage(file, offset.Value()).List(&damage);
    bool damaged = !damage.empty();
    for (const shell::PackageEntryInfo& entry : entries) {
        fmt::print("{}\t{}\t{}\n", platform::CodePageToUtf8(entry.name), entry.storedSize,
                   entry.inflatedSize);
        if (!entry.intact) {
            damaged = true;
            fmt::print(stderr,
                       "qpack: {}: entry {} at offset {} is not a valid zlib stream; it "
                       "reads as empty\n",
                       file, platform::CodePageToUtf8(entry.name), entry.offset);
        }
    }
    std::fflush(stdout);
    if (!damage.empty())
        Failure("{}: {}; the listing stops there", file, platform::CodePageToUtf8(damage));
    return damaged ? kFailure : 0;
}

bool Readable(const std::string& file) {
    return shell::FileStream::Open(file) != nullptr;
}

int Cat(const std::string& file, const std::string& name) {
    if (!Readable(file))
        return Failure("{}: cannot be opened as a regular file", file);
    auto package = shell::ProjectPackage::ForExecutable(file);
    auto stream = package.Open(platform::Utf8ToCodePage(name));
    if (!stream)
        return Failure("{}: not in the package of {} and no such file on the disk", name, file);
    char buffer[65536];
    while (std::size_t got = stream->Read(buffer, sizeof(buffer))) {
        if (std::fwrite(buffer, 1, got, stdout) != got)
            break;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return Failure("writing {} to standard output failed", name);
    return 0;
}

int Extract(const std::string& file, const std::string& name, const std::string& dest) {
    if (!Readable(file))
        return Failure("{}: cannot be opened as a regular file", file);
    auto package = shell::ProjectPackage::ForExecutable(file);
    std::string entry = platform::Utf8ToCodePage(name);
    if (package.Extract(entry, platform::Utf8ToCodePage(dest)))
        return 0;
    if (!package.Open(entry))
        return Failure("{}: not in the package of {} and no such file on the disk", name, file);
    return Failure("{}: cannot be written", dest);
}

} // namespace

int main(int argc, char** argv) {
    platform::log::SetProgramName("qpack");
    CLI::App app{kDescription, "qpack"};
    app.require_subcommand(1, 1);
    app.failure_message([](const CLI::App*, const CLI::Error& error) {
        return fmt::format("qpack: {}\nRun 'qpack --help' for the commands.\n", error.what());
    });

    std::string out, directory, runtime, file, name, dest;
    CLI::App* create = app.add_subcommand("create", "Write a package file of a directory");
    create->footer(
        "Writes OUT: the package slot marker, a slot holding 12, then the package of the\n"
        "regular files directly inside DIR. The run-time accepts such a file as PROJECT.");
    create->add_option("OUT", out, "package file to write")->required();
    create->add_option("DIR", directory, "project directory")->required();

    CLI::App* bundle = app.add_subcommand("bundle", "Append a directory's package to a run-time");
    bundle->footer(
        "Writes OUT, an executable copy of RUNTIME with the package of DIR appended and\n"
        "its package slot set. RUNTIME must be a plain run-time (no package yet).");
    bundle->add_option("RUNTIME", runtime, "run-time executable")->required();
    bundle->add_option("DIR", directory, "project directory")->required();
    bundle->add_option("OUT", out, "executable to write")->required();

    CLI::App* list = app.add_subcommand("list", "List the entries of a package");
    list->footer(
        "Prints one line per entry of FILE's package, in package order: name, TAB, stored\n"
        "bytes, TAB, inflated bytes. Exit 1 when the package is damaged.");
    list->add_option("FILE", file, "package file or bundled executable")->required();

    CLI::App* cat = app.add_subcommand("cat", "Print a project file as the run-time reads it");
    cat->footer(
        "Writes to standard output what the run-time reads for NAME: the package entry\n"
        "(directories and letter case of NAME ignored), else the disk file NAME relative to\n"
        "the current directory. Exit 1, writing nothing, when there is neither.");
    cat->add_option("FILE", file, "package file or bundled executable")->required();
    cat->add_option("NAME", name, "project file name")->required();

    CLI::App* extract = app.add_subcommand("extract", "Write a project file to the disk");
    extract->footer("Writes what cat would print for NAME to the file DEST (created or replaced).\n"
                    "Exit 1 when there is nothing to write or DEST cannot be written.");
    extract->add_option("FILE", file, "package file or bundled executable")->required();
    extract->add_option("NAME", name, "project file name")->required();
    extract->add_option("DEST", dest, "file to write")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        int code = app.exit(error);
        return code == 0 ? 0 : kUsage;
    }

    if (create->parsed())
        return Create(out, directory);
    if (bundle->parsed())
        return Bundle(runtime, directory, out);
    if (list->parsed())
        return List(file);
    if (cat->parsed())
        return Cat(file, name);
    return Extract(file, name, dest);
}
