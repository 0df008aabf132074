// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "Elf32Object.h"
#include "GnuAssembler.h"
#include "UnitSource.h"
#include "engine/QruModule.h"
#include "platform/Result.h"

namespace qruasm {

// Makes the unit module of a parsed source and its assembled object: the .text section becomes
// the code block; labels give the functions' code offsets and the entries; every R_386_32
// relocation against a declared variable becomes a variable fix-up (the addend taken from the
// code, the site cleared) and one against a declared function a function fix-up. Any other
// relocation, a reference to an undeclared symbol, a non-empty data section or a missing label
// is refused. A failure's text starts with the source line ("12: ...") when one is known.
platform::Result<engine::QruModule> BuildUnitModule(UnitSource source, const Elf32Object& object,
                                                    const LineMap& lines);

} // namespace qruasm
