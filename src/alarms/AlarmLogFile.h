// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "alarms/DbfFormat.h"
#include "platform/FileIo.h"
#include "platform/Result.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// File access of the alarm log: opening (creating or repairing) the table. Used by AlarmLog on
// the thread that owns it.
namespace alarms::logfile {

using platform::FileHandle;
using platform::ReadAt;
using platform::RemoveStaleTemporaries;
using platform::SyncData;
using platform::SyncDirectoryOf;
using platform::TemporaryFile;
using platform::WriteAt;

// The alarm log table opened read/write for one event: its layout and state after any repair.
struct OpenedTable {
    FileHandle file;
    std::uint8_t version = dbf::kVersionDbase3;
    dbf::Layout layout; // headerLength: the file's own
    std::string header; // the whole header as read
    std::uint32_t records = 0;
    std::uint64_t size = 0; // the file's size when opened, after any repair
};

// Opens the table at `path`; creates it (NAME_ORIGIN `nameOriginLength` long) when missing or
// empty; repairs a count or an end that disagrees with the file's length and logs what it did.
// A file that is no dBASE table, or not the alarm log's, is refused and left as it is.
platform::Result<OpenedTable> OpenTable(const std::string& path, std::size_t nameOriginLength);

} // namespace alarms::logfile
