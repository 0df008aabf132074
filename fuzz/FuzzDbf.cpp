// Quorva run-time. Licensed under the MIT licence.
#include "FuzzWorkDirectory.h"
#include "alarms/AlarmLog.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace {

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What ReadDbf returns must agree with the bytes it read.
void CheckTable(const alarms::DbfTable& table, std::size_t size) {
    std::size_t fieldBytes = 1;
    for (const alarms::DbfField& field : table.fields) {
        if (field.length == 0 || field.name.empty() || field.name.size() > 11)
            std::abort();
        fieldBytes += field.length;
    }
    if (table.fields.empty() || fieldBytes != table.recordLength ||
        table.records.size() > table.statedRecords ||
        table.headerLength + table.records.size() * table.recordLength + table.trailingBytes !=
            size)
        std::abort();
    for (const std::string& record : table.records)
        if (record.size() != table.recordLength)
            std::abort();
}

} // namespace

// Reads arbitrary bytes as a dBASE table, then opens them as the alarm log (which repairs a
// copy on disk): a table that opens must then be sound and take events; one that is refused
// must be left byte for byte as it was.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (auto table = alarms::ReadDbf(bytes))
        CheckTable(*table, size);

    // The table copies are rewritten by the log at every event.
    static const fuzzsupport::WorkDirectory directory("fuzz-dbf");
    const std::string path = directory.Write("Alarm.DBF", bytes);
    platform::Result<alarms::AlarmLog> log = alarms::AlarmLog::Open(path, 1 + size % 40);
    if (!log) {
        if (ReadWhole(path) != bytes)
            std::abort();
        return 0;
    }
    auto repaired = alarms::ReadDbf(ReadWhole(path));
    if (!repaired || repaired->trailingBytes != 1 ||
        repaired->records.size() != repaired->statedRecords ||
        repaired->statedRecords != log->RecordCount())
        std::abort();
    alarms::LogValues values;
    values.Set(alarms::LogColumn::Name, std::string(bytes.substr(0, 90)))
        .Set(alarms::LogColumn::Data, std::string(bytes.substr(0, 12)))
        .Set(alarms::LogColumn::DateApp, std::string(bytes.substr(0, 10)));
    const std::uint32_t before = log->RecordCount();
    auto appended = log->Append(values);
    if (!appended || *appended != before + 1 || !log->Update(1, values))
        std::abort();
    auto after = alarms::ReadDbf(ReadWhole(path));
    if (!after || after->trailingBytes != 1 || after->records.size() != before + 1)
        std::abort();
    CheckTable(*after, std::filesystem::file_size(path));
    return 0;
}
