// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>

#include "platform/GuestMemory.h"
#include "platform/Result.h"
#include "runtime/GuestValues.h"
#include "runtime/ShortString.h"

namespace screens {
class ActiveXHostFigure;
}

namespace runtime {

class Implementations;

// Binds the ActiveX commands (OCXGETCLASSNAME, GETPROPID, SETPROPID, DISPFUNC, INVOKEAPPLETW, INVOKEAPPLETR, SAVEPROPOCX, LOADPROPOCX) and the VT2... variant conversions.
platform::Status AddActiveXCommands(Implementations& implementations);

// The ActiveX commands as plain functions. This system hosts no ActiveX controls: an ActiveX
// object of a screen is an empty panel that keeps the control's class identifier and persisted
// property stream. The commands that would talk to a live control (GETPROPID, SETPROPID,
// DISPFUNC, INVOKEAPPLETW, INVOKEAPPLETR) return 0 - no variant - and change nothing; each says
// so in the log the first time it is called. The commands that need only what the screen file
// gave work on the target control: the current figure when it is an ActiveX object, else the
// first ActiveX object of the current window; with none they do nothing and return the empty
// String. GUI thread only.
namespace screencmd {

screens::ActiveXHostFigure* ActiveXTarget();

// The target's class name (upper-cased, as the screen file names it), or the empty String.
ShortString OcxGetClassName();
std::int32_t GetPropId(std::int32_t id);
void SetPropId(std::int32_t id, ValueListRef parameters);
std::int32_t DispFunc(std::uint16_t offset, std::int32_t callConv, std::int32_t typeRet,
                      ValueListRef parameters);
std::int32_t InvokeAppletW(std::int32_t id, ValueListRef parameters);
std::int32_t InvokeAppletR(std::int32_t id, ValueListRef parameters);
// Writes the target's property stream, as it is, to the file (a project path); a failed write
// is logged and leaves any earlier file whole.
void SavePropOcx(ShortString fileName);
// Makes the file's content the target's property stream. A missing, unreadable or oversized
// file (more than kMaxPropertyStream bytes) changes nothing and is logged.
void LoadPropOcx(ShortString fileName);
inline constexpr std::uint64_t kMaxPropertyStream = 16u * 1024u * 1024u;

// The VT2... conversions of the variant at `variant` in guest memory (see GuestVariant.h);
// address 0, or one outside guest memory, gives 0, false or the empty String.
double Vt2Double(const platform::GuestMemory& memory, std::int32_t variant);
long double Vt2Real(const platform::GuestMemory& memory, std::int32_t variant);
std::int32_t Vt2Integer(const platform::GuestMemory& memory, std::int32_t variant);
std::uint16_t Vt2Word(const platform::GuestMemory& memory, std::int32_t variant);
std::uint8_t Vt2Byte(const platform::GuestMemory& memory, std::int32_t variant);
bool Vt2Boolean(const platform::GuestMemory& memory, std::int32_t variant);
ShortString Vt2Str(const platform::GuestMemory& memory, std::int32_t variant);

} // namespace screencmd
} // namespace runtime
