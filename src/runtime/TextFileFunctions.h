// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/GuestMemory.h"
#include "platform/Result.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace runtime {

class Implementations;

// Text files of unit code. A handle is the guest address of a 460-byte record that
// FILETEXTOPEN / FILETEXTAPPEND allocate on the guest heap and FILETEXTCLOSE releases; the open
// file itself lives in a host table keyed by that address, so the record's bytes are never
// read (unit code may scribble on them) and a handle that the table does not hold (0, garbage,
// a closed one) is refused without being dereferenced. Any thread may call these; one file's
// operations are serialised.
namespace textfile {

constexpr std::uint32_t kRecordSize = 460;
// Files open at once per guest memory: beyond it, opening is refused, so that a unit that
// opens without closing cannot use up the process's descriptors.
constexpr std::size_t kMaxOpenFiles = 256;

// The input/output error that READLN, WRITELN and WRITE raise out of their call. The trap handler
// turns it into a fault of the calling unit: the call stops there and the unit is reported and
// held, like any other unit fault. Code is the classic I/O error number (100 read error, 101
// write error, 104 file not open for input, 105 file not open for output).
class InputOutputError : public std::runtime_error {
public:
    InputOutputError(int code, const std::string& what) : std::runtime_error(what), m_code(code) {}
    int Code() const { return m_code; }

private:
    int m_code;
};

// How many text files unit code on `memory` has open.
std::size_t OpenCount(const platform::GuestMemory& memory);
// True when `handle` is a text file open on `memory`.
bool IsOpen(const platform::GuestMemory& memory, platform::GuestAddress handle);
// Closes every text file open on `memory` and frees their records: for the end of a run, while
// the memory still exists. Handles held by unit code are refused afterwards.
void CloseAll(platform::GuestMemory& memory);

// CLEARBLANK: the text without leading and trailing blanks (spaces and tabs); blanks between
// words stay.
std::string ClearBlank(std::string_view text);

} // namespace textfile

// Binds FILETEXTOPEN, FILETEXTAPPEND, FILETEXTCLOSE, READLN, WRITELN, WRITE, EOF, FILEEXISTS,
// FILERENAME, FILECOPY, FILECONCAT and CLEARBLANK.
platform::Status AddTextFileFunctions(Implementations& implementations);

} // namespace runtime
