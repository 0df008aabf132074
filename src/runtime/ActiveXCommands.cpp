// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ActiveXCommands.h"

#include <atomic>
#include <initializer_list>
#include <string>

#include "platform/Log.h"
#include "runtime/CallFrame.h"
#include "runtime/GuestVariant.h"
#include "runtime/RuntimeLibrary.h"
#include "runtime/ScreenCommandSupport.h"
#include "screens/ActiveXHostFigure.h"
#include "screens/ListFileIo.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"

namespace runtime {

namespace {

// The commands that would need a live control, each told once per process that there is none.
enum class LiveCommand { GetPropId, SetPropId, DispFunc, InvokeAppletW, InvokeAppletR, Count };

void SayNoControlsOnce(LiveCommand command, const char* name)
{
    static std::atomic<bool> said[static_cast<int>(LiveCommand::Count)];
    if (!said[static_cast<int>(command)].exchange(true))
        platform::LogWarning("{}: ActiveX controls are not available on this system; it returns "
                             "no value and changes nothing",
                             name);
}

platform::GuestAddress AddressOf(std::int32_t variant)
{
    return static_cast<platform::GuestAddress>(variant);
}

VariantValue VariantAt(const platform::GuestMemory& memory, std::int32_t variant)
{
    return ReadGuestVariant(memory, AddressOf(variant));
}

// The bound forms of the conversions: the guest memory comes from the call's frame.
double Vt2DoubleCall(CallFrame& frame, std::int32_t variant)
{
    return screencmd::Vt2Double(frame.Memory(), variant);
}
long double Vt2RealCall(CallFrame& frame, std::int32_t variant)
{
    return screencmd::Vt2Real(frame.Memory(), variant);
}
std::int32_t Vt2IntegerCall(CallFrame& frame, std::int32_t variant)
{
    return screencmd::Vt2Integer(frame.Memory(), variant);
}
std::uint16_t Vt2WordCall(CallFrame& frame, std::int32_t variant)
{
    return screencmd::Vt2Word(frame.Memory(), variant);
}
std::uint8_t Vt2ByteCall(CallFrame& frame, std::int32_t variant)
{
    return screencmd::Vt2Byte(frame.Memory(), variant);
}
bool Vt2BooleanCall(CallFrame& frame, std::int32_t variant)
{
    return screencmd::Vt2Boolean(frame.Memory(), variant);
}
ShortString Vt2StrCall(CallFrame& frame, std::int32_t variant)
{
    return screencmd::Vt2Str(frame.Memory(), variant);
}

} // namespace

namespace screencmd {

screens::ActiveXHostFigure* ActiveXTarget()
{
    if (auto* current = dynamic_cast<screens::ActiveXHostFigure*>(support::Current()))
        return current;
    screens::ScreenForm* window = screens::CurrentWindow();
    if (window == nullptr)
        return nullptr;
    for (screens::Figure* figure : support::FiguresOf(*window)) {
        if (auto* host = dynamic_cast<screens::ActiveXHostFigure*>(figure))
            return host;
    }
    return nullptr;
}

ShortString OcxGetClassName()
{
    const screens::ActiveXHostFigure* target = ActiveXTarget();
    return target != nullptr ? ShortString(target->Properties().className) : ShortString();
}

std::int32_t GetPropId(std::int32_t)
{
    SayNoControlsOnce(LiveCommand::GetPropId, "GETPROPID");
    return 0;
}

void SetPropId(std::int32_t, ValueListRef)
{
    SayNoControlsOnce(LiveCommand::SetPropId, "SETPROPID");
}

std::int32_t DispFunc(std::uint16_t, std::int32_t, std::int32_t, ValueListRef)
{
    SayNoControlsOnce(LiveCommand::DispFunc, "DISPFUNC");
    return 0;
}

std::int32_t InvokeAppletW(std::int32_t, ValueListRef)
{
    SayNoControlsOnce(LiveCommand::InvokeAppletW, "INVOKEAPPLETW");
    return 0;
}

std::int32_t InvokeAppletR(std::int32_t, ValueListRef)
{
    SayNoControlsOnce(LiveCommand::InvokeAppletR, "INVOKEAPPLETR");
    return 0;
}

void SavePropOcx(ShortString fileName)
{
    const screens::ActiveXHostFigure* target = ActiveXTarget();
    if (target == nullptr)
        return;
    if (platform::Status written = screens::WriteListFile(fileName.View(), target->PropertyStream());
        !written)
        platform::LogWarning("SAVEPROPOCX: {}", written.Error());
}

void LoadPropOcx(ShortString fileName)
{
    screens::ActiveXHostFigure* target = ActiveXTarget();
    if (target == nullptr)
        return;
    if (fileName.Empty() || !screens::ListFileExists(fileName.View())) {
        platform::LogWarning("LOADPROPOCX: no file \"{}\"; the control keeps its properties",
                             fileName.View());
        return;
    }
    platform::Result<std::string> bytes = screens::ReadListFile(fileName.View(), kMaxPropertyStream);
    if (!bytes) {
        platform::LogWarning("LOADPROPOCX: {}; the control keeps its properties", bytes.Error());
        return;
    }
    target->SetPropertyStream(std::move(bytes.Value()));
}

double Vt2Double(const platform::GuestMemory& memory, std::int32_t variant)
{
    return VariantToDouble(VariantAt(memory, variant));
}

long double Vt2Real(const platform::GuestMemory& memory, std::int32_t variant)
{
    return static_cast<long double>(VariantToDouble(VariantAt(memory, variant)));
}

std::int32_t Vt2Integer(const platform::GuestMemory& memory, std::int32_t variant)
{
    return VariantToInteger(VariantAt(memory, variant));
}

std::uint16_t Vt2Word(const platform::GuestMemory& memory, std::int32_t variant)
{
    return VariantToWord(VariantAt(memory, variant));
}

std::uint8_t Vt2Byte(const platform::GuestMemory& memory, std::int32_t variant)
{
    return VariantToByte(VariantAt(memory, variant));
}

bool Vt2Boolean(const platform::GuestMemory& memory, std::int32_t variant)
{
    return VariantToBoolean(VariantAt(memory, variant));
}

ShortString Vt2Str(const platform::GuestMemory& memory, std::int32_t variant)
{
    return VariantToText(VariantAt(memory, variant));
}

} // namespace screencmd

platform::Status AddActiveXCommands(Implementations& implementations)
{
    using namespace screencmd;
    Implementations& in = implementations;
    for (const platform::Status& added : {
             in.Add<&OcxGetClassName>("OCXGETCLASSNAME"),
             in.Add<&DispFunc>("DISPFUNC"),
             in.Add<&InvokeAppletW>("INVOKEAPPLETW"),
             in.Add<&InvokeAppletR>("INVOKEAPPLETR"),
             in.Add<&GetPropId>("GETPROPID"),
             in.Add<&SetPropId>("SETPROPID"),
             in.Add<&Vt2DoubleCall>("VT2DOUBLE"),
             in.Add<&Vt2RealCall>("VT2REAL"),
             in.Add<&Vt2IntegerCall>("VT2INTEGER"),
             in.Add<&Vt2WordCall>("VT2WORD"),
             in.Add<&Vt2ByteCall>("VT2BYTE"),
             in.Add<&Vt2BooleanCall>("VT2BOOLEAN"),
             in.Add<&Vt2StrCall>("VT2STR"),
             in.Add<&SavePropOcx>("SAVEPROPOCX"),
             in.Add<&LoadPropOcx>("LOADPROPOCX"),
         }) {
        if (!added)
            return added;
    }
    return {};
}

} // namespace runtime
