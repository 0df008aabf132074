// Quorva run-time. Licensed under the MIT licence.
#include "alarms/AlarmLog.h"

#include "TestSupport.h"
#include "alarms/DbfFormat.h"
#include "platform/Log.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using alarms::AlarmLog;
using alarms::LogColumn;
using alarms::LogValues;
using testsupport::ReadFile;
using testsupport::WriteFile;
namespace dbf = alarms::dbf;
namespace fs = std::filesystem;

constexpr std::size_t kAlarmLogOrigin = 30;
constexpr std::size_t kAlarmLogHeader = 32 + 13 * 32 + 1;
constexpr std::size_t kAlarmLogRecord = 1 + 206 + kAlarmLogOrigin;

// Collects the warnings logged while it lives.
class AlarmLogWarnings {
public:
    AlarmLogWarnings() {
        m_previous =
            platform::log::SetSink([this](platform::LogLevel level, std::string_view text) {
                if (level >= platform::LogLevel::Warning)
                    m_lines.emplace_back(text);
            });
    }
    ~AlarmLogWarnings() { platform::log::SetSink(std::move(m_previous)); }
    std::string All() const {
        std::string all;
        for (const std::string& line : m_lines)
            all += line + "\n";
        return all;
    }

private:
    platform::log::Sink m_previous;
    std::vector<std::string> m_lines;
};

alarms::DbfTable AlarmLogRead(const fs::path& path) {
    platform::Result<alarms::DbfTable> table = alarms::ReadDbf(ReadFile(path));
    EXPECT_TRUE(table.IsOk()) << table.Error();
    return table ? std::move(table).Value() : alarms::DbfTable{};
}

// The bytes of a column of a record (deletion flag first), by the alarm log's layout.
std::string AlarmLogField(const std::string& record, LogColumn column) {
    const dbf::Layout layout = dbf::MakeLayout(dbf::AlarmLogFields(kAlarmLogOrigin)).Value();
    const auto index = static_cast<std::size_t>(column);
    return record.substr(layout.offsets[index], layout.fields[index].length);
}

LogValues AlarmLogEvent(int n) {
    LogValues values;
    values.Set(LogColumn::Name, "Pressure high " + std::to_string(n))
        .Set(LogColumn::Mnemonic, "P" + std::to_string(n))
        .Set(LogColumn::DateApp, "07/06/2024")
        .Set(LogColumn::TimeApp, "10:00:00")
        .Set(LogColumn::Data, std::to_string(n))
        .Set(LogColumn::TCount, "00:00:00")
        .Set(LogColumn::NameOrigin, "Druck hoch");
    return values;
}

// A table of `records` events, closed; its bytes.
std::string AlarmLogWithRecords(const fs::path& path, int records) {
    platform::Result<AlarmLog> log = AlarmLog::Open(path.string(), kAlarmLogOrigin);
    EXPECT_TRUE(log.IsOk()) << log.Error();
    for (int i = 1; i <= records; ++i)
        EXPECT_TRUE(log->Append(AlarmLogEvent(i)).IsOk());
    return ReadFile(path);
}

void AlarmLogSetCount(std::string& bytes, std::uint32_t count) {
    for (int i = 0; i < 4; ++i)
        bytes[4 + static_cast<std::size_t>(i)] = static_cast<char>(count >> (8 * i));
}

} // namespace

TEST(AlarmLog, CreatesAnEmptyTableWithTheLogColumns) {
    testsupport::TempDir dir;
    platform::Result<AlarmLog> log = AlarmLog::Open((dir / "Alarm.DBF").string(), kAlarmLogOrigin);
    ASSERT_TRUE(log.IsOk()) << log.Error();
    EXPECT_EQ(log->RecordCount(), 0u);

    const std::string bytes = ReadFile(dir / "Alarm.DBF");
    ASSERT_EQ(bytes.size(), kAlarmLogHeader + 1);
    EXPECT_EQ(bytes[kAlarmLogHeader - 1], '\x0D');
    EXPECT_EQ(bytes.back(), '\x1A');
    const dbf::Date today = dbf::Today();
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[1]), today.year - 1900);
    EXPECT_EQ(bytes[2], today.month);
    EXPECT_EQ(bytes[3], today.day);

    const alarms::DbfTable table = AlarmLogRead(dir / "Alarm.DBF");
    EXPECT_EQ(table.version, 0x03);
    EXPECT_EQ(table.headerLength, kAlarmLogHeader);
    EXPECT_EQ(table.recordLength, kAlarmLogRecord);
    EXPECT_EQ(table.statedRecords, 0u);
    EXPECT_EQ(table.trailingBytes, 1u);
    std::vector<std::string> columns;
    for (const alarms::DbfField& field : table.fields)
        columns.push_back(
            fmt::format("{} {} {}.{}", field.name, field.type, field.length, field.decimals));
    EXPECT_THAT(columns, testing::ElementsAre("NAME C 80.0", "MNEMONIC C 20.0", "DATEAPP D 8.0",
                                              "TIMEAPP C 8.0", "DATEDIS D 8.0", "TIMEDIS C 8.0",
                                              "DATEACQ D 8.0", "TIMEACQ C 8.0", "DATA N 10.3",
                                              "GROUPE C 20.0", "ZONE C 20.0", "TCOUNT C 8.0",
                                              "NAME_ORIGIN C 30.0"));

    // A NAME_ORIGIN length a dBASE column cannot hold is limited, with a warning; none is 1.
    AlarmLogWarnings warnings;
    ASSERT_TRUE(AlarmLog::Open((dir / "Long.DBF").string(), 300).IsOk());
    EXPECT_EQ(AlarmLogRead(dir / "Long.DBF").fields.back().length, 254);
    EXPECT_THAT(warnings.All(), testing::HasSubstr("cut to the 254"));
    ASSERT_TRUE(AlarmLog::Open((dir / "None.DBF").string(), 0).IsOk());
    EXPECT_EQ(AlarmLogRead(dir / "None.DBF").fields.back().length, 1);
}

TEST(AlarmLog, UpdateRewritesOnlyTheGivenColumnsOfItsRecord) {
    testsupport::TempDir dir;
    const fs::path path = dir / "Alarm.DBF";
    platform::Result<AlarmLog> log = AlarmLog::Open(path.string(), kAlarmLogOrigin);
    ASSERT_TRUE(log.IsOk());
    ASSERT_EQ(log->Append(AlarmLogEvent(1)).Value(), 1u);
    ASSERT_EQ(log->Append(AlarmLogEvent(2)).Value(), 2u);
    const std::vector<std::string> before = AlarmLogRead(path).records;

    LogValues end;
    end.Set(LogColumn::DateDis, "7/6/24").Set(LogColumn::TimeDis, "10:05:30");
    end.Set(LogColumn::TCount, "00:05:30");
    ASSERT_EQ(log->Update(1, end).Value(), 1u);
    const alarms::DbfTable after = AlarmLogRead(path);
    ASSERT_EQ(after.records.size(), 2u);
    EXPECT_EQ(after.records[1], before[1]);
    const std::string& record = after.records[0];
    EXPECT_EQ(AlarmLogField(record, LogColumn::DateDis), "20240607");
    EXPECT_EQ(AlarmLogField(record, LogColumn::TimeDis), "10:05:30");
    EXPECT_EQ(AlarmLogField(record, LogColumn::TCount), "00:05:30");
    std::string expected = before[0];
    for (LogColumn column : {LogColumn::DateDis, LogColumn::TimeDis, LogColumn::TCount}) {
        const dbf::Layout layout = dbf::MakeLayout(dbf::AlarmLogFields(kAlarmLogOrigin)).Value();
        const auto index = static_cast<std::size_t>(column);
        expected.replace(layout.offsets[index], layout.fields[index].length,
                         AlarmLogField(record, column));
    }
    EXPECT_EQ(record, expected) << "columns that were not given changed";

    // A record that is not there (none yet, or past the count) is appended.
    EXPECT_EQ(log->Update(0, end).Value(), 3u);
    EXPECT_EQ(log->Update(99, end).Value(), 4u);
    EXPECT_EQ(AlarmLogField(AlarmLogRead(path).records[3], LogColumn::Name), std::string(80, ' '));
    EXPECT_EQ(AlarmLog::Open(path.string(), kAlarmLogOrigin)->RecordCount(), 4u);
}

TEST(AlarmLog, ValuesAreWrittenByTheirColumnType) {
    const alarms::DbfField text{"NAME", 'C', 5, 0};
    EXPECT_EQ(dbf::FormatField(text, "ab"), "ab   ");
    EXPECT_EQ(dbf::FormatField(text, "abcdefg"), "abcde");
    EXPECT_EQ(dbf::FormatField(text, "\xE9t\xE9"), "\xE9t\xE9  ") << "code-page bytes as given";

    const alarms::DbfField data{"DATA", 'N', 10, 3};
    EXPECT_EQ(dbf::FormatField(data, "1"), "1.00000000");
    EXPECT_EQ(dbf::FormatField(data, " 12.5 "), "12.5000000");
    EXPECT_EQ(dbf::FormatField(data, "-3"), "-3.0000000");
    EXPECT_EQ(dbf::FormatField(data, "0.123456789012"), "0.12345678");
    EXPECT_EQ(dbf::FormatField(data, "1234567890.5"), "1234567890");
    // Not a number, or a number cutting would change: blanks, never another number.
    for (const char* blank : {"", "abc", "1e5", "nan", "1.2.3", "-", "12345678901"})
        EXPECT_EQ(dbf::FormatField(data, blank), std::string(10, ' ')) << blank;
    const alarms::DbfField count{"COUNT", 'N', 4, 0};
    EXPECT_EQ(dbf::FormatField(count, "12.7"), "  12");
    EXPECT_EQ(dbf::FormatField(count, "-5"), "  -5");
    EXPECT_EQ(dbf::FormatField(count, "12345"), "    ");

    const alarms::DbfField date{"DATEAPP", 'D', 8, 0};
    EXPECT_EQ(dbf::FormatField(date, "5/3/24"), "20240305");
    EXPECT_EQ(dbf::FormatField(date, "25/12/2023"), "20231225");
    EXPECT_EQ(dbf::FormatField(date, "29/2/2024"), "20240229");
    EXPECT_EQ(dbf::FormatField(date, "1/1/7"), "20070101");
    EXPECT_EQ(dbf::FormatField(date, ""), std::string(8, '\0'));
    for (const char* invalid : {"29/2/2023", "32/1/2024", "1/13/2024", "1/1/024", "x/1/2024",
                                "2024-01-01", "1/1", "0/1/2024"})
        EXPECT_EQ(dbf::FormatField(date, invalid), std::string(8, ' ')) << invalid;

    const alarms::DbfField flag{"ON", 'L', 1, 0};
    EXPECT_EQ(dbf::FormatField(flag, "True"), "T");
    EXPECT_EQ(dbf::FormatField(flag, "V"), "T");
    EXPECT_EQ(dbf::FormatField(flag, "x"), "F");

    // The same rules through the file.
    testsupport::TempDir dir;
    platform::Result<AlarmLog> log = AlarmLog::Open((dir / "Alarm.DBF").string(), kAlarmLogOrigin);
    ASSERT_TRUE(log.IsOk());
    LogValues values;
    values.Set(LogColumn::Name, std::string(81, 'N') + "cut")
        .Set(LogColumn::Data, "95.5")
        .Set(LogColumn::DateAcq, "")
        .Set(LogColumn::NameOrigin, std::string(kAlarmLogOrigin + 5, 'o'));
    ASSERT_TRUE(log->Append(values).IsOk());
    const std::string record = AlarmLogRead(dir / "Alarm.DBF").records.at(0);
    EXPECT_EQ(record[0], ' ');
    EXPECT_EQ(AlarmLogField(record, LogColumn::Name), std::string(80, 'N'));
    EXPECT_EQ(AlarmLogField(record, LogColumn::Data), "95.5000000");
    EXPECT_EQ(AlarmLogField(record, LogColumn::DateAcq), std::string(8, '\0'));
    EXPECT_EQ(AlarmLogField(record, LogColumn::DateApp), std::string(8, ' ')) << "unset: blank";
    EXPECT_EQ(AlarmLogField(record, LogColumn::NameOrigin), std::string(kAlarmLogOrigin, 'o'));
}

TEST(AlarmLog, OpeningRepairsATableWhoseCountDisagreesWithItsLength) {
    testsupport::TempDir dir;
    const fs::path path = dir / "Alarm.DBF";
    const std::string sound = AlarmLogWithRecords(path, 3);
    const std::vector<std::string> records = AlarmLogRead(path).records;
    const std::size_t end = kAlarmLogHeader + 3 * kAlarmLogRecord; // where 1Ah is

    struct Damage {
        const char* name;
        std::string bytes;
        const char* warning;
        std::size_t keptRecords;
    };
    std::string countTooHigh = sound;
    AlarmLogSetCount(countTooHigh, 7);
    std::string partial = sound.substr(0, end) + records[0].substr(0, 100);
    AlarmLogSetCount(partial, 4);
    std::string uncounted = sound.substr(0, end) + records[1] + '\x1A';
    std::string noEnd = sound.substr(0, end);
    std::string wrongEnd = noEnd + 'x';
    const std::vector<Damage> damages = {
        {"count too high", countTooHigh, "count lowered to 3", 3},
        {"a partial record counted", partial, "count lowered to 3", 3},
        {"an uncounted whole record", uncounted, "bytes after its 3 records removed", 3},
        {"no end byte", noEnd, "1Ah after its 3 records was missing", 3},
        {"a wrong end byte", wrongEnd, "was 78h, not the end byte", 3},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        WriteFile(path, damage.bytes);
        AlarmLogWarnings warnings;
        platform::Result<AlarmLog> log = AlarmLog::Open(path.string(), kAlarmLogOrigin);
        ASSERT_TRUE(log.IsOk()) << log.Error();
        EXPECT_THAT(warnings.All(), testing::HasSubstr(damage.warning));
        EXPECT_EQ(log->RecordCount(), damage.keptRecords);
        const alarms::DbfTable table = AlarmLogRead(path);
        EXPECT_EQ(table.statedRecords, damage.keptRecords);
        EXPECT_EQ(table.trailingBytes, 1u);
        EXPECT_EQ(table.records, records);
        EXPECT_EQ(ReadFile(path).substr(dbf::kPrefixBytes), sound.substr(dbf::kPrefixBytes));
        // Events go on from the repaired count.
        EXPECT_EQ(log->Append(AlarmLogEvent(4)).Value(), 4u);
    }

    // A sound table is opened without a word.
    AlarmLogWarnings quiet;
    ASSERT_TRUE(AlarmLog::Open(path.string(), kAlarmLogOrigin).IsOk());
    EXPECT_EQ(quiet.All(), "");
}

TEST(AlarmLog, RefusesFilesThatAreNotTheAlarmLogAndLeavesThemAlone) {
    testsupport::TempDir dir;
    const fs::path path = dir / "Alarm.DBF";
    const std::string sound = AlarmLogWithRecords(path, 1);
    std::string otherVersion = sound;
    otherVersion[0] = '\x30';
    std::string shortHeader = sound;
    shortHeader[8] = '\x10';                       // header length 16
    std::string longHeader = sound.substr(0, 300); // header length past the file's end
    std::string noTerminator = sound;
    noTerminator[kAlarmLogHeader - 1] = ' ';
    std::string recordLength = sound;
    recordLength[10] = static_cast<char>(recordLength[10] + 1);
    const std::string otherColumns =
        dbf::EncodeHeader(dbf::MakeLayout({{"NAME", 'C', 80, 0}, {"VALUE", 'N', 8, 2}}).Value(),
                          0x03, dbf::Today(), 0) +
        '\x1A';
    const std::vector<std::pair<std::string, std::string>> files = {
        {"text", "NAME;MNEMONIC\nPressure high;P1\n"},
        {"ten bytes", std::string(10, '\x03')},
        {"another version", otherVersion},
        {"header length too short", shortHeader},
        {"header past the end", longHeader},
        {"no 0Dh terminator", noTerminator},
        {"record length off", recordLength},
        {"other columns", otherColumns},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        WriteFile(path, bytes);
        platform::Result<AlarmLog> log = AlarmLog::Open(path.string(), kAlarmLogOrigin);
        ASSERT_FALSE(log.IsOk());
        EXPECT_THAT(log.Error(), testing::HasSubstr(path.string()));
        EXPECT_THAT(log.Error(), testing::HasSubstr("left as it is"));
        EXPECT_EQ(ReadFile(path), bytes);
    }

    // A table that goes bad between events fails the event and stays as it is; one that was
    // deleted is made again.
    WriteFile(path, sound);
    platform::Result<AlarmLog> log = AlarmLog::Open(path.string(), kAlarmLogOrigin);
    ASSERT_TRUE(log.IsOk());
    WriteFile(path, "garbage");
    EXPECT_FALSE(log->Append(AlarmLogEvent(2)).IsOk());
    EXPECT_FALSE(log->Update(1, AlarmLogEvent(2)).IsOk());
    EXPECT_FALSE(log->PurgeIfLarger(1, 1).IsOk());
    EXPECT_EQ(ReadFile(path), "garbage");
    fs::remove(path);
    EXPECT_EQ(log->Update(1, AlarmLogEvent(2)).Value(), 1u);

    // An empty file holds nothing to lose: it becomes a table.
    WriteFile(path, "");
    EXPECT_TRUE(AlarmLog::Open(path.string(), kAlarmLogOrigin).IsOk());
    EXPECT_EQ(ReadFile(path).size(), kAlarmLogHeader + 1);
}

TEST(AlarmLog, PurgeKeepsTheNewestRecordsThatFit) {
    testsupport::TempDir dir;
    const fs::path path = dir / "Alarm.DBF";
    AlarmLogWithRecords(path, 30);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const std::vector<std::string> records = AlarmLogRead(path).records;
    const std::uint64_t size = fs::file_size(path);
    platform::Result<AlarmLog> log = AlarmLog::Open(path.string(), kAlarmLogOrigin);
    ASSERT_TRUE(log.IsOk());

    EXPECT_FALSE(log->PurgeIfLarger(0, 1).Value()) << "0 means never";
    EXPECT_FALSE(log->PurgeIfLarger(size + 1, 1).Value()) << "not yet that large";
    EXPECT_FALSE(log->PurgeIfLarger(size, size).Value()) << "everything fits";
    EXPECT_EQ(fs::file_size(path), size);

    // Room for ten records and a byte to spare.
    const std::uint64_t keep = kAlarmLogHeader + 10 * kAlarmLogRecord + 1 + kAlarmLogRecord - 1;
    ASSERT_TRUE(log->PurgeIfLarger(size, keep).Value());
    EXPECT_EQ(log->RecordCount(), 10u);
    alarms::DbfTable table = AlarmLogRead(path);
    EXPECT_EQ(table.statedRecords, 10u);
    EXPECT_EQ(table.trailingBytes, 1u);
    EXPECT_EQ(table.records, std::vector<std::string>(records.begin() + 20, records.end()));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1)
        << "the temporary file is gone";

    // The result reopens and takes events; a keep size below the header empties the log.
    platform::Result<AlarmLog> again = AlarmLog::Open(path.string(), kAlarmLogOrigin);
    ASSERT_TRUE(again.IsOk());
    EXPECT_EQ(again->Append(AlarmLogEvent(31)).Value(), 11u);
    ASSERT_TRUE(again->PurgeIfLarger(1, 100).Value());
    EXPECT_EQ(again->RecordCount(), 0u);
    EXPECT_EQ(ReadFile(path).size(), kAlarmLogHeader + 1);
}

TEST(AlarmLog, OpeningTidiesWhatAStoppedWriterLeft) {
    testsupport::TempDir dir;
    const fs::path path = dir / "Alarm.DBF";
    AlarmLogWithRecords(path, 1);
    // A temporary file of a process that is gone, and one of this process (still at work).
    const fs::path stale = dir / "Alarm.DBF.2147483646-0123abcd.tmp";
    const fs::path ours = dir / fmt::format("Alarm.DBF.{}-0123abcd.tmp", ::getpid());
    const fs::path unrelated = dir / "Alarm.DBF.notes.tmp";
    for (const fs::path& file : {stale, ours, unrelated})
        WriteFile(file, "x");
    // A memo table needs its memo file: an empty one is made.
    std::string bytes = ReadFile(path);
    bytes[0] = '\x83';
    WriteFile(path, bytes);

    ASSERT_TRUE(AlarmLog::Open(path.string(), kAlarmLogOrigin).IsOk());
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(ours));
    EXPECT_TRUE(fs::exists(unrelated));
    const std::string memo = ReadFile(dir / "Alarm.DBT");
    ASSERT_EQ(memo.size(), 512u);
    EXPECT_EQ(memo.substr(0, 2), "\x1A\x1A");
    EXPECT_EQ(memo.substr(2), std::string(510, '\0'));
}
