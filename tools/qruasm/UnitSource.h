// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "engine/QruModule.h"
#include "platform/Result.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qruasm {

// A code label named by a directive, with the directive's line.
struct LabelUse {
    std::string label;
    int line = 0;
};

enum class ReferenceKind { Variable, Function };

// What a relocation against a declared symbol becomes: a variable or function fix-up with this
// name ("NAME" or "NAME UNIT").
struct Reference {
    ReferenceKind kind = ReferenceKind::Variable;
    std::string fixupName;
    std::string what; // "variable", "imported function" ... for messages
    int line = 0;
};

// A unit source split into its directives and its assembly. Built by ParseUnitSource, then read
// by BuildUnitModule; one thread.
struct UnitSource {
    // Header, tables, trailer and attachments as the directives give them; the code, its
    // offsets and the fix-ups come from the assembled object.
    engine::QruModule module;
    std::map<std::string, Reference> references;                  // by upper-cased symbol
    std::vector<std::pair<std::size_t, LabelUse>> functionLabels; // function index -> label
    std::optional<LabelUse> initEntry, mainEntry, exitEntry;
    std::int32_t requestedDataSize = 0;
    int dataSizeLine = 0;
    bool stampGiven = false;
    // The source with every directive line left empty, so that line numbers stay the same.
    std::string assembly;
};

// Reads the directives ("@" lines) of a unit source; paths of attached files are relative to
// `baseDirectory`. A failure's text starts with the line number and a colon ("12: ...").
platform::Result<UnitSource> ParseUnitSource(std::string_view text,
                                             const std::filesystem::path& baseDirectory);

} // namespace qruasm
