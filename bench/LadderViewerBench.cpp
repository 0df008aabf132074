// Quorva run-time. Licensed under the MIT licence.
// A ladder diagram of 2,000 cells (100 rungs of 20) refreshed while 500 of its variables change
// between refreshes: the work of one WINLADDERREFRESH, with the whole diagram in view (every cell
// read, 500 redrawn) and in a 1024 x 768 window on it. Target: at most 5 ms a refresh.
#include <benchmark/benchmark.h>

#include "screens/ScreenVariables.h"
#include "viewers/LadderFile.h"
#include "viewers/LadderViewer.h"

#include <QApplication>

#include <string>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kRows = 100;
constexpr int kColumns = 20;
constexpr int kChanged = 500;

// Boolean variables V0 ... V1999 held as display texts, as the variable store gives them.
class BenchVariables final : public screens::TextOnlyVariables {
public:
    explicit BenchVariables(int count) {
        for (int i = 0; i < count; ++i)
            m_values["V" + std::to_string(i)] = false;
    }
    void Flip(int index) {
        bool& value = m_values["V" + std::to_string(index)];
        value = !value;
    }
    std::optional<std::string> Text(std::string_view name) override {
        const auto found = m_values.find(std::string(name));
        if (found == m_values.end())
            return std::nullopt;
        return std::string(found->second ? "True" : "False");
    }

private:
    std::unordered_map<std::string, bool> m_values;
};

// Rungs of contacts (every fourth normally closed) ending in a coil, each cell on a variable of
// its own, with a mnemonic under it.
viewers::LadderDiagram BenchDiagram() {
    viewers::LadderDiagram diagram;
    diagram.rows = kRows;
    diagram.columns = kColumns;
    for (int i = 0; i < kRows * kColumns; ++i) {
        viewers::LadderCellRecord cell;
        const int column = i % kColumns;
        cell.kind = column == kColumns - 2 ? viewers::ladderkind::kCoil
                    : i % 4 == 3          ? viewers::ladderkind::kClosedContact
                                          : viewers::ladderkind::kContact;
        cell.variable = "V" + std::to_string(i);
        cell.mnemonic1 = "Cell " + std::to_string(i);
        diagram.cells.push_back(std::move(cell));
    }
    return diagram;
}

// The whole diagram visible (every cell is read) or a screen-sized window on it.
void Refresh(benchmark::State& state, QSize size) {
    BenchVariables variables(kRows * kColumns);
    viewers::LadderViewer viewer;
    viewer.resize(size);
    viewer.show();
    QApplication::processEvents();
    viewer.ShowDiagram(BenchDiagram(), nullptr, "BENCH.lad");
    viewer.Refresh(&variables);
    // The changed variables, spread over the diagram: in a window only the visible ones are
    // read and redrawn.
    std::vector<int> changing;
    for (int i = 0; i < kChanged; ++i)
        changing.push_back(i * (kRows * kColumns / kChanged));
    std::size_t redrawn = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int index : changing)
            variables.Flip(index);
        state.ResumeTiming();
        redrawn += viewer.Refresh(&variables).size();
    }
    state.counters["cells_redrawn"] =
        benchmark::Counter(static_cast<double>(redrawn), benchmark::Counter::kAvgIterations);
}

void BM_RefreshWholeDiagram(benchmark::State& state) {
    Refresh(state, QSize(1500, 4200));
}
BENCHMARK(BM_RefreshWholeDiagram)->Unit(benchmark::kMillisecond);

void BM_RefreshScreenWindow(benchmark::State& state) {
    Refresh(state, QSize(1024, 768));
}
BENCHMARK(BM_RefreshScreenWindow)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
