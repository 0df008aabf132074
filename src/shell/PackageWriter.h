// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace shell {

// Builds the bytes of a project package in memory: the marker entry first, then the entries in
// the order they are added. Used by qpack and by tests; one thread at a time.
class PackageBuilder {
public:
    PackageBuilder();

    // Adds a file as the packer does: the name upper-cased with ASCII rules, the content as one
    // zlib stream at default compression. Fails for a name longer than 255 bytes or content whose
    // stream would not fit the 32-bit size field.
    platform::Status AddFile(std::string_view name, std::string_view content);
    // Adds an entry with exactly this name and these stored bytes (tests use it for damaged or
    // unusual packages).
    platform::Status AddStored(std::string_view name, std::string_view stored);

    const std::string& Bytes() const { return m_bytes; }
    std::string Take() { return std::move(m_bytes); }

private:
    std::string m_bytes;
};

// The package of the regular files directly inside `directory` (a host path; symbolic links to
// regular files count, subdirectories are left out): one entry per file, names converted to the
// system code page and upper-cased, in the order of those names. Fails when a name cannot be
// written in the code page or when two files differ only in letter case.
platform::Result<std::string> PackDirectory(const std::string& directory);

// A package file: the marker, a slot holding 12, then the package. The run-time takes such a
// file as its project.
std::string PackageFileBytes(std::string_view package);

// A copy of a run-time executable with `package` appended and the slot after the first marker
// set to the package's offset. Fails when the executable has no marker, when the slot after its
// first marker is not "X"-marked (it has a package already) or when it is too large for a
// 32-bit offset.
platform::Result<std::string> BundleBytes(std::string_view executable, std::string_view package);

// The three of them as qpack uses them: each writes `outPath` completely or not at all (a
// temporary file beside it is renamed over it). A bundled executable is made executable for
// whoever may read it.
platform::Status WritePackageFile(const std::string& outPath, const std::string& directory);
platform::Status BundleExecutable(const std::string& runtimePath, const std::string& directory,
                                  const std::string& outPath);
platform::Status WriteFileAtomically(const std::string& outPath, std::string_view bytes,
                                     bool executable);

} // namespace shell
