// Quorva run-time. Licensed under the MIT licence.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include <QImage>
#include <QPainter>

#include "OffscreenGui.h"
#include "viewers/GrafcetFile.h"
#include "viewers/GrafcetPainter.h"

// fontconfig keeps the element array of a pattern as an offset from the pattern, not a pointer,
// so the leak checker cannot see that the patterns Qt caches for font fallback still own them.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
    fuzzsupport::StartOffscreenGui((*argv)[0]);
    return 0;
}

// Runs the chart reader on arbitrary bytes: it must never crash, a refusal must say why, a chart
// that reads must keep the reader's limits and read back the same after being written, and a
// small one must draw (every kind, neighbours and step numbers as the bytes say) without touching
// anything outside its picture.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto chart = viewers::ReadGrafcetChart(bytes);
    if (!chart) {
        if (chart.Error().empty())
            std::abort();
        return 0;
    }
    const viewers::GrafcetChart& read = chart.Value();
    if (read.rows < 0 || read.rows > viewers::kMaxGrafcetRows || read.columns < 0 ||
        read.columns > viewers::kMaxGrafcetColumns ||
        read.cells.size() != static_cast<std::size_t>(read.rows) *
                                 static_cast<std::size_t>(read.columns))
        std::abort();
    auto again = viewers::ReadGrafcetChart(viewers::WriteGrafcetChart(read));
    if (!again || !(again.Value() == read))
        std::abort();

    if (read.cells.size() <= 64) {
        const int level = size > 0 ? data[size - 1] % viewers::kGrafcetZoomLevels : 2;
        const QRect area(QPoint(0, 0),
                         viewers::GrafcetGridExtent(level, read.rows, read.columns, read.cells)
                             .boundedTo(QSize(2000, 2000))
                             .expandedTo(QSize(1, 1)));
        QImage image(area.size(), QImage::Format_RGB32);
        QPainter painter(&image);
        viewers::PaintGrafcetChart(painter, read, level, viewers::GrafcetLook{}, area,
                                   [](int index) { return index % 2 == 0; });
    }
    return 0;
}
