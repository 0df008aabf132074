// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

namespace runtime {

class Implementations;

// Binds the ActiveX commands (OCXGETCLASSNAME, GETPROPID, SETPROPID, DISPFUNC, INVOKEAPPLETW, INVOKEAPPLETR, SAVEPROPOCX, LOADPROPOCX) and the VT2... variant conversions.
platform::Status AddActiveXCommands(Implementations& implementations);

} // namespace runtime
