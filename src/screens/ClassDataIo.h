// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"
#include "screens/ClassData.h"
#include "screens/SynByteWriter.h"
#include "screens/SynCursor.h"

#include <string>
#include <string_view>
#include <vector>

namespace screens {

// Reads the class data of one object by its layout. `version` is the screen file's version (name
// strings are padded up to version 5). A failure is left in the cursor, naming the field; the
// result is then incomplete. A settings block that the file ends before is taken as all zero, as
// the only short read the format tolerates; `warnings` (if given) is told so.
ClassData ReadClassData(SynCursor& cursor, const ClassLayout& layout, int version,
                        std::vector<std::string>* warnings = nullptr);

// Reads the class data of the class a screen file names (see FindClassLayout). Fails for a class
// name that no layout matches, and with the cursor's error when the bytes cannot be read.
platform::Result<ClassData> ReadClassData(SynCursor& cursor, std::string_view className,
                                          int version);

// Whether every value fits its field: numbers in range, texts and lists not too long, raw fields
// of their exact size, and a grid's column count equal to its columns. The message names the field.
platform::Status CheckClassData(const ClassData& data);

// Writes the class data (CheckClassData first; a refusal is left in the writer).
void WriteClassData(SynByteWriter& writer, const ClassData& data, int version);

// Data of the layout with every field at its default: zeros, empty texts and lists; a page control
// with a tab style.
ClassData DefaultClassData(const ClassLayout& layout);

} // namespace screens
