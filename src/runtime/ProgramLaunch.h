// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

#include "platform/Result.h"

namespace runtime {

// Splits a command line into arguments the way programs of the system the projects come from
// split theirs: blanks and tabs separate arguments; double quotes group blanks into one argument
// and are removed; inside quotes two double quotes stand for one; backslashes are literal except
// before a double quote, where 2n backslashes give n and leave the quote to group, and 2n + 1 give
// n and a literal quote. The first argument (the program) ends at the first blank outside quotes,
// and backslashes in it are never special (they are path separators). UTF-8 in, UTF-8 out.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// Where the program of `argv0` is: a name with a directory part is mapped as a project path
// (backslashes, drive letters, letter case) and taken as it is, or without a trailing ".exe" when
// only that exists; a bare name is looked up on PATH, also without a trailing ".exe". Empty when
// no such executable file exists.
std::string FindProgram(std::string_view argv0);

// Starts the command line (code-page bytes, as unit code gives it) as a program without a shell:
// its arguments reach it exactly as split, and characters a shell would interpret (";", "$",
// "|", "`", redirections) are plain text. The child runs in the current directory with the
// run-time's environment; unless `callerWaits` (then the caller must WaitProgram), it is reaped in
// the background when it ends. The child's process id, or why it could not be started (empty
// line, no such program, spawn error).
platform::Result<pid_t> StartProgram(std::string_view commandLine, bool callerWaits = false);

// Waits for a child that StartProgram started with `callerWaits` and gives its exit code (128 + signal number when
// a signal ended it). `service` runs between polls every `pollMilliseconds`, so that the caller
// can keep its event loop turning. -1 for a process that is not a child.
int WaitProgram(pid_t child, void (*service)(void*), void* context, int pollMilliseconds);

} // namespace runtime
