// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>

#include "platform/Result.h"
#include "runtime/PrintQueue.h"

namespace runtime {

class Implementations;
class SystemVariables;

// INITPRINTER, FPRINT, the functions that queue print commands and the printer settings,
// bound to the process-wide print queue.
platform::Status AddPrintFunctions(Implementations& implementations);

// Writes the page of `page` in device units into XPRINTPAGE and YPRINTPAGE.
void SetPrintPageCells(SystemVariables& cells, const PageSetup& page);

// Queues a picture the screens hold by handle, printed as PRINTBITMAP prints a file: at
// (margin, Y) across the page less twice the margin. The picture is copied now, so that it may
// be released before the job is printed. GUI thread (the picture table is the GUI's); false when
// the handle holds no picture or the queue is full.
bool QueueHeldPicture(std::int32_t margin, std::int32_t handle);

} // namespace runtime
