// Quorva run-time. Licensed under the MIT licence.
#include "runtime/TrendCommands.h"
#include "runtime/ScreenCommandSupport.h"

#include <array>
#include <atomic>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string>

#include <QCoreApplication>
#include <QPointer>
#include <QThread>

#include "platform/CodePage.h"
#include "platform/CpuEngine.h"
#include "platform/Extended.h"
#include "platform/Log.h"
#include "runtime/CallFrame.h"
#include "runtime/RuntimeLibrary.h"
#include "screens/Figure.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "trends/TrendChart.h"
#include "trends/TrendRegistry.h"
#include "trends/TrendReport.h"

namespace runtime {
namespace trendcmd {
namespace {

// Charts belong to the GUI thread: called from any other thread (a cyclic unit on the scan
// thread) the commands find no chart, with one warning in the log.
bool OnGuiThread() {
    static std::atomic<bool> warned{false};
    return screencmd::support::OnGuiThread(
        warned, "trend chart commands run on the screens' thread only; a call from "
                "another thread does nothing");
}

trends::TrendChart* Chart() {
    return OnGuiThread() ? trends::CurrentChart() : nullptr;
}

std::uint32_t ColourOf(std::int32_t value) {
    return static_cast<std::uint32_t>(value);
}

screens::ScreenForm* FormOf(QWidget* widget) {
    for (; widget != nullptr; widget = widget->parentWidget()) {
        if (auto* form = dynamic_cast<screens::ScreenForm*>(widget))
            return form;
    }
    return nullptr;
}

// The guest memory a chart keeps for unit code (the selection record and the drawing
// procedure's parameter block), made on first use and freed with the chart, whose child it is.
class GuestBlock : public QObject {
public:
    GuestBlock(trends::TrendChart& chart, GuestMemory& memory, GuestAddress address)
        : QObject(&chart), m_memory(memory), m_address(address) {}
    ~GuestBlock() override { m_memory.Free(m_address); }
    GuestBlock(const GuestBlock&) = delete;
    GuestBlock& operator=(const GuestBlock&) = delete;

    GuestMemory& Memory() const { return m_memory; }
    GuestAddress Selection() const { return m_address + guestblock::kSelection; }
    GuestAddress Parameters() const { return m_address + guestblock::kParameters; }

    void WriteSelection(const trends::TrendSelection& selection) {
        const GuestAddress at = Selection();
        m_memory.Write<std::int32_t>(at, selection.xStart);
        m_memory.Write<std::int32_t>(at + 4, selection.yHigh);
        m_memory.Write<std::int32_t>(at + 8, selection.xEnd);
        m_memory.Write<std::int32_t>(at + 12, selection.yLow);
        m_memory.Write<std::uint8_t>(at + 16, selection.dragging ? 1 : 0);
    }

    void WriteParameters(const trends::DrawingCall& call) {
        namespace at = guestblock;
        const GuestAddress base = Parameters();
        std::array<std::byte, at::kParameterSize> bytes{};
        const auto integer = [&](std::uint32_t offset, std::int32_t value) {
            std::memcpy(bytes.data() + offset, &value, sizeof value);
        };
        integer(at::kDeviceContext, 0);
        integer(at::kX, call.point.x());
        integer(at::kY, call.point.y());
        integer(at::kColour, static_cast<std::int32_t>(call.colour));
        integer(at::kPlotLeft, call.plotLeft);
        integer(at::kPlotBottom, call.plotBottom);
        integer(at::kPreviousX, call.previous.x());
        integer(at::kPreviousY, call.previous.y());
        integer(at::kPencil, call.pencil);
        bytes[at::kFirstPoint] = std::byte{call.firstPoint ? std::uint8_t{1} : std::uint8_t{0}};
        bytes[at::kLastPoint] = std::byte{call.lastPoint ? std::uint8_t{1} : std::uint8_t{0}};
        const platform::ExtendedBytes value = platform::ToExtended(call.value);
        const platform::ExtendedBytes previous = platform::ToExtended(call.previousValue);
        std::memcpy(bytes.data() + at::kValue, value.data(), value.size());
        std::memcpy(bytes.data() + at::kPreviousValue, previous.data(), previous.size());
        m_memory.WriteBytes(base, bytes.data(), at::kParameterSize);
    }

private:
    GuestMemory& m_memory;
    GuestAddress m_address;
};

GuestBlock* FindBlock(trends::TrendChart& chart, const GuestMemory& memory) {
    for (QObject* child : chart.children()) {
        auto* block = dynamic_cast<GuestBlock*>(child);
        if (block != nullptr && &block->Memory() == &memory)
            return block;
    }
    return nullptr;
}

GuestBlock* BlockOf(trends::TrendChart& chart, GuestMemory& memory) {
    if (GuestBlock* block = FindBlock(chart, memory))
        return block;
    const std::optional<GuestAddress> address = memory.Allocate(guestblock::kSize);
    if (!address) {
        platform::LogError("trend chart {}: no guest memory left for its selection record",
                           chart.FigureName());
        return nullptr;
    }
    auto* block = new GuestBlock(chart, memory, *address);
    block->WriteSelection(chart.Selection());
    chart.SetSelectionListener(
        [block](const trends::TrendSelection& selection) { block->WriteSelection(selection); });
    return block;
}

// A drawing procedure that failed stops the screen whose chart it draws, as a faulting
// automatic unit does; the other screens go on.
void HoldScreenUnit(trends::TrendChart& chart, std::uint32_t address, const std::string& fault) {
    screens::ScreenForm* form = FormOf(&chart);
    std::string screen = form != nullptr ? form->ScreenName() : std::string();
    screens::Globals().screenUnits.ForEach([form](screens::ScreenUnitRecord& record) {
        if (form != nullptr && record.window == form)
            record.stopped = true;
    });
    platform::LogError("trend chart {} of screen {}: the drawing procedure at 0x{:08x} failed: "
                       "{}; the screen's unit is held and the chart draws its curves itself",
                       chart.FigureName(), screen, address, fault);
}

// Calls the unit's procedure at `address` for one point, on the engine running on this thread
// (inside a T function) or else the GUI thread's engine that registered it (during a paint).
trends::DrawingProcedure MakeProcedure(trends::TrendChart& chart, platform::CpuEngine& registrar,
                                       std::uint32_t address) {
    trends::TrendChart* owner = &chart; // the procedure is the chart's: it never outlives it
    return [owner, &registrar, address](const trends::DrawingCall& call) {
        platform::CpuEngine* cpu = platform::CpuEngine::RunningOnThisThread();
        if (cpu == nullptr)
            cpu = &registrar;
        GuestBlock* block = BlockOf(*owner, cpu->Memory());
        if (block == nullptr)
            return false;
        block->WriteParameters(call);
        platform::GuestRegisters registers;
        registers.eax = block->Parameters();
        const std::string previousStep = screens::Globals().stepText;
        screens::SetStepText(owner->FigureName() + ".DrawProc");
        auto called = cpu->Call(address, registers);
        screens::SetStepText(previousStep);
        if (called)
            return true;
        HoldScreenUnit(*owner, address, called.Error());
        return false;
    };
}

} // namespace

std::int32_t CustomTrend(std::int32_t divX, std::int32_t divY, std::int32_t subX,
                         std::int32_t subY, long double lowRangeY, long double highRangeY) {
    if (!OnGuiThread())
        return 0;
    screens::Figure* figure = screens::CurrentFigure();
    if (figure == nullptr)
        return 0;
    trends::TrendChart* chart =
        trends::CreateChart(*figure, {divX, divY, subX, subY, lowRangeY, highRangeY});
    return static_cast<std::int32_t>(chart->Number());
}

void TDisplayGrid(bool display) {
    if (trends::TrendChart* chart = Chart())
        chart->SetGrid(display);
}

void TSetTextX(std::int32_t position, ShortString text) {
    if (trends::TrendChart* chart = Chart())
        chart->SetTextX(position, text.View());
}

void TSetPencilColor(std::int32_t pencil, std::int32_t colour) {
    if (trends::TrendChart* chart = Chart())
        chart->SetPencilColour(pencil, ColourOf(colour));
}

void TSetPoint(std::int32_t pencil, std::int32_t position, long double value) {
    if (trends::TrendChart* chart = Chart())
        chart->SetPoint(pencil, position, value);
}

void TResetPoints(std::int32_t pencil) {
    if (trends::TrendChart* chart = Chart())
        chart->ResetPoints(pencil);
}

void TResetAllPoints() {
    if (trends::TrendChart* chart = Chart())
        chart->ResetAllPoints();
}

std::int32_t TGetHandleBmp() {
    trends::TrendChart* chart = Chart();
    if (chart == nullptr)
        return 0;
    chart->RenderNow();
    screens::Picture picture;
    picture.type = screens::Picture::Type::Bitmap;
    picture.image = chart->ChartImage();
    picture.bitsPerPixel = 24;
    // One handle per chart: asking again replaces its picture.
    return screens::Globals().pictureHandles.Open(fmt::format("|TREND|{}", chart->Number()),
                                                  std::move(picture));
}

void TSetLRangeY(long double value) {
    if (trends::TrendChart* chart = Chart())
        chart->SetLowRangeY(value);
}

void TSetHRangeY(long double value) {
    if (trends::TrendChart* chart = Chart())
        chart->SetHighRangeY(value);
}

void TSetLLevel(long double value) {
    if (trends::TrendChart* chart = Chart())
        chart->SetLowLevel(value);
}

void TSetHLevel(long double value) {
    if (trends::TrendChart* chart = Chart())
        chart->SetHighLevel(value);
}

void TSetLLevelCol(std::int32_t colour) {
    if (trends::TrendChart* chart = Chart())
        chart->SetLowLevelColour(ColourOf(colour));
}

void TSetHLevelCol(std::int32_t colour) {
    if (trends::TrendChart* chart = Chart())
        chart->SetHighLevelColour(ColourOf(colour));
}

void TSetBLeft(std::int32_t position) {
    if (trends::TrendChart* chart = Chart())
        chart->SetLeftBar(position);
}

void TSetBRight(std::int32_t position) {
    if (trends::TrendChart* chart = Chart())
        chart->SetRightBar(position);
}

void TSetBLeftCol(std::int32_t colour) {
    if (trends::TrendChart* chart = Chart())
        chart->SetLeftBarColour(ColourOf(colour));
}

void TSetBRightCol(std::int32_t colour) {
    if (trends::TrendChart* chart = Chart())
        chart->SetRightBarColour(ColourOf(colour));
}

void TSetDecimals(std::int32_t count) {
    if (trends::TrendChart* chart = Chart())
        chart->SetDecimals(count);
}

void TSetBorderRight(std::int32_t pixels) {
    if (trends::TrendChart* chart = Chart())
        chart->SetRightBorder(pixels);
}

void TSetCoef(std::int32_t pencil, long double coefficient) {
    if (trends::TrendChart* chart = Chart())
        chart->SetCoefficient(pencil, coefficient);
}

void TShiftLeft() {
    if (trends::TrendChart* chart = Chart())
        chart->ShiftLeft();
}

void TShiftRight() {
    if (trends::TrendChart* chart = Chart())
        chart->ShiftRight();
}

long double TGetInterX() {
    trends::TrendChart* chart = Chart();
    return chart != nullptr ? static_cast<long double>(chart->InterX()) : 0;
}

std::int32_t TGetNptX() {
    trends::TrendChart* chart = Chart();
    return chart != nullptr ? chart->NptX() : 0;
}

std::int32_t TGetNptY() {
    trends::TrendChart* chart = Chart();
    return chart != nullptr ? chart->NptY() : 0;
}

ShortString TGetGraduX(std::int32_t position) {
    trends::TrendChart* chart = Chart();
    return chart != nullptr ? ShortString(chart->TextX(position)) : ShortString();
}

void TEnableDisplay(bool display) {
    trends::TrendChart* chart = Chart();
    if (chart == nullptr)
        return;
    trends::SetDisplayEnabled(display);
    if (display && chart->isVisible())
        chart->Invalidate();
}

long double TYMouse() {
    trends::TrendChart* chart = Chart();
    return chart != nullptr ? chart->MouseValue() : 0;
}

std::int32_t TPtXMouse() {
    trends::TrendChart* chart = Chart();
    return chart != nullptr ? chart->MousePoint() : 0;
}

bool TMouseMove() {
    trends::TrendChart* chart = Chart();
    return chart != nullptr && chart->TakeMouseMoved();
}

std::int32_t TGetSelection(CallFrame& frame) {
    trends::TrendChart* chart = Chart();
    if (chart == nullptr)
        return 0;
    GuestBlock* block = BlockOf(*chart, frame.Memory());
    if (block == nullptr)
        return 0;
    block->WriteSelection(chart->Selection());
    return static_cast<std::int32_t>(block->Selection());
}

// The chart CUSTOMTREND numbered `handle` (0: the current chart) shown in the figure
// `controlName` of the open screen `formName`, for PRINTREPORT of that screen.
void TrendToReport(ShortString formName, ShortString controlName, std::int32_t handle) {
    if (!OnGuiThread())
        return;
    trends::TrendChart* chart =
        handle > 0 ? trends::ChartByNumber(static_cast<std::uint32_t>(handle)) : Chart();
    if (chart == nullptr) {
        platform::LogWarning("TRENDTOREPORT: no trend chart {}", handle);
        return;
    }
    if (!trends::HandChartToReport(*chart, formName.View(), controlName.View()))
        platform::LogWarning("TRENDTOREPORT: no open screen {} with a figure {}",
                             platform::CodePageToUtf8(formName.View()),
                             platform::CodePageToUtf8(controlName.View()));
}

void TRegisterProc(CallFrame& frame, std::int32_t address) {
    trends::TrendChart* chart = Chart();
    if (chart == nullptr)
        return;
    const auto entry = static_cast<std::uint32_t>(address);
    if (entry == 0) {
        chart->SetDrawingProcedure(0, {});
        return;
    }
    // Made now, so that a chart without guest memory left never calls the procedure.
    if (BlockOf(*chart, frame.Memory()) == nullptr)
        return;
    chart->SetDrawingProcedure(entry, MakeProcedure(*chart, frame.Cpu(), entry));
}

std::int32_t TGetDivX() {
    trends::TrendChart* chart = Chart();
    return chart != nullptr ? chart->DivX() : 0;
}

std::int32_t TGetDivY() {
    trends::TrendChart* chart = Chart();
    return chart != nullptr ? chart->DivY() : 0;
}

void TSetDivX(std::int32_t divisions) {
    if (trends::TrendChart* chart = Chart())
        chart->SetDivX(divisions);
}

void TSetDivY(std::int32_t divisions) {
    if (trends::TrendChart* chart = Chart())
        chart->SetDivY(divisions);
}

long double TGetYMax() {
    trends::TrendChart* chart = Chart();
    return chart != nullptr ? chart->HighRangeY() : 0;
}

long double TGetYMin() {
    trends::TrendChart* chart = Chart();
    return chart != nullptr ? chart->LowRangeY() : 0;
}

} // namespace trendcmd

platform::Status AddTrendCommands(Implementations& implementations) {
    using namespace trendcmd;
    Implementations& in = implementations;
    for (const platform::Status& added : {
             in.Add<&CustomTrend>("CUSTOMTREND"),
             in.Add<&TrendToReport>("TRENDTOREPORT"),
             in.Add<&TDisplayGrid>("TDISPLAYGRID"),
             in.Add<&TSetTextX>("TSETTEXTX"),
             in.Add<&TSetPencilColor>("TSETPENCILCOLOR"),
             in.Add<&TSetPoint>("TSETPOINT"),
             in.Add<&TResetPoints>("TRESETPOINTS"),
             in.Add<&TResetAllPoints>("TRESETALLPOINTS"),
             in.Add<&TGetHandleBmp>("TGETHANDLEBMP"),
             in.Add<&TSetLRangeY>("TSETLRANGEY"),
             in.Add<&TSetHRangeY>("TSETHRANGEY"),
             in.Add<&TSetLLevel>("TSETLLEVEL"),
             in.Add<&TSetHLevel>("TSETHLEVEL"),
             in.Add<&TSetLLevelCol>("TSETLLEVELCOL"),
             in.Add<&TSetHLevelCol>("TSETHLEVELCOL"),
             in.Add<&TSetBLeft>("TSETBLEFT"),
             in.Add<&TSetBRight>("TSETBRIGHT"),
             in.Add<&TSetBLeftCol>("TSETBLEFTCOL"),
             in.Add<&TSetBRightCol>("TSETBRIGHTCOL"),
             in.Add<&TSetDecimals>("TSETDECIMALS"),
             in.Add<&TSetBorderRight>("TSETBORDERRIGHT"),
             in.Add<&TSetCoef>("TSETCOEF"),
             in.Add<&TShiftLeft>("TSHIFTLEFT"),
             in.Add<&TShiftRight>("TSHIFTRIGHT"),
             in.Add<&TGetInterX>("TGETINTERX"),
             in.Add<&TGetNptX>("TGETNPTX"),
             in.Add<&TGetNptY>("TGETNPTY"),
             in.Add<&TGetGraduX>("TGETGRADUX"),
             in.Add<&TEnableDisplay>("TENABLEDISPLAY"),
             in.Add<&TYMouse>("TYMOUSE"),
             in.Add<&TPtXMouse>("TPTXMOUSE"),
             in.Add<&TMouseMove>("TMOUSEMOVE"),
             in.Add<&TRegisterProc>("TREGISTERPROC"),
             in.Add<&TGetSelection>("TGETSELECTION"),
             in.Add<&TGetDivX>("TGETDIVX"),
             in.Add<&TGetDivY>("TGETDIVY"),
             in.Add<&TSetDivX>("TSETDIVX"),
             in.Add<&TSetDivY>("TSETDIVY"),
             in.Add<&TGetYMax>("TGETYMAX"),
             in.Add<&TGetYMin>("TGETYMIN"),
         }) {
        if (!added)
            return added;
    }
    return {};
}

} // namespace runtime
