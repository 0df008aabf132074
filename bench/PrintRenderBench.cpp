// Quorva run-time. Licensed under the MIT licence.
// Rendering a report into a PDF file as the print renderer's thread does it: 20 pages of 60
// lines under a heading and a rule, with a size, attribute and font change per page (target:
// at most 20 ms a page). Beside it, what FPRINT costs the unit that calls it: taking the queue
// and handing it over; and what a text measure costs it.
#include "runtime/PrintQueue.h"
#include "runtime/PrintRenderer.h"

#include <QApplication>

#include <benchmark/benchmark.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

constexpr int kPages = 20;
constexpr int kLinesPerPage = 60;

runtime::PrintRecord Command(runtime::PrintOp op, std::string text = {}, std::int32_t a = 0,
                             std::int32_t b = 0, std::int32_t c = 0, std::int32_t d = 0,
                             std::int32_t width = 1) {
    runtime::PrintRecord record;
    record.op = op;
    record.text = std::move(text);
    record.values = {a, b, c, d};
    record.penWidth = width;
    return record;
}

std::vector<runtime::PrintRecord> Report() {
    using runtime::PrintOp;
    std::vector<runtime::PrintRecord> records;
    records.push_back(Command(PrintOp::Margin, {}, 300));
    for (int page = 0; page < kPages; ++page) {
        if (page > 0)
            records.push_back(Command(PrintOp::FormFeed));
        records.push_back(Command(PrintOp::Pen, {}, 200));
        records.push_back(Command(PrintOp::Font, "Arial"));
        records.push_back(Command(PrintOp::Size, {}, -16));
        records.push_back(Command(PrintOp::Attribute, {}, 3));
        records.push_back(Command(PrintOp::Line, "Tank farm - shift report, page " +
                                                     std::to_string(page + 1)));
        records.push_back(Command(PrintOp::Attribute, {}, 1));
        records.push_back(Command(PrintOp::DrawLine, {}, 300, 420, 4600, 420, 4));
        records.push_back(Command(PrintOp::Pen, {}, 480));
        records.push_back(Command(PrintOp::Font, "Courier New"));
        records.push_back(Command(PrintOp::Size, {}, -9));
        for (int line = 0; line < kLinesPerPage; ++line) {
            const int n = page * kLinesPerPage + line;
            records.push_back(Command(PrintOp::Text, "12:" + std::to_string(10 + line % 50) +
                                                         ":0" + std::to_string(line % 10) + "  "));
            records.push_back(Command(PrintOp::Line, "Tank " + std::to_string(n % 12 + 1) +
                                                         "  level " + std::to_string(n % 97) +
                                                         ".4 %  valve open  pump 2 running"));
        }
    }
    return records;
}

void RenderTwentyPageReport(benchmark::State& state) {
    runtime::PrintJob job;
    job.records = Report();
    const std::string path =
        (std::filesystem::temp_directory_path() / ("quorva-bench-" + std::to_string(::getpid()) +
                                                   ".pdf"))
            .string();
    using Clock = std::chrono::steady_clock;
    Clock::duration spent{};
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        if (platform::Status rendered = runtime::RenderPrintJob(job, path); !rendered) {
            state.SkipWithError(rendered.Error().c_str());
            break;
        }
        spent += Clock::now() - start;
    }
    const double pages = static_cast<double>(state.iterations()) * kPages;
    state.counters["ms_per_page"] =
        std::chrono::duration<double, std::milli>(spent).count() / std::max(pages, 1.0);
    std::error_code ignored;
    state.counters["pdf_kib"] = static_cast<double>(std::filesystem::file_size(path, ignored)) / 1024;
    std::filesystem::remove(path, ignored);
}
BENCHMARK(RenderTwentyPageReport)->Unit(benchmark::kMillisecond)->Repetitions(3);

// The job is taken and handed to a sink that keeps it, as the renderer's queue does; it is
// freed outside the timing, as the renderer frees it on its own thread.
struct KeptJobs final : runtime::PrintJobSink {
    bool Print(runtime::PrintJob job) override {
        jobs.push_back(std::move(job));
        return true;
    }
    std::vector<runtime::PrintJob> jobs;
};

void FPrintOfATwentyPageReport(benchmark::State& state) {
    runtime::PrintQueue queue;
    KeptJobs sink;
    queue.Attach(&sink, nullptr);
    const std::vector<runtime::PrintRecord> records = Report();
    for (auto _ : state) {
        state.PauseTiming();
        sink.jobs.clear();
        for (const runtime::PrintRecord& record : records)
            queue.Add(record);
        state.ResumeTiming();
        benchmark::DoNotOptimize(queue.Print());
    }
}
BENCHMARK(FPrintOfATwentyPageReport)->Unit(benchmark::kMicrosecond);

// LPRINTTEXT as a unit calls it to align a column: the font made and measured on the page's
// device, on the calling thread.
void MeasureOneText(benchmark::State& state) {
    runtime::PrintFontSpec spec;
    spec.name = "Arial";
    for (auto _ : state)
        benchmark::DoNotOptimize(
            runtime::PrintTextWidth(runtime::MakePrintFont(spec), "Tank 12  level 42.4 %"));
}
BENCHMARK(MeasureOneText)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
