// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

namespace runtime {

class Implementations;

// Binds READPORT, WRITEPORT, READMEM and WRITEMEM over `Services::ports`, with the bus type and
// vendor id taken from NTBUSTYPE and NTVENDORID at each call. Ports, segments and offsets are
// taken as 16 bits, port values as 8 and memory values as 16, read values zero-extended. Without
// a port-access service reads give 0 and writes do nothing.
platform::Status AddPortFunctions(Implementations& implementations);

} // namespace runtime
