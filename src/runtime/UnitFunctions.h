// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

#include <cstdint>

namespace runtime {

class Implementations;

// QRUNLOAD's answers.
inline constexpr std::int32_t kUnitUnloaded = 0;        // done
inline constexpr std::int32_t kUnitNotLoaded = 1;       // no unit of that name is loaded
inline constexpr std::int32_t kUnitRunningThisCall = 2; // refused: the unit made this call or
                                                        // is one of the code's callers
inline constexpr std::int32_t kUnitStillLinked = 3;     // refused: another unit uses or links to
                                                        // it, or it is the global-variable unit
inline constexpr std::int32_t kUnitHeldByScreen = 4;    // refused: a screen runs it
inline constexpr std::int32_t kUnitLoaderBusy = 5;      // refused: asked by unit code that a load
                                                        // or unload is running

// Binds the program unit functions QRLOAD and QRUNLOAD. Both run on the thread of the calling
// unit code (GUI or scan thread) through `Services::loader`, with the scan paused around the
// work (from the scan thread's own pass nothing waits: that pass is the scan). They never free
// code that is running or linked to: such a request is refused, logged and, for QRUNLOAD,
// answered with its status. Without a loader QRLOAD does nothing and QRUNLOAD answers 1.
platform::Status AddUnitFunctions(Implementations& implementations);

} // namespace runtime
