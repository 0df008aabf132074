// Quorva run-time. Licensed under the MIT licence.
#include "alarms/DbfFormat.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <fmt/format.h>

namespace alarms::dbf {
namespace {

constexpr std::size_t kVersionOffset = 0;
constexpr std::size_t kDateOffset = 1;
constexpr std::size_t kCountOffset = 4;
constexpr std::size_t kHeaderLengthOffset = 8;
constexpr std::size_t kRecordLengthOffset = 10;
constexpr std::size_t kTypeOffset = 11;   // in a descriptor
constexpr std::size_t kLengthOffset = 16; // in a descriptor
constexpr std::size_t kDecimalsOffset = 17;

// The table versions that share this header layout: dBASE III, IV and FoxPro, with or without
// memo files. Only their header and records are read; memo files are not.
constexpr std::array<std::uint8_t, 12> kKnownVersions = {0x02, 0x03, 0x04, 0x05, 0x30, 0x31,
                                                         0x43, 0x63, 0x83, 0x8B, 0xCB, 0xF5};

std::uint8_t Byte(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint8_t>(bytes[at]);
}
std::uint16_t Read16(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint16_t>(Byte(bytes, at) | Byte(bytes, at + 1) << 8);
}
std::uint32_t Read32(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint32_t>(Read16(bytes, at)) |
           static_cast<std::uint32_t>(Read16(bytes, at + 2)) << 16;
}
void Write16(std::string& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}
void Write32(std::string& bytes, std::size_t at, std::uint32_t value) {
    Write16(bytes, at, static_cast<std::uint16_t>(value & 0xFFFF));
    Write16(bytes, at + 2, static_cast<std::uint16_t>(value >> 16));
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}
int DigitsValue(std::string_view digits) {
    int value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Plain decimal notation: an optional sign, digits, an optional "." and digits, with at least
// one digit. Exponents, "inf" and "nan" are not numbers a dBASE reader takes.
bool IsPlainNumber(std::string_view text) {
    if (!text.empty() && (text.front() == '+' || text.front() == '-'))
        text.remove_prefix(1);
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    const auto digitsOrEmpty = [](std::string_view part) {
        return std::all_of(part.begin(), part.end(), IsDigit);
    };
    return digitsOrEmpty(whole) && digitsOrEmpty(fraction) && whole.size() + fraction.size() > 0;
}

std::string PadRight(std::string_view text, std::size_t length) {
    std::string out(text.substr(0, length));
    out.resize(length, ' ');
    return out;
}

std::string FormatNumber(const DbfField& field, std::string_view value) {
    const std::size_t length = field.length;
    const std::string_view number = Trim(value);
    if (!IsPlainNumber(number))
        return std::string(length, ' ');
    const std::size_t point = number.find('.');
    std::string whole(number.substr(0, point));
    // The integer digits must survive: cutting "12345678901" to ten characters would store
    // another number. Such a value is left blank instead.
    if (whole.size() > length)
        return std::string(length, ' ');
    if (field.decimals == 0) {
        if (!std::any_of(whole.begin(), whole.end(), IsDigit))
            whole = "0";
        return std::string(length - whole.size(), ' ') + whole;
    }
    std::string text(number);
    if (point == std::string_view::npos)
        text += '.';
    if (text.size() < length)
        text.append(length - text.size(), '0');
    text.resize(length);
    return text;
}

int DaysInMonth(int year, int month) {
    static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

} // namespace

Date Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (::localtime_r(&now, &local) == nullptr)
        return {};
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

platform::Result<Layout> MakeLayout(std::vector<DbfField> fields) {
    Layout layout;
    const std::size_t headerLength = kPrefixBytes + fields.size() * kDescriptorBytes + 1;
    std::size_t recordLength = 1;
    for (const DbfField& field : fields) {
        if (field.length == 0)
            return platform::Fail(fmt::format("field {} has no length", field.name));
        layout.offsets.push_back(recordLength);
        recordLength += field.length;
    }
    if (fields.empty() || headerLength > 0xFFFF || recordLength > 0xFFFF)
        return platform::Fail(fmt::format("a table of {} fields and records of {} bytes does not "
                                          "fit a dBASE header",
                                          fields.size(), recordLength));
    layout.fields = std::move(fields);
    layout.headerLength = static_cast<std::uint16_t>(headerLength);
    layout.recordLength = static_cast<std::uint16_t>(recordLength);
    return layout;
}

std::vector<DbfField> AlarmLogFields(std::size_t nameOriginLength) {
    const auto length =
        static_cast<std::uint8_t>(std::clamp<std::size_t>(nameOriginLength, 1, kMaxFieldLength));
    return {
        {"NAME", 'C', 80, 0},
        {"MNEMONIC", 'C', 20, 0},
        {"DATEAPP", 'D', 8, 0},
        {"TIMEAPP", 'C', 8, 0},
        {"DATEDIS", 'D', 8, 0},
        {"TIMEDIS", 'C', 8, 0},
        {"DATEACQ", 'D', 8, 0},
        {"TIMEACQ", 'C', 8, 0},
        {"DATA", 'N', 10, 3},
        {"GROUPE", 'C', 20, 0},
        {"ZONE", 'C', 20, 0},
        {"TCOUNT", 'C', 8, 0},
        {"NAME_ORIGIN", 'C', length, 0},
    };
}

platform::Status CheckAlarmLogFields(const std::vector<DbfField>& fields) {
    const std::vector<DbfField> expected = AlarmLogFields(1);
    if (fields.size() != expected.size())
        return platform::Fail(
            fmt::format("it has {} columns, the alarm log {}", fields.size(), expected.size()));
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const DbfField& field = fields[i];
        if (field.name != expected[i].name || field.type != expected[i].type)
            return platform::Fail(
                fmt::format("its column {} is \"{}\" {}, the alarm log's \"{}\" {}", i + 1,
                            field.name, field.type, expected[i].name, expected[i].type));
    }
    return {};
}

std::string EncodePrefix(std::uint8_t version, Date date, std::uint32_t records,
                         std::uint16_t headerLength, std::uint16_t recordLength) {
    std::string prefix(kPrefixBytes, '\0');
    prefix[kVersionOffset] = static_cast<char>(version);
    Write16(prefix, kHeaderLengthOffset, headerLength);
    Write16(prefix, kRecordLengthOffset, recordLength);
    PatchPrefix(prefix, date, records);
    return prefix;
}

void PatchPrefix(std::string& prefix, Date date, std::uint32_t records) {
    // Years stored as year - 1900 in one byte: 1900..2155.
    prefix[kDateOffset] = static_cast<char>(std::clamp(date.year - 1900, 0, 255));
    prefix[kDateOffset + 1] = static_cast<char>(std::clamp(date.month, 1, 12));
    prefix[kDateOffset + 2] = static_cast<char>(std::clamp(date.day, 1, 31));
    Write32(prefix, kCountOffset, records);
}

std::string EncodeHeader(const Layout& layout, std::uint8_t version, Date date,
                         std::uint32_t records) {
    std::string header =
        EncodePrefix(version, date, records, layout.headerLength, layout.recordLength);
    for (const DbfField& field : layout.fields) {
        std::string descriptor(kDescriptorBytes, '\0');
        descriptor.replace(0, std::min(field.name.size(), kNameBytes), field.name, 0, kNameBytes);
        descriptor[kTypeOffset] = field.type;
        descriptor[kLengthOffset] = static_cast<char>(field.length);
        descriptor[kDecimalsOffset] = static_cast<char>(field.decimals);
        header += descriptor;
    }
    header += kHeaderEnd;
    return header;
}

platform::Result<DbfTable> ReadDbfHeader(std::string_view bytes) {
    if (bytes.size() < kPrefixBytes)
        return platform::Fail(fmt::format("{} bytes are too few for a dBASE header", bytes.size()));
    DbfTable table;
    table.version = Byte(bytes, kVersionOffset);
    if (std::find(kKnownVersions.begin(), kKnownVersions.end(), table.version) ==
        kKnownVersions.end())
        return platform::Fail(
            fmt::format("first byte {:02X}h is no dBASE table version", table.version));
    table.statedRecords = Read32(bytes, kCountOffset);
    table.headerLength = Read16(bytes, kHeaderLengthOffset);
    table.recordLength = Read16(bytes, kRecordLengthOffset);
    if (table.headerLength < kPrefixBytes + kDescriptorBytes + 1)
        return platform::Fail(fmt::format("header length {} is too short", table.headerLength));
    if (table.headerLength > bytes.size())
        return platform::Fail(fmt::format("header length {} runs past the {} bytes of the file",
                                          table.headerLength, bytes.size()));
    const std::string_view header = bytes.substr(0, table.headerLength);
    std::size_t at = kPrefixBytes;
    std::size_t fieldBytes = 1;
    while (true) {
        if (at >= header.size() ||
            (header[at] != kHeaderEnd && at + kDescriptorBytes > header.size()))
            return platform::Fail("the field descriptors do not end with 0Dh inside the header");
        if (header[at] == kHeaderEnd)
            break;
        const std::string_view descriptor = header.substr(at, kDescriptorBytes);
        DbfField field;
        const std::string_view name = descriptor.substr(0, kNameBytes);
        field.name = std::string(name.substr(0, name.find('\0')));
        field.type = descriptor[kTypeOffset];
        field.length = Byte(descriptor, kLengthOffset);
        field.decimals = Byte(descriptor, kDecimalsOffset);
        if (field.name.empty() || field.length == 0)
            return platform::Fail(
                fmt::format("field descriptor {} is empty", table.fields.size() + 1));
        fieldBytes += field.length;
        table.fields.push_back(std::move(field));
        at += kDescriptorBytes;
    }
    if (table.fields.empty())
        return platform::Fail("the table has no fields");
    if (fieldBytes != table.recordLength)
        return platform::Fail(fmt::format("record length {} differs from its fields' {}",
                                          table.recordLength, fieldBytes));
    return table;
}

std::string BlankRecord(const Layout& layout) {
    return std::string(layout.recordLength, ' ');
}

void SetField(std::string& record, const Layout& layout, std::size_t column,
              std::string_view value) {
    if (column >= layout.fields.size() || record.size() != layout.recordLength)
        return;
    const DbfField& field = layout.fields[column];
    record.replace(layout.offsets[column], field.length, FormatField(field, value));
}

std::string FormatField(const DbfField& field, std::string_view value) {
    switch (field.type) {
    case 'N':
    case 'F':
        return FormatNumber(field, value);
    case 'D': {
        if (Trim(value).empty())
            return PadRight(std::string(8, '\0'), field.length);
        const std::optional<std::string> date = DateFieldText(Trim(value));
        return PadRight(date ? *date : std::string(), field.length);
    }
    case 'L': {
        const char first = value.empty() ? ' ' : value.front();
        return PadRight(first == 'T' || first == 'V' ? "T" : "F", field.length);
    }
    default:
        return PadRight(value, field.length);
    }
}

std::optional<std::string> DateFieldText(std::string_view text) {
    const std::size_t firstSlash = text.find('/');
    const std::size_t secondSlash =
        firstSlash == std::string_view::npos ? firstSlash : text.find('/', firstSlash + 1);
    if (secondSlash == std::string_view::npos)
        return std::nullopt;
    const std::string_view day = text.substr(0, firstSlash);
    const std::string_view month = text.substr(firstSlash + 1, secondSlash - firstSlash - 1);
    const std::string_view year = text.substr(secondSlash + 1);
    if (!AllDigits(day) || !AllDigits(month) || !AllDigits(year) || day.size() > 2 ||
        month.size() > 2 || year.size() == 3 || year.size() > 4)
        return std::nullopt;
    const int dayValue = DigitsValue(day);
    const int monthValue = DigitsValue(month);
    const int yearValue = DigitsValue(year) + (year.size() < 4 ? 2000 : 0);
    if (yearValue < 1 || monthValue < 1 || monthValue > 12 || dayValue < 1 ||
        dayValue > DaysInMonth(yearValue, monthValue))
        return std::nullopt;
    return fmt::format("{:04}{:02}{:02}", yearValue, monthValue, dayValue);
}

} // namespace alarms::dbf

namespace alarms {

platform::Result<DbfTable> ReadDbf(std::string_view bytes) {
    platform::Result<DbfTable> read = dbf::ReadDbfHeader(bytes);
    if (!read)
        return read;
    DbfTable& table = read.Value();
    const std::size_t body = bytes.size() - table.headerLength;
    const std::size_t whole = std::min<std::size_t>(body / table.recordLength, table.statedRecords);
    table.records.reserve(whole);
    for (std::size_t i = 0; i < whole; ++i)
        table.records.emplace_back(
            bytes.substr(table.headerLength + i * table.recordLength, table.recordLength));
    table.trailingBytes = body - whole * table.recordLength;
    return read;
}

} // namespace alarms
