// Quorva run-time. Licensed under the MIT licence.
#include "runtime/PortFunctions.h"

#include "platform/PortAccess.h"
#include "runtime/RuntimeLibrary.h"
#include "runtime/SystemVariables.h"

namespace runtime {

namespace {

// NTBUSTYPE's and NTVENDORID's start values, for a frame without the system variables.
constexpr std::int32_t kDefaultBusType = 1;
constexpr std::int32_t kDefaultVendorId = 0;

std::int32_t BusType(const CallFrame& frame) {
    const SystemVariables* cells = frame.Subsystems().systemVariables;
    return cells ? cells->Integer(SystemVariableId::NTBUSTYPE) : kDefaultBusType;
}

std::uint16_t VendorId(const CallFrame& frame) {
    const SystemVariables* cells = frame.Subsystems().systemVariables;
    return static_cast<std::uint16_t>(cells ? cells->Integer(SystemVariableId::NTVENDORID)
                                            : kDefaultVendorId);
}

std::uint16_t Low16(std::int32_t value) {
    return static_cast<std::uint16_t>(value);
}

std::int32_t ReadPort(CallFrame& frame, std::int32_t address) {
    platform::PortAccess* ports = frame.Subsystems().ports;
    return ports ? ports->ReadPortByte(BusType(frame), Low16(address)) : 0;
}

void WritePort(CallFrame& frame, std::int32_t address, std::int32_t value) {
    if (platform::PortAccess* ports = frame.Subsystems().ports)
        ports->WritePortByte(BusType(frame), Low16(address), static_cast<std::uint8_t>(value));
}

std::int32_t ReadMem(CallFrame& frame, std::int32_t segment, std::int32_t offset) {
    platform::PortAccess* ports = frame.Subsystems().ports;
    return ports ? ports->ReadMemoryWord(BusType(frame), VendorId(frame), Low16(segment),
                                         Low16(offset))
                 : 0;
}

void WriteMem(CallFrame& frame, std::int32_t segment, std::int32_t offset, std::int32_t value) {
    if (platform::PortAccess* ports = frame.Subsystems().ports)
        ports->WriteMemoryWord(BusType(frame), VendorId(frame), Low16(segment), Low16(offset),
                               Low16(value));
}

} // namespace

platform::Status AddPortFunctions(Implementations& implementations) {
    for (auto added :
         {implementations.Add<&ReadPort>("READPORT"), implementations.Add<&WritePort>("WRITEPORT"),
          implementations.Add<&ReadMem>("READMEM"), implementations.Add<&WriteMem>("WRITEMEM")}) {
        if (!added)
            return added;
    }
    return {};
}

} // namespace runtime
