// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace screens {

// How one field of a screen-object class's data is stored in the file.
enum class FieldType : std::uint8_t {
    Byte,          // one byte, 0..255
    Int16,         // signed 16-bit
    Int32,         // signed 32-bit
    Raw,           // `size` bytes kept as they are
    Name,          // name string: variable name or expression (padded to 256 bytes up to version 5)
    String256,     // raw 256-byte string: length byte and 255 slots
    FixedString,   // fixed short string of `size` slots
    List,          // signed 16-bit count, then that many short strings
    PageTabStyle,  // page control: a tab-style byte present only when the first page count is 0
    PageCaptions,  // page control: the page count and the page captions (short strings)
    ColumnCount,   // grid: signed 32-bit column count
    ColumnList,    // grid: as many `size`-byte raw items as the column count says
    SettingsBlock, // `size` raw bytes; all zero when the file ends before them
};

// One field of a class layout: its name (unique within the layout) and encoding. Names of fields
// of a shared property record carry the record's name in front ("button.unit").
struct FieldSpec {
    std::string name;
    FieldType type = FieldType::Byte;
    std::uint16_t size = 0; // Raw, FixedString slots, ColumnList item size, SettingsBlock
};

// The data layout of one registered screen-object class, fields in file order.
struct ClassLayout {
    std::string_view name; // the registered class name ("PageControl")
    std::vector<FieldSpec> fields;

    // The index of the field called `fieldName`, or -1.
    int FieldIndex(std::string_view fieldName) const;
};

// The value of one field. Which member counts follows the field's type: `number` for Byte,
// Int16, Int32, PageTabStyle and ColumnCount; `bytes` for Raw, SettingsBlock and the texts
// (Name, String256, FixedString; bytes of the code page); `items` for List, PageCaptions (texts)
// and ColumnList (raw items). `present` is false only for a page control's tab style that the
// file does not hold.
struct FieldValue {
    std::int64_t number = 0;
    std::string bytes;
    std::vector<std::string> items;
    bool present = true;

    bool operator==(const FieldValue&) const = default;
};

// The class-specific data of one object: its layout (one of the registered layouts, which live
// for the whole process) and one value per field of the layout, in the same order.
struct ClassData {
    const ClassLayout* layout = nullptr;
    std::vector<FieldValue> values;

    // The value of the named field, or null when the layout has no such field.
    const FieldValue* Find(std::string_view fieldName) const;
    FieldValue* Find(std::string_view fieldName);

    bool operator==(const ClassData&) const = default;
};

} // namespace screens
