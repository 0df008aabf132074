// Quorva run-time. Licensed under the MIT licence.
#include "screens/ClassDataIo.h"
#include "screens/ClassLayouts.h"
#include "screens/SynScreenReader.h"
#include "screens/SynScreenWriter.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fmt/format.h>
#include <string>

namespace {

struct Sample {
    std::uint8_t kind;
    const char* className;
};

// The mix of a busy operator screen: shapes, texts, values, bars, buttons, edits, lists, trends.
constexpr Sample kMix[] = {
    {106, "TCTexte"}, {123, "TCBARV"},   {122, "TCVALUE"}, {121, "TCBUTTON"}, {105, "TCPolyLine"},
    {101, "TCRect"},  {114, "TCEdit"},   {128, "TCListbox"}, {100, "TCLigne"}, {145, "TCTREND"},
};

// A version 7 screen of `count` objects, each with class data whose texts are filled in.
std::string MixedScreen(int count) {
    screens::SynScreen screen;
    screen.header.caption = "Benchmark";
    for (int i = 0; i < count; ++i) {
        const Sample& sample = kMix[i % std::size(kMix)];
        screens::SynObject object;
        screens::AttributsFig& a = object.attributes;
        a.kind = sample.kind;
        a.className = sample.className;
        a.objectName = fmt::format("OBJ{}", i);
        a.text = fmt::format("Text of object {}", i);
        a.fontName = "Arial";
        a.x1 = static_cast<std::int16_t>(i % 40 * 20);
        a.y1 = static_cast<std::int16_t>(i / 40 * 20);
        a.x2 = static_cast<std::int16_t>(a.x1 + 18);
        a.y2 = static_cast<std::int16_t>(a.y1 + 18);
        if (sample.kind == 105)
            for (int p = 0; p < 20; ++p)
                object.points.push_back({p * 3, p * p});
        const screens::ClassLayout* layout = screens::FindClassLayout(sample.className);
        object.classData = screens::DefaultClassData(*layout);
        for (std::size_t f = 0; f < layout->fields.size(); ++f)
            if (layout->fields[f].type == screens::FieldType::Name)
                object.classData->values[f].bytes = fmt::format("TANK{}.LEVEL > {}", i, f);
        object.classData->Find("hint")->bytes = fmt::format("Hint of object {}", i);
        screen.objects.push_back(std::move(object));
    }
    auto bytes = screens::WriteScreen(screen);
    if (!bytes.IsOk())
        std::abort();
    return bytes.Value();
}

void ReadScreenOf500Objects(benchmark::State& state) {
    const std::string bytes = MixedScreen(500);
    for (auto _ : state) {
        auto screen = screens::ReadScreen(bytes);
        if (!screen.IsOk() || screen->stop || screen->objects.size() != 500)
            std::abort();
        benchmark::DoNotOptimize(screen);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bytes.size()));
    state.counters["fileBytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(ReadScreenOf500Objects)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
