// Quorva run-time. Licensed under the MIT licence.
#include "LadderJson.h"
#include "ToolFiles.h"
#include "platform/CodePage.h"
#include "screens/ScreenVariables.h"
#include "viewers/LadderFile.h"
#include "viewers/LadderViewer.h"
#include "viewers/Mnemonics.h"

#include <CLI/CLI.hpp>
#include <QApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <fmt/format.h>
#include <map>
#include <optional>
#include <string>

namespace {

constexpr int kFailure = 1;
constexpr int kUsage = 2;
// A picture larger than this on either side is cut (the rest of the diagram is not drawn).
constexpr int kMaxPictureSide = 16384;

constexpr const char* kDescription =
    "ladview - show a Quorva ladder diagram file (.lad).\n\n"
    "Prints the diagram as a text grid (two lines per row: the symbols, then the variable\n"
    "names), or with --json as one JSON object, which --build turns back into the same file.\n"
    "With --png the diagram is drawn as the run-time's viewer draws it, at zoom level --zoom\n"
    "(0 to 4, 2 by default), and with --state the variables' values are shown live (contacts\n"
    "and coils that are on are shaded, box pins show their values; variables not named read\n"
    "false). Texts are converted from the system code page to UTF-8.\n\n"
    "Exit codes: 0 done, 1 a file cannot be read or written or is damaged (the message names\n"
    "the cell and the byte offset), 2 bad usage.";

// The variables that --state names, by upper-cased name, as display texts.
class StateVariables final : public screens::TextOnlyVariables {
public:
    void Set(const std::string& name, std::string text) {
        m_values[platform::UpperAscii(name)] = std::move(text);
    }
    std::optional<std::string> Text(std::string_view name) override {
        const auto found = m_values.find(platform::UpperAscii(name));
        if (found == m_values.end())
            return std::nullopt;
        return found->second;
    }

private:
    std::map<std::string, std::string> m_values;
};

// "NAME=VALUE,NAME=VALUE": true/false (any case) become "True"/"False", other values stay.
bool ParseStates(const std::string& list, StateVariables& variables, std::string& error) {
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(',', start), list.size());
        const std::string item = list.substr(start, end - start);
        start = end + 1;
        if (item.empty())
            continue;
        const std::size_t equals = item.find('=');
        if (equals == std::string::npos || equals == 0) {
            error = fmt::format("--state: \"{}\" is not NAME=VALUE", item);
            return false;
        }
        std::string value = item.substr(equals + 1);
        const std::string upper = platform::UpperAscii(value);
        if (upper == "TRUE")
            value = "True";
        else if (upper == "FALSE")
            value = "False";
        variables.Set(platform::Utf8ToCodePage(item.substr(0, equals)),
                      platform::Utf8ToCodePage(value));
    }
    return true;
}

int Render(const viewers::LadderDiagram& diagram, const viewers::Mnemonics* mnemonics,
           const std::string& file, const std::string& output, int zoom,
           StateVariables* variables) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char name[] = "ladview";
    char* argv[] = {name, nullptr};
    // Qt's complaint about a missing runtime directory says nothing about the picture.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type != QtDebugMsg && !message.startsWith(QStringLiteral("QStandardPaths:")))
            fmt::print(stderr, "ladview: {}\n", message.toStdString());
    });
    QApplication application(argc, argv);
    viewers::LadderViewer viewer;
    viewer.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewer.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewer.SetZoomLevel(zoom);
    viewer.ShowDiagram(diagram, mnemonics, file);
    const QSize size = viewer.VirtualSize();
    if (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide)
        fmt::print(stderr, "ladview: {}: the picture is cut to {} pixels a side\n", file,
                   kMaxPictureSide);
    viewer.resize(std::min(size.width(), kMaxPictureSide), std::min(size.height(), kMaxPictureSide));
    // Shown (on the offscreen platform) so that the view takes its size at once.
    viewer.show();
    QApplication::processEvents();
    viewer.ScrollTo(1, 1);
    if (variables != nullptr)
        viewer.Refresh(variables);
    if (!viewer.Picture().save(QString::fromStdString(output), "PNG")) {
        fmt::print(stderr, "ladview: {}: the picture cannot be written\n", output);
        return kFailure;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{kDescription, "ladview"};
    app.failure_message([](const CLI::App*, const CLI::Error& error) {
        return fmt::format("ladview: {}\nRun 'ladview --help' for the options.\n", error.what());
    });
    bool json = false;
    std::string png;
    std::string build;
    int zoom = 2;
    std::string states;
    std::string mnemonicsFile;
    std::string file;
    app.add_flag("--json", json, "print the diagram as JSON");
    app.add_option("--png", png, "draw the diagram into this PNG file");
    app.add_option("--zoom", zoom, "zoom level of the picture, 0 to 4 (default 2)")
        ->check(CLI::Range(0, 4));
    app.add_option("--state", states,
                   "with --png: variable values shown live, NAME=VALUE separated by commas");
    app.add_option("--mnemonics", mnemonicsFile,
                   "a mnemonics file (MNEMOS) whose texts the picture shows");
    app.add_option("--build", build,
                   "write the ladder file BUILD from the JSON file FILE (the form --json prints)");
    app.add_option("FILE", file, "ladder file to show (with --build: the JSON source)")
        ->required();
    try {
        app.parse(argc, argv);
        if (!build.empty() && (json || !png.empty()))
            throw CLI::ValidationError("--build", "cannot be combined with --json or --png");
        if (json && !png.empty())
            throw CLI::ValidationError("--json", "cannot be combined with --png");
        if (png.empty() && (!states.empty() || app.count("--zoom") > 0))
            throw CLI::ValidationError("--state/--zoom", "only go with --png");
    } catch (const CLI::ParseError& error) {
        int code = app.exit(error);
        return code == 0 ? 0 : kUsage;
    }

    auto bytes = toolfiles::ReadWholeFile(file);
    if (!bytes) {
        fmt::print(stderr, "ladview: {}\n", bytes.Error());
        return kFailure;
    }

    if (!build.empty()) {
        ladjson::Json source = ladjson::Json::parse(bytes.Value(), nullptr, false);
        if (source.is_discarded()) {
            fmt::print(stderr, "ladview: {}: not valid JSON\n", file);
            return kFailure;
        }
        auto diagram = ladjson::DiagramFromJson(source);
        if (!diagram) {
            fmt::print(stderr, "ladview: {}: {}\n", file, diagram.Error());
            return kFailure;
        }
        if (auto written = toolfiles::WriteFileAtomically(build, viewers::WriteLadderFile(*diagram));
            !written) {
            fmt::print(stderr, "ladview: {}\n", written.Error());
            return kFailure;
        }
        return 0;
    }

    auto diagram = viewers::ReadLadderFile(bytes.Value());
    if (!diagram) {
        fmt::print(stderr, "ladview: {}: {}\n", file, diagram.Error());
        return kFailure;
    }

    if (!png.empty()) {
        std::optional<viewers::Mnemonics> mnemonics;
        if (!mnemonicsFile.empty()) {
            auto text = toolfiles::ReadWholeFile(mnemonicsFile);
            if (!text) {
                fmt::print(stderr, "ladview: {}\n", text.Error());
                return kFailure;
            }
            mnemonics = viewers::Mnemonics::Parse(text.Value());
        }
        std::optional<StateVariables> variables;
        if (!states.empty()) {
            variables.emplace();
            std::string error;
            if (!ParseStates(states, *variables, error)) {
                fmt::print(stderr, "ladview: {}\nRun 'ladview --help' for the options.\n", error);
                return kUsage;
            }
        }
        return Render(diagram.Value(), mnemonics ? &*mnemonics : nullptr, file, png, zoom,
                      variables ? &*variables : nullptr);
    }

    if (json)
        fmt::print("{}\n", ladjson::DiagramToJson(diagram.Value())
                               .dump(2, ' ', false, ladjson::Json::error_handler_t::replace));
    else
        fmt::print("{}", ladjson::DiagramToText(diagram.Value(), file));
    std::fflush(stdout);
    return std::ferror(stdout) ? kFailure : 0;
}
