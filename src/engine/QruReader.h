// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "engine/QruModule.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace engine {

inline constexpr std::string_view kQruMagic = "QRU02";

enum class QruErrorKind {
    BadMagic, // not a module of this format version
    Damaged,  // the bytes disagree with their own counts, sizes or offsets
};

// Why a module was refused. The message names the section and the byte offset.
struct QruError {
    QruErrorKind kind = QruErrorKind::Damaged;
    std::string message;
};

// Reads a whole module from its bytes. Every read is bounded by the bytes: a short read, a count
// that the remaining bytes cannot hold, a negative size, a data size smaller than the variables
// and entry cells need, or an entry offset or fix-up site outside the code block is refused
// with a QruError (never an overrun, never an allocation beyond the input's size).
// With the attachments flag set and no "BITMAP" marker after the fix-up lists the module is
// read without attachments, as the loader treats it; bytes after a module without attachments
// are ignored. Any thread may call it.
std::variant<QruModule, QruError> ReadQruModule(std::string_view bytes);

// Where the attachment section's contents start: the position right after the "BITMAP" marker
// that follows the fix-up lists. Nullopt when the module cannot be read, its attachments flag is
// clear or the marker is missing.
std::optional<std::size_t> FindAttachmentSection(std::string_view bytes);

} // namespace engine
