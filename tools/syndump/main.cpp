// Quorva run-time. Licensed under the MIT licence.
#include "SynJson.h"
#include "ToolFiles.h"
#include "screens/SynScreenReader.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <fmt/format.h>
#include <string>

namespace {

constexpr int kDamaged = 1;
constexpr int kUsage = 2;

constexpr const char* kDescription =
    "syndump - show a Quorva screen file (.Syn) as JSON.\n\n"
    "Prints the window header, the extended window block (version 7) and every object: its\n"
    "attribute record by field name, its kind, point list, ActiveX control and class data with\n"
    "field names, as one JSON object that synbuild turns back into the same file. Texts are\n"
    "converted from the system code page to UTF-8, raw bytes are shown as hex.\n\n"
    "Exit codes: 0 done, 1 the file cannot be read or is damaged (the message names the object\n"
    "and the byte offset), 2 bad usage.";

} // namespace

int main(int argc, char** argv) {
    CLI::App app{kDescription, "syndump"};
    app.failure_message([](const CLI::App*, const CLI::Error& error) {
        return fmt::format("syndump: {}\nRun 'syndump --help' for the options.\n", error.what());
    });
    bool partial = false;
    std::string file;
    app.add_flag("--partial", partial,
                 "for a damaged file, still print what was read, with a \"stop\" member");
    app.add_option("FILE", file, "screen file to show")->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        int code = app.exit(error);
        return code == 0 ? 0 : kUsage;
    }

    auto bytes = toolfiles::ReadWholeFile(file);
    if (!bytes) {
        fmt::print(stderr, "syndump: {}\n", bytes.Error());
        return kDamaged;
    }
    auto screen = screens::ReadScreen(bytes.Value());
    if (!screen) {
        fmt::print(stderr, "syndump: {}: {}\n", file, screen.Error());
        return kDamaged;
    }
    for (const std::string& warning : screen->warnings)
        fmt::print(stderr, "syndump: {}: warning: {}\n", file, warning);
    if (screen->stop)
        fmt::print(stderr, "syndump: {}: {}\n", file, screen->stop->message);
    if (!screen->stop || partial) {
        synjson::Json json = synjson::ScreenToJson(screen.Value());
        if (screen->stop)
            json["stop"] = synjson::StopToJson(*screen->stop);
        fmt::print("{}\n", json.dump(2, ' ', false, synjson::Json::error_handler_t::replace));
    }
    std::fflush(stdout);
    if (std::ferror(stdout))
        return kDamaged;
    return screen->stop ? kDamaged : 0;
}
