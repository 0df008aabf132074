// Quorva run-time. Licensed under the MIT licence.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include <QImage>
#include <QPainter>

#include "OffscreenGui.h"
#include "screens/ScreenVariables.h"
#include "viewers/LadderFile.h"
#include "viewers/LadderGrid.h"
#include "viewers/LadderPainter.h"
#include "viewers/Mnemonics.h"

// fontconfig keeps the element array of a pattern as an offset from the pattern, not a pointer,
// so the leak checker cannot see that the patterns Qt caches for font fallback still own them.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
    fuzzsupport::StartOffscreenGui((*argv)[0]);
    return 0;
}

namespace {

// Every name is a variable: its text is "True", "False" or a number, by the name's length.
class FuzzVariables final : public screens::TextOnlyVariables {
public:
    std::optional<std::string> Text(std::string_view name) override {
        switch (name.size() % 3) {
        case 0:
            return std::string("True");
        case 1:
            return std::string("False");
        default:
            return std::to_string(name.size());
        }
    }
};

} // namespace

// Runs the ladder file reader and the mnemonics reader on arbitrary bytes: they must never crash,
// a refusal must say why, a diagram that reads must keep the reader's limits and read back the
// same after being written, and a small one must lay out, take mnemonics (read from the same
// bytes), read its states and draw every cell at a zoom level the bytes choose without touching
// anything outside its picture.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const viewers::Mnemonics mnemonics = viewers::Mnemonics::Parse(bytes);
    if (mnemonics.Size() > bytes.size())
        std::abort();

    auto diagram = viewers::ReadLadderFile(bytes);
    if (!diagram) {
        if (diagram.Error().empty())
            std::abort();
        return 0;
    }
    const viewers::LadderDiagram& read = diagram.Value();
    if (read.rows < 0 || read.rows > viewers::kMaxLadderRows || read.columns < 1 ||
        read.columns > viewers::kMaxLadderColumns ||
        read.cells.size() !=
            static_cast<std::size_t>(read.rows) * static_cast<std::size_t>(read.columns))
        std::abort();
    auto again = viewers::ReadLadderFile(viewers::WriteLadderFile(read));
    if (!again || !(again.Value() == read))
        std::abort();

    if (read.cells.size() <= 64) {
        const int level = size > 0 ? data[size - 1] % viewers::kLadderZoomLevels : 2;
        const viewers::LadderGeometry& table = viewers::LadderZoomTable(level);
        viewers::LadderPainter measure(table, level, Qt::white, Qt::black);
        viewers::LadderGrid grid;
        grid.SetZoom(level, measure.MeasuredCellWidth());
        grid.Replace(read, &mnemonics);
        if (grid.CellCount() != read.cells.size())
            std::abort();
        const QSize extent = grid.Extent().boundedTo(QSize(2000, 2000)).expandedTo(QSize(1, 1));
        FuzzVariables variables;
        (void)grid.UpdateStates(variables, QRect(QPoint(0, 0), extent));
        QImage image(extent, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        viewers::LadderPainter cells(grid.Geometry(), level, Qt::white, Qt::black);
        for (const viewers::LadderCell& cell : grid.Cells()) {
            painter.setClipRect(cell.rect);
            cells.Paint(painter, cell, true);
        }
    }
    return 0;
}
