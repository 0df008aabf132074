// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"
#include "shell/Stream.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace shell {

// The 8-byte marker that precedes the package slot in an executable, assembled at run time (see
// Package.cpp for why the program must hold it only once).
std::string PackageSlotMarker();
constexpr std::size_t kPackageSlotMarkerSize = 8;
// Marker and 4-byte slot.
constexpr std::size_t kPackageSlotSize = 12;
// The slot of an executable without a package starts with this byte.
constexpr char kNoPackageSlotByte = 'X';
// Name and data of the first entry of every package.
constexpr std::string_view kMarkerEntryName = "PIVARD";
constexpr std::string_view kMarkerEntryData = "QUORVA I/O";

// Where the package of an executable or package file begins (its slot offset), or why it has
// none: the file cannot be read, holds no marker, its slot is "X"-marked or holds an offset
// outside the file.
platform::Result<std::int32_t> LocatePackage(const std::string& exePath);

// The package offset of a file, 0 when it has no package.
std::int32_t FindPackageStart(const std::string& exePath);

// The file-name part of a project name, upper-cased with ASCII rules and cut to 255 bytes: the
// key under which the package stores a file.
std::string PackageKey(std::string_view name);

// One entry as the package walk finds it.
struct PackageEntryInfo {
    std::string name;        // as stored, code-page bytes
    std::uint64_t offset;    // file offset of the entry's header
    std::int32_t storedSize; // bytes stored after the name
    // Bytes that opening the entry gives: the inflated size, 0 for a damaged zlib stream; the
    // marker entry counts its stored bytes, which are not compressed.
    std::uint64_t inflatedSize;
    bool intact; // false when the stored bytes are not one valid zlib stream
};

// The package bound to one executable (or package file): its path and package offset, fixed
// when made. Offset 0 means no package: every look-up goes to the disk. Every call opens the
// file anew and keeps nothing, so any thread may call at any time (the GUI thread and the scan
// thread do). Project names are code-page bytes; disk paths go through platform::HostPath.
//
// The walk over the entries stops, as "not found", at a damaged header (negative size, name or
// data running past the end of the file); nothing is read outside the file.
class ProjectPackage {
public:
    static ProjectPackage ForExecutable(std::string exePath);
    ProjectPackage(std::string exePath, std::int32_t offset);

    const std::string& ExePath() const { return m_exePath; }
    std::int32_t Offset() const { return m_offset; }

    // The file `name`, positioned at 0: the first package entry whose name equals the file-name
    // part of `name` ignoring ASCII case, inflated into memory (empty when its zlib stream is
    // damaged); else a read-only stream on the disk file at the path as given; else null.
    std::unique_ptr<Stream> Open(std::string_view name) const;

    // True when the package holds an entry for `name`; never looks at the disk.
    bool Contains(std::string_view name) const;

    // Writes what Open(entryName) gives to the disk file `destPath` (created or replaced); false
    // when Open gives null or the file cannot be written, in which case `destPath` is untouched.
    bool Extract(std::string_view entryName, std::string_view destPath) const;

    // Every entry in package order, the marker entry included. The walk ends at the end of the
    // file or at a damaged header; then `damage`, when given, receives what is wrong.
    std::vector<PackageEntryInfo> List(std::string* damage = nullptr) const;

private:
    std::string m_exePath;
    std::int32_t m_offset;
};

} // namespace shell
