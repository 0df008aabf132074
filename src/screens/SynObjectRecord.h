// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "screens/SynByteWriter.h"
#include "screens/SynCursor.h"
#include "screens/SynScreen.h"

namespace screens {

// The attribute record of one object by the rule of the file's version: short strings from
// version 5 on, fixed slots and a raw block in versions 3 and 4. Failures are left in the cursor
// or the writer. The writer refuses texts longer than the record keeps and, for version 3, a
// second link key, unit name or argument list (that version has none).
void ReadObjectRecord(SynCursor& cursor, int version, SynObject& object);
void WriteObjectRecord(SynByteWriter& writer, int version, const SynObject& object);

// The kind-specific data after the record: the point list of PolyLine and PolyGon (at most 100
// points), the control of an ActiveX object (its property stream must fit in the file). The writer
// refuses points or an ActiveX control on objects of other kinds.
void ReadKindData(SynCursor& cursor, SynObject& object);
void WriteKindData(SynByteWriter& writer, const SynObject& object);

} // namespace screens
