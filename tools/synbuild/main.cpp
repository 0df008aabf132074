// Quorva run-time. Licensed under the MIT licence.
#include "SynJson.h"
#include "ToolFiles.h"
#include "screens/SynScreenWriter.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>
#include <optional>
#include <string>

namespace {

constexpr int kFailure = 1;
constexpr int kUsage = 2;

constexpr const char* kDescription =
    "synbuild - build a Quorva screen file (.Syn) from JSON.\n\n"
    "JSON describes the window and its objects in the form syndump prints; fields left out\n"
    "take their defaults (an object needs only its \"kind\"). Texts are UTF-8 and are stored\n"
    "in the system code page. See docs/synbuild.md for every field.\n\n"
    "Exit codes: 0 done, 1 the JSON cannot be read or describes no valid screen (the message\n"
    "names the JSON path, for example objects[2].classData.hint), 2 bad usage.";

} // namespace

int main(int argc, char** argv) {
    CLI::App app{kDescription, "synbuild"};
    app.failure_message([](const CLI::App*, const CLI::Error& error) {
        return fmt::format("synbuild: {}\nRun 'synbuild --help' for the options.\n", error.what());
    });
    std::string source, out;
    std::optional<int> version;
    app.add_option("JSON", source, "screen description")->required();
    app.add_option("-o,--output", out, "screen file to write")->required();
    app.add_option("--version", version,
                   "format version to write, 3 to 7 (default: the document's \"version\", else 7)")
        ->check(CLI::Range(3, 7));
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        int code = app.exit(error);
        return code == 0 ? 0 : kUsage;
    }

    auto text = toolfiles::ReadWholeFile(source);
    if (!text) {
        fmt::print(stderr, "synbuild: {}\n", text.Error());
        return kFailure;
    }
    synjson::Json json;
    try {
        json = synjson::Json::parse(text.Value());
    } catch (const synjson::Json::parse_error& error) {
        fmt::print(stderr, "synbuild: {}: not valid JSON: {}\n", source, error.what());
        return kFailure;
    }
    auto screen = synjson::ScreenFromJson(json, version);
    if (!screen) {
        fmt::print(stderr, "synbuild: {}: {}\n", source, screen.Error());
        return kFailure;
    }
    auto bytes = screens::WriteScreen(screen.Value());
    if (!bytes) {
        fmt::print(stderr, "synbuild: {}: {}\n", source, bytes.Error());
        return kFailure;
    }
    if (auto written = toolfiles::WriteFileAtomically(out, bytes.Value()); !written) {
        fmt::print(stderr, "synbuild: {}\n", written.Error());
        return kFailure;
    }
    return 0;
}
