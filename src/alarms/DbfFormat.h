// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "alarms/AlarmLog.h"
#include "platform/Result.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The bytes of a dBASE III table without memo fields: header, field descriptors, records and
// how a text value becomes the bytes of a field. No file access here: AlarmLog does that.
namespace alarms::dbf {

inline constexpr std::uint8_t kVersionDbase3 = 0x03;
inline constexpr std::uint8_t kVersionDbase3Memo = 0x83;
inline constexpr std::size_t kPrefixBytes = 32;     // version, date, count, lengths
inline constexpr std::size_t kDescriptorBytes = 32; // one per field
inline constexpr char kHeaderEnd = '\x0D';
inline constexpr char kEndOfFile = '\x1A';
inline constexpr std::size_t kMaxFieldLength = 254;
inline constexpr std::size_t kNameBytes = 11; // a field name fills these, NUL-padded

// The date stored in the header: the day of the last update.
struct Date {
    int year = 1900;
    int month = 1;
    int day = 1;
};
Date Today();

// A table's fields with where each starts in a record (after the deletion flag).
struct Layout {
    std::vector<DbfField> fields;
    std::vector<std::size_t> offsets;
    std::uint16_t headerLength = 0;
    std::uint16_t recordLength = 0;
};
// Fails when the fields do not fit the header's 16-bit lengths or one is empty.
platform::Result<Layout> MakeLayout(std::vector<DbfField> fields);

// The thirteen columns of the alarm log, NAME_ORIGIN `nameOriginLength` long.
std::vector<DbfField> AlarmLogFields(std::size_t nameOriginLength);
// Whether a table's fields are those of the alarm log: names and types in order (lengths and
// decimals are the table's own). The failure names the first column that differs.
platform::Status CheckAlarmLogFields(const std::vector<DbfField>& fields);

// The 32-byte prefix of a header.
std::string EncodePrefix(std::uint8_t version, Date date, std::uint32_t records,
                         std::uint16_t headerLength, std::uint16_t recordLength);
// Sets the date and the record count of an existing 32-byte prefix, keeping its other bytes.
void PatchPrefix(std::string& prefix, Date date, std::uint32_t records);
// A whole header: prefix, descriptors and the 0Dh terminator.
std::string EncodeHeader(const Layout& layout, std::uint8_t version, Date date,
                         std::uint32_t records);

// Parses the header at the start of `bytes` (the records need not follow). Checks that the
// descriptors end with 0Dh inside the header length and that their lengths add up to the
// record length.
platform::Result<DbfTable> ReadDbfHeader(std::string_view bytes);

// A record of blanks: the deletion flag ' ' then spaces.
std::string BlankRecord(const Layout& layout);
// Writes `value` into field `column` of `record` by the rules of the field's type.
void SetField(std::string& record, const Layout& layout, std::size_t column,
              std::string_view value);
// The `field.length` bytes that hold `value`:
// C left-aligned, padded with spaces or cut;
// N the trimmed number in plain decimal notation (anything else: spaces); with no decimals cut
//   at "." and right-aligned; with decimals "." added when missing, then "0" appended up to the
//   length; a number whose integer digits do not fit in the length is written as spaces rather
//   than cut into another number;
// D "d/m/yy" or "dd/mm/yyyy" as yyyymmdd, 8 zero bytes for an empty text, spaces for a text
//   that is no valid date;
// L "T" when the text starts with "T" or "V", else "F";
// any other type as C.
std::string FormatField(const DbfField& field, std::string_view value);
// "yyyymmdd" of a date text "d/m/y" (day and month of one or two digits, a year of two digits
// or fewer taken in 2000..2099, or of four digits); nothing when it is not a valid date.
std::optional<std::string> DateFieldText(std::string_view text);

} // namespace alarms::dbf
