// Quorva run-time. Licensed under the MIT licence.
#include "runtime/PrintFunctions.h"

#include <limits>
#include <utility>

#include "platform/Log.h"
#include "runtime/PrintRenderer.h"
#include "runtime/RuntimeLibrary.h"
#include "runtime/ShortString.h"
#include "screens/ScreenGlobals.h"

namespace runtime {

namespace {

// Print commands only queue a record; FPRINT hands the queue to the renderer. None of them
// waits for a printer.
PrintQueue& Queue() { return ProcessPrintQueue(); }

void AddRecord(PrintOp op, std::string text = {}, std::array<std::int32_t, 4> values = {},
               std::int32_t penWidth = 1) {
    PrintRecord record;
    record.op = op;
    record.text = std::move(text);
    record.values = values;
    record.penWidth = penWidth;
    Queue().Add(std::move(record));
}

// |value| without overflow: the Integer range's lowest value stands for itself.
std::int32_t Magnitude(std::int32_t value) {
    if (value == std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::max();
    return value < 0 ? -value : value;
}

// The pen width of a shape: 1 for 0 or less, as the thinnest pen the printer draws.
std::int32_t PenWidth(std::int32_t width) { return width > 0 ? width : 1; }

QFont PlainFont(const ShortString& name, std::int32_t size) {
    PrintFontSpec spec;
    spec.name = name.Str();
    spec.size = Magnitude(size);
    return MakePrintFont(spec);
}

void UpdatePageCells(const CallFrame& frame) {
    if (SystemVariables* cells = frame.Subsystems().systemVariables)
        SetPrintPageCells(*cells, Queue().Page());
}

void InitPrinter() { Queue().Init(); }

void FPrint() { Queue().Print(); }

void PrintLn(ShortString text) { AddRecord(PrintOp::Line, text.Str()); }

void Print(ShortString text) { AddRecord(PrintOp::Text, text.Str()); }

void PrintSize(std::int32_t size) { AddRecord(PrintOp::Size, {}, {-Magnitude(size)}); }

void PrintAttr(std::int32_t attribute) { AddRecord(PrintOp::Attribute, {}, {attribute}); }

void PrintFont(ShortString name) { AddRecord(PrintOp::Font, name.Str()); }

void PrintBitmap(std::int32_t margin, ShortString name) {
    AddRecord(PrintOp::Bitmap, name.Str(), {margin});
}

void SetMarge(std::int32_t margin) { AddRecord(PrintOp::Margin, {}, {margin}); }

void SetPen(std::int32_t position) { AddRecord(PrintOp::Pen, {}, {position}); }

void FormFeed() { AddRecord(PrintOp::FormFeed); }

void PrintColor(std::int32_t colour) { AddRecord(PrintOp::Colour, {}, {colour}); }

void PrintLine(std::int32_t fromX, std::int32_t fromY, std::int32_t toX, std::int32_t toY,
               std::int32_t penWidth) {
    AddRecord(PrintOp::DrawLine, {}, {fromX, fromY, toX, toY}, PenWidth(penWidth));
}

void PrintCircle(std::int32_t centreX, std::int32_t centreY, std::int32_t radius,
                 std::int32_t penWidth) {
    AddRecord(PrintOp::Circle, {}, {centreX, centreY, radius}, PenWidth(penWidth));
}

// The page height divided by the height of "A" in the font: how many lines fit a page.
std::int32_t GetMaxLines(CallFrame& frame, ShortString name, std::int32_t size) {
    std::int32_t pageHeight = PageDeviceSize(Queue().Page()).height();
    if (const SystemVariables* cells = frame.Subsystems().systemVariables)
        pageHeight = cells->Integer(SystemVariableId::YPRINTPAGE);
    const int lineHeight = PrintTextHeight(PlainFont(name, size));
    return lineHeight > 0 ? pageHeight / lineHeight : 0;
}

std::int32_t HPrintText(ShortString, ShortString name, std::int32_t size) {
    return PrintTextHeight(PlainFont(name, size));
}

std::int32_t LPrintText(ShortString text, ShortString name, std::int32_t size) {
    return PrintTextWidth(PlainFont(name, size), text.View());
}

void SetPrinterFormat(CallFrame& frame, bool portrait) {
    Queue().SetPortrait(portrait);
    UpdatePageCells(frame);
}

void SetPrinterIndex(CallFrame& frame, std::int32_t index) {
    if (!Queue().SelectPrinter(index)) {
        platform::LogWarning("SETPRINTERINDEX({}): no such printer; the printer stays as it was",
                             index);
        return;
    }
    UpdatePageCells(frame);
}

std::int32_t GetPrinterIndex() { return Queue().SelectedPrinter(); }

} // namespace

void SetPrintPageCells(SystemVariables& cells, const PageSetup& page) {
    const QSize size = PageDeviceSize(page);
    cells.SetInteger(SystemVariableId::XPRINTPAGE, size.width());
    cells.SetInteger(SystemVariableId::YPRINTPAGE, size.height());
}

bool QueueHeldPicture(std::int32_t margin, std::int32_t handle) {
    const screens::Picture* picture = screens::Globals().pictureHandles.Find(handle);
    if (picture == nullptr || picture->image.isNull())
        return false;
    PrintRecord record;
    record.op = PrintOp::BitmapImage;
    record.values = {margin, handle};
    record.image = picture->image.copy();
    return Queue().Add(std::move(record));
}

platform::Status AddPrintFunctions(Implementations& implementations) {
    for (platform::Status added : {
             implementations.Add<&InitPrinter>("INITPRINTER"),
             implementations.Add<&FPrint>("FPRINT"),
             implementations.Add<&PrintLn>("PRINTLN"),
             implementations.Add<&Print>("PRINT"),
             implementations.Add<&PrintSize>("PRINTSIZE"),
             implementations.Add<&PrintAttr>("PRINTATTR"),
             implementations.Add<&PrintFont>("PRINTFONT"),
             implementations.Add<&PrintBitmap>("PRINTBITMAP"),
             implementations.Add<&SetMarge>("SETMARGE"),
             implementations.Add<&SetPen>("SETPEN"),
             implementations.Add<&FormFeed>("FORMFEED"),
             implementations.Add<&GetMaxLines>("GETMAXLINES"),
             implementations.Add<&PrintColor>("PRINTCOLOR"),
             implementations.Add<&PrintLine>("PRINTLINE"),
             implementations.Add<&PrintCircle>("PRINTCIRCLE"),
             implementations.Add<&HPrintText>("HPRINTTEXT"),
             implementations.Add<&LPrintText>("LPRINTTEXT"),
             implementations.Add<&SetPrinterFormat>("SETPRINTERFORMAT"),
             implementations.Add<&SetPrinterIndex>("SETPRINTERINDEX"),
             implementations.Add<&GetPrinterIndex>("GETPRINTERINDEX"),
         }) {
        if (!added)
            return added;
    }
    return {};
}

} // namespace runtime
