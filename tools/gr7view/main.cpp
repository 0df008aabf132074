// Quorva run-time. Licensed under the MIT licence.
#include "ChartJson.h"
#include "ChartText.h"
#include "ToolFiles.h"
#include "viewers/GrafcetFile.h"
#include "viewers/GrafcetPainter.h"

#include <CLI/CLI.hpp>
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fmt/format.h>
#include <limits>
#include <optional>
#include <set>
#include <string>

namespace {

constexpr int kFailure = 1;
constexpr int kUsage = 2;

constexpr const char* kDescription =
    "gr7view - show a Quorva Grafcet chart file (.Gr7).\n\n"
    "Prints the chart's grid as text (one line per row, a short label per cell), or with --json\n"
    "as one JSON object; with --png renders it as the run-time's viewer draws it, offscreen, at a\n"
    "zoom level with the steps of --active shown active; with --build builds a chart file from\n"
    "the JSON form. Texts are converted between the system code page and UTF-8.\n\n"
    "Exit codes: 0 done, 1 the file cannot be read or written or is damaged (the message names\n"
    "the field and byte offset), 2 bad usage.";

// "1,4,7" as a set of step numbers.
std::optional<std::set<std::int32_t>> ParseSteps(const std::string& list) {
    std::set<std::int32_t> steps;
    std::size_t at = 0;
    while (at <= list.size()) {
        const std::size_t comma = std::min(list.find(',', at), list.size());
        const std::string item = list.substr(at, comma - at);
        if (item.empty())
            return std::nullopt;
        char* end = nullptr;
        const long long value = std::strtoll(item.c_str(), &end, 10);
        if (*end != '\0' || value < std::numeric_limits<std::int32_t>::min() ||
            value > std::numeric_limits<std::int32_t>::max())
            return std::nullopt;
        steps.insert(static_cast<std::int32_t>(value));
        at = comma + 1;
    }
    return steps;
}

int RenderPng(int argc, char** argv, const viewers::GrafcetChart& chart, int level,
              const std::set<std::int32_t>& active, const std::string& out) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Qt's notes about the session (no runtime directory and the like) are no business of a
    // picture rendered offscreen; its errors still show.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            fmt::print(stderr, "gr7view: {}\n", message.toStdString());
        if (type == QtFatalMsg)
            std::abort();
    });
    QGuiApplication application(argc, argv);
    const QSize extent =
        viewers::GrafcetGridExtent(level, chart.rows, chart.columns, chart.cells)
            .expandedTo(QSize(1, 1));
    QImage image(extent, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        viewers::PaintGrafcetChart(painter, chart, level, viewers::GrafcetLook{},
                                   QRect(QPoint(0, 0), extent), [&](int index) {
                                       return active.count(chart.cells[static_cast<std::size_t>(
                                                                           index)]
                                                               .number) != 0;
                                   });
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        fmt::print(stderr, "gr7view: {}: the picture cannot be encoded as PNG\n", out);
        return kFailure;
    }
    if (auto written = toolfiles::WriteFileAtomically(
            out, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        !written) {
        fmt::print(stderr, "gr7view: {}\n", written.Error());
        return kFailure;
    }
    return 0;
}

int BuildChart(const std::string& source, const std::string& out) {
    auto text = toolfiles::ReadWholeFile(source);
    if (!text) {
        fmt::print(stderr, "gr7view: {}\n", text.Error());
        return kFailure;
    }
    auto chart = gr7view::ChartFromJson(text.Value());
    if (!chart) {
        fmt::print(stderr, "gr7view: {}: {}\n", source, chart.Error());
        return kFailure;
    }
    if (auto written = toolfiles::WriteFileAtomically(out, viewers::WriteGrafcetChart(*chart));
        !written) {
        fmt::print(stderr, "gr7view: {}\n", written.Error());
        return kFailure;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{kDescription, "gr7view"};
    app.failure_message([](const CLI::App*, const CLI::Error& error) {
        return fmt::format("gr7view: {}\nRun 'gr7view --help' for the options.\n", error.what());
    });
    std::string file;
    bool json = false;
    std::string png;
    int zoom = viewers::kGrafcetDefaultZoom;
    std::string activeList;
    std::string build;
    auto* jsonFlag = app.add_flag("--json", json, "print the chart as one JSON object");
    auto* pngOption =
        app.add_option("--png", png, "render the chart into the PNG file OUT")->type_name("OUT");
    app.add_option("--zoom", zoom, "zoom level of --png, 0 to 4 (default 2)")
        ->check(CLI::Range(0, viewers::kGrafcetZoomLevels - 1))
        ->needs(pngOption);
    app.add_option("--active", activeList, "steps --png shows active, as numbers: 1,4,7")
        ->type_name("LIST")
        ->needs(pngOption);
    auto* buildOption =
        app.add_option("--build", build,
                       "build the chart file OUT from FILE, a chart in the JSON form of --json")
            ->type_name("OUT");
    buildOption->excludes(jsonFlag)->excludes(pngOption);
    pngOption->excludes(jsonFlag);
    app.add_option("FILE", file, "chart file to show (with --build: the JSON to build from)")
        ->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        int code = app.exit(error);
        return code == 0 ? 0 : kUsage;
    }

    std::set<std::int32_t> active;
    if (!activeList.empty()) {
        auto steps = ParseSteps(activeList);
        if (!steps) {
            fmt::print(stderr,
                       "gr7view: --active: \"{}\" is not a list of step numbers such as 1,4,7\n"
                       "Run 'gr7view --help' for the options.\n",
                       activeList);
            return kUsage;
        }
        active = std::move(*steps);
    }

    if (!build.empty())
        return BuildChart(file, build);

    auto bytes = toolfiles::ReadWholeFile(file);
    if (!bytes) {
        fmt::print(stderr, "gr7view: {}\n", bytes.Error());
        return kFailure;
    }
    std::size_t trailing = 0;
    auto chart = viewers::ReadGrafcetChart(bytes.Value(), &trailing);
    if (!chart) {
        fmt::print(stderr, "gr7view: {}: {}\n", file, chart.Error());
        return kFailure;
    }
    if (trailing > 0)
        fmt::print(stderr, "gr7view: {}: warning: {} bytes after the last cell are ignored\n",
                   file, trailing);
    std::size_t unknown = 0;
    for (std::size_t i = 0; i < chart->cells.size(); ++i) {
        const std::uint8_t kind = chart->cells[i].kind;
        if (kind > viewers::kGrafcetLastKind && unknown++ == 0)
            fmt::print(stderr, "gr7view: {}: warning: cell {} has kind {}, which is drawn as "
                               "nothing\n",
                       file, i, kind);
    }
    if (unknown > 1)
        fmt::print(stderr, "gr7view: {}: warning: {} cells in all have kinds above {}\n", file,
                   unknown, viewers::kGrafcetLastKind);

    if (!png.empty())
        return RenderPng(argc, argv, chart.Value(), zoom, active, png);
    const std::string chartName = viewers::GrafcetChartName(file);
    if (json)
        fmt::print("{}\n", gr7view::ChartToJson(chart.Value(), chartName));
    else
        fmt::print("{}", gr7view::ChartToText(chart.Value(), file, chartName));
    std::fflush(stdout);
    return std::ferror(stdout) ? kFailure : 0;
}
