// Quorva run-time. Licensed under the MIT licence.
// The run-time's entry: options, the project directory, Qt, then the shell's main sequence.

#include "platform/CodePage.h"
#include "platform/Log.h"
#include "platform/PathMap.h"
#include "platform/Process.h"
#include "platform/SharedMemory.h"
#include "runtime/RuntimeHost.h"
#include "runtime/TableListing.h"
#include "shell/Dictionary.h"
#include "shell/MainSequence.h"
#include "shell/Package.h"
#include "shell/QtLogBridge.h"
#include "shell/ShellContext.h"

#include <CLI/CLI.hpp>
#include <QApplication>

#include <cstdlib>
#include <filesystem>
#include <iostream>

namespace {

struct Options {
    std::string project;
    bool headless = false;
    double runForSeconds = -1;
    std::string screenshotDir;
    int screenshotEveryMs = 0;
    std::string logLevel = "warning";
    std::uint32_t watchdogMs = 5000;
    std::string instance;
    std::string driveRoot;
    std::string codePage;
    bool listFunctions = false;
    bool listVariables = false;
};

struct ProjectLocation {
    std::string packageFile;          // where the package is looked for
    std::filesystem::path directory;  // where the run-time works
};

// PROJECT is a directory of project files or a file with a package appended; without it, a
// package appended to this executable, else the current directory.
std::optional<ProjectLocation> LocateProject(const std::string& project, std::string& error) {
    namespace fs = std::filesystem;
    const std::string self = platform::ExecutablePath();
    std::error_code ec;
    if (project.empty()) {
        if (shell::FindPackageStart(self) != 0)
            return ProjectLocation{self, fs::path(self).parent_path()};
        return ProjectLocation{self, fs::current_path(ec)};
    }
    fs::path path = fs::absolute(project, ec);
    if (fs::is_directory(path, ec))
        return ProjectLocation{self, path};
    if (!fs::is_regular_file(path, ec)) {
        error = project + ": no such project directory or package file";
        return std::nullopt;
    }
    if (shell::FindPackageStart(path.string()) == 0) {
        error = project + ": the file holds no project package";
        return std::nullopt;
    }
    return ProjectLocation{path.string(), path.parent_path()};
}

bool DisplayAvailable() {
    return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    CLI::App cli{"Runs a project: its program units, screens and alarms.", "rtquorva"};
    cli.add_option("PROJECT", options.project,
                   "project directory, or a file with a project package appended "
                   "(default: the package appended to rtquorva, else the current directory)");
    cli.add_flag("--headless", options.headless,
                 "run everything but show nothing (Qt offscreen platform; message boxes are "
                 "logged and answered with their default button)");
    cli.add_option("--run-for", options.runForSeconds,
                   "end the run after SECONDS, as if the main window had been closed")
        ->check(CLI::NonNegativeNumber);
    cli.add_option("--screenshot", options.screenshotDir,
                   "write an image of every open window into DIR as NAME.png when the run ends");
    cli.add_option("--screenshot-every", options.screenshotEveryMs,
                   "with --screenshot, also write DIR/NAME-<ms>.png every MS milliseconds")
        ->check(CLI::PositiveNumber);
    cli.add_option("--log-level", options.logLevel, "debug, info, warning, error or off")
        ->check(CLI::IsMember({"debug", "info", "warning", "error", "off"}));
    cli.add_option("--watchdog", options.watchdogMs,
                   "stop a call into unit code that runs longer than MS milliseconds (0 = off)");
    cli.add_option("--instance", options.instance,
                   "suffix for the shared-memory names, to run several run-times side by side "
                   "(default: $QUORVA_INSTANCE)");
    cli.add_option("--drive-root", options.driveRoot,
                   "directory that drive letters in project paths stand for "
                   "(default: the project directory)");
    cli.add_option("--code-page", options.codePage,
                   "code page of the project's texts, as iconv names it (default WINDOWS-1252)");
    cli.add_flag("--list-functions", options.listFunctions,
                 "print the runtime function table (helpers, then functions) and exit");
    cli.add_flag("--list-variables", options.listVariables,
                 "print the system variables (name, type code) and exit");
    CLI11_PARSE(cli, argc, argv);
    if (options.listFunctions || options.listVariables) {
        if (options.listFunctions)
            std::cout << runtime::FunctionListing();
        if (options.listVariables)
            std::cout << runtime::VariableListing();
        return 0;
    }

    platform::log::SetLevel(*platform::ParseLogLevel(options.logLevel));
    if (!options.instance.empty())
        platform::SetInstanceName(options.instance);
    if (!options.codePage.empty()) {
        if (platform::Status status = platform::SetSystemCodePage(options.codePage); !status) {
            std::cerr << "rtquorva: " << status.Error() << "\n";
            return shell::kExitUsage;
        }
    }

    // A relative screenshot directory is the caller's, not the project's.
    if (!options.screenshotDir.empty()) {
        std::error_code absoluteError;
        options.screenshotDir = std::filesystem::absolute(options.screenshotDir, absoluteError).string();
    }

    std::string error;
    std::optional<ProjectLocation> location = LocateProject(options.project, error);
    if (!location) {
        std::cerr << "rtquorva: " << error << "\n";
        return shell::kExitUsage;
    }
    // The current directory and "the directory of the executable" both mean the project
    // directory from here on.
    std::error_code ec;
    std::filesystem::current_path(location->directory, ec);
    if (ec) {
        std::cerr << "rtquorva: cannot change into " << location->directory << ": "
                  << ec.message() << "\n";
        return shell::kExitUsage;
    }
    platform::SetDriveRoot(options.driveRoot.empty()
                               ? location->directory.string()
                               : std::filesystem::absolute(options.driveRoot).string());

    if (options.headless) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    } else if (!DisplayAvailable() && std::getenv("QT_QPA_PLATFORM") == nullptr) {
        platform::LogInfo("no display: running on Qt's offscreen platform");
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        options.headless = true;
    }
    shell::RouteQtMessagesToLog();
    // The web browser module's engine shares OpenGL contexts with the windows; Qt must know
    // before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);

    shell::ShellSettings shellSettings;
    shellSettings.packageFile = location->packageFile;
    shellSettings.headless = options.headless;
    shellSettings.localeLanguage = shell::LanguageFromLocale();
    platform::Result<std::unique_ptr<shell::ShellContext>> context =
        shell::ShellContext::Create(shellSettings);
    if (!context) {
        platform::LogError("{}", context.Error());
        return shell::kExitSetupFailed;
    }

    // The unit engine: guest memory with the shared global block, the runtime function table
    // registered under "SYSTEM" before any unit is loaded, the loader, the variable store, the
    // scheduler and the editor-command poll.
    runtime::HostOptions hostOptions;
    hostOptions.watchdogMilliseconds = options.watchdogMs;
    hostOptions.screenshots.directory = options.screenshotDir;
    hostOptions.screenshots.everyMilliseconds = options.screenshotEveryMs;
    auto host = runtime::RuntimeHost::Create(*context.Value(), hostOptions);
    if (!host) {
        platform::LogError("{}", host.Error());
        return shell::kExitSetupFailed;
    }
    shell::MainSettings mainSettings;
    if (options.runForSeconds >= 0)
        mainSettings.runForMilliseconds = static_cast<std::uint32_t>(options.runForSeconds * 1000);
    shell::MainSequence sequence(*context.Value(), *host.Value(), mainSettings);
    return sequence.Run();
}
