// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace engine {

// The data model of one unit module (".QRU"), field for field as the file holds it. Texts are
// bytes of the system code page. Plain values: whoever holds a QruModule owns all of it, and
// any thread may read a module that no thread writes.

struct QruHeader {
    double stamp = 0;            // compile date as a day count; compared only for equality
    bool debug = false;          // compiled with debug information
    bool hasAttachments = false; // the module ends with an attachment section
    std::int32_t dataSize = 0;   // bytes of the data area
    std::int32_t codeSize = 0;   // bytes of the code block
    bool operator==(const QruHeader&) const = default;
};

// One field of a declared type. For an array field `size` is the element size.
struct QruField {
    std::string name;
    std::uint8_t type = 0;
    std::string typeName;
    std::int32_t size = 0;
    std::uint8_t elementType = 18; // 18 (none) unless the field is an array
    std::int32_t low = 0, high = 0;
    bool operator==(const QruField&) const = default;
};

// A declared type; the run-time reads and discards these.
struct QruType {
    std::string name;
    std::int32_t size = 0;
    std::vector<QruField> fields;
    bool operator==(const QruType&) const = default;
};

// A variable or literal constant. For a literal the name is the literal's own text.
struct QruVariable {
    std::string name;
    std::int32_t offset = 0, size = 0;
    std::uint8_t type = 0, elementType = 0;
    std::int32_t elementSize = 0, low = 0, high = 0;
    bool exported = false;
    std::string objectName, initialValue, typeName;
    bool operator==(const QruVariable&) const = default;
};

struct QruParameter {
    std::uint8_t mode = 0; // 0 by reference, 1 by value
    std::uint8_t type = 0;
    std::string name;
    bool operator==(const QruParameter&) const = default;
};

struct QruFunction {
    std::string name;
    std::int32_t codeOffset = 0;
    std::uint8_t handler = 0;
    std::int32_t spare = 0;
    std::uint8_t kind = 12;       // 11 function, 12 procedure
    std::uint8_t resultType = 18; // 18 for a procedure
    bool exported = false;
    std::uint8_t convention = 0;
    bool external = false; // the byte as stored; IsExternal() says how it is bound
    std::string dllName, entryName;
    std::vector<QruParameter> parameters;

    // Bound to a DLL entry: the external byte is set and the DLL name is not blank. A record
    // with a blank DLL name is bound to its code offset like an internal function.
    bool IsExternal() const;
    bool operator==(const QruFunction&) const = default;
};

// Read and discarded by the run-time.
struct QruAccessor {
    std::string name, reader, writer;
    std::uint8_t flag = 0;
    bool operator==(const QruAccessor&) const = default;
};

// The linker writes the named variable's address + addend at `site` (an offset in the code).
struct QruVariableFixup {
    std::string name; // optionally "NAME UNIT"
    std::int32_t site = 0;
    std::int32_t addend = 0;
    bool operator==(const QruVariableFixup&) const = default;
};

// The linker writes the address of the named function's entry cell at `site`.
struct QruFunctionFixup {
    std::string name; // optionally "NAME UNIT"
    std::int32_t site = 0;
    bool operator==(const QruFunctionFixup&) const = default;
};

// A file carried by the module, stored under "KIND FILENAME" ("BITMAP CloseXLS.BMP"). The file
// name is everything after the first blank and may hold blanks itself.
struct QruAttachedFile {
    std::string kind;
    std::string fileName;
    std::string bytes;
    bool operator==(const QruAttachedFile&) const = default;
};

// The attachment section: the palette icon (a bitmap file), the editor's object description and
// description lines (opaque here), then attached files.
struct QruAttachments {
    std::string bitmap, data, descr;
    std::vector<QruAttachedFile> files;
    bool operator==(const QruAttachments&) const = default;
};

struct QruModule {
    QruHeader header;
    std::vector<QruType> types;
    std::vector<QruVariable> variables;
    std::vector<QruFunction> functions;
    std::vector<QruAccessor> accessors;
    std::uint8_t spareFlag = 0;
    std::int32_t period = 10;
    bool nonCyclic = false;
    std::vector<std::string> uses;
    std::int32_t initEntry = -1, mainEntry = -1, exitEntry = -1; // negative = absent
    std::string code;
    std::vector<QruVariableFixup> variableFixups;
    std::vector<QruFunctionFixup> functionFixups;
    std::optional<QruAttachments> attachments;
    bool operator==(const QruModule&) const = default;
};

// The room a module's variables and entry cells need in its data area: every variable's size
// except integer literal constants', plus 4 bytes per function record.
std::int64_t RequiredDataSize(const QruModule& module);

} // namespace engine
