// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>

#include "platform/Result.h"
#include "runtime/ShortString.h"

namespace runtime {

class CallFrame;
class Implementations;

// Binds CUSTOMTREND and the T functions of the program trend chart, TRENDTOREPORT among them.
platform::Status AddTrendCommands(Implementations& implementations);

// The trend chart commands as plain functions. CUSTOMTREND makes a chart in place of the
// current figure; every other one acts on the current chart (trends::CurrentChart) and, without
// one, does nothing and returns 0 or the empty String. Colours are Windows colour values.
// GUI thread only: from any other thread they find no chart (one warning in the log).
namespace trendcmd {

// Offsets in the guest block a chart keeps for unit code: the selection record that
// TGETSELECTION hands out, and the parameter block a drawing procedure receives in EAX.
namespace guestblock {
inline constexpr std::uint32_t kSelection = 0;        // 17 bytes, see docs/trends.md
inline constexpr std::uint32_t kParameters = 32;      // 72 bytes
inline constexpr std::uint32_t kSize = 112;
// The parameter block, from its start.
inline constexpr std::uint32_t kDeviceContext = 0;    // int32, always 0 here
inline constexpr std::uint32_t kX = 4;                // int32 pixel
inline constexpr std::uint32_t kY = 8;                // int32 pixel
inline constexpr std::uint32_t kColour = 12;          // int32 Windows colour
inline constexpr std::uint32_t kPlotLeft = 16;        // int32 pixel
inline constexpr std::uint32_t kPlotBottom = 20;      // int32 pixel
inline constexpr std::uint32_t kPreviousX = 24;       // int32 pixel
inline constexpr std::uint32_t kPreviousY = 28;       // int32 pixel
inline constexpr std::uint32_t kPencil = 32;          // int32 1..10
inline constexpr std::uint32_t kFirstPoint = 36;      // byte 0/1
inline constexpr std::uint32_t kLastPoint = 37;       // byte 0/1
inline constexpr std::uint32_t kValue = 40;           // 10-byte extended real
inline constexpr std::uint32_t kPreviousValue = 56;   // 10-byte extended real
inline constexpr std::uint32_t kParameterSize = 72;
} // namespace guestblock

// The chart's serial number as its handle; 0 without a current figure.
std::int32_t CustomTrend(std::int32_t divX, std::int32_t divY, std::int32_t subX,
                         std::int32_t subY, long double lowRangeY, long double highRangeY);
void TDisplayGrid(bool display);
void TSetTextX(std::int32_t position, ShortString text);
void TSetPencilColor(std::int32_t pencil, std::int32_t colour);
void TSetPoint(std::int32_t pencil, std::int32_t position, long double value);
void TResetPoints(std::int32_t pencil);
void TResetAllPoints();
// The picture handle (SETHANDLEBMP) of the chart's image, one per chart; 0 without a chart.
std::int32_t TGetHandleBmp();
void TSetLRangeY(long double value);
void TSetHRangeY(long double value);
void TSetLLevel(long double value);
void TSetHLevel(long double value);
void TSetLLevelCol(std::int32_t colour);
void TSetHLevelCol(std::int32_t colour);
void TSetBLeft(std::int32_t position);
void TSetBRight(std::int32_t position);
void TSetBLeftCol(std::int32_t colour);
void TSetBRightCol(std::int32_t colour);
void TSetDecimals(std::int32_t count);
void TSetBorderRight(std::int32_t pixels);
void TSetCoef(std::int32_t pencil, long double coefficient);
void TShiftLeft();
void TShiftRight();
long double TGetInterX();
std::int32_t TGetNptX();
std::int32_t TGetNptY();
ShortString TGetGraduX(std::int32_t position);
void TEnableDisplay(bool display);
long double TYMouse();
std::int32_t TPtXMouse();
bool TMouseMove();
// The guest address of the chart's selection record, kept up to date from then on.
std::int32_t TGetSelection(CallFrame& frame);
// Registers a procedure of unit code (its address; 0 removes it) that draws in place of the
// chart. It is called on the GUI thread's engine with EAX = the parameter block's address.
void TRegisterProc(CallFrame& frame, std::int32_t address);
std::int32_t TGetDivX();
std::int32_t TGetDivY();
void TSetDivX(std::int32_t divisions);
void TSetDivY(std::int32_t divisions);
long double TGetYMax();
long double TGetYMin();

} // namespace trendcmd
} // namespace runtime
