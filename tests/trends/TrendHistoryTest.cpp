// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "trends/TrendHistory.h"

namespace {

using trends::HistoryIdentity;
using trends::HistorySample;
using trends::TrendHistory;

constexpr std::int64_t kHistoryFirstUtc = 1765270800000; // 2025-12-09 09:00:00 UTC

HistoryIdentity LevelAndPump()
{
    return HistoryIdentity{0x03, 1000, trends::HashPencilNames({"LEVEL", "PUMP"})};
}

// Sample n: a second after sample n - 1, pencil 1 = n, pencil 2 = n / 2 (left out for odd n).
HistorySample NumberedSample(int n)
{
    HistorySample sample;
    sample.utcMilliseconds = kHistoryFirstUtc + 1000LL * n;
    sample.values[0] = n;
    sample.setMask = 0x01;
    if (n % 2 == 0) {
        sample.values[1] = n / 2.0;
        sample.setMask |= 0x02;
    }
    return sample;
}

std::vector<std::filesystem::path> HistoryFilesIn(const std::filesystem::path& directory)
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        files.push_back(entry.path());
    return files;
}

platform::Result<TrendHistory> OpenHistoryFile(const std::filesystem::path& path, HistoryIdentity identity,
                                    std::size_t bound = TrendHistory::kDefaultBound)
{
    return TrendHistory::Open(path.string(), identity, bound);
}

} // namespace

TEST(TrendHistory, RecordsAndHeadersReadBackAndDamageIsRecognised)
{
    const HistoryIdentity identity = LevelAndPump();
    const std::string header = trends::EncodeHistoryHeader(identity);
    ASSERT_EQ(header.size(), trends::kHistoryHeaderSize);
    ASSERT_TRUE(trends::DecodeHistoryHeader(header).IsOk());
    EXPECT_EQ(trends::DecodeHistoryHeader(header).Value(), identity);
    // Any changed byte of the header is caught, and so are wrong sizes however they are checked.
    for (std::size_t i = 0; i < header.size(); ++i) {
        std::string damaged = header;
        damaged[i] = static_cast<char>(damaged[i] ^ 0x40);
        EXPECT_FALSE(trends::DecodeHistoryHeader(damaged).IsOk()) << "byte " << i;
    }
    EXPECT_FALSE(trends::DecodeHistoryHeader(header.substr(0, 31)).IsOk());

    HistorySample sample = NumberedSample(4);
    const std::string record = trends::EncodeHistoryRecord(sample);
    ASSERT_EQ(record.size(), trends::kHistoryRecordSize);
    ASSERT_TRUE(trends::DecodeHistoryRecord(record).has_value());
    EXPECT_EQ(*trends::DecodeHistoryRecord(record), sample);
    EXPECT_FALSE(trends::DecodeHistoryRecord(std::string(80, '\0')).has_value());
    EXPECT_FALSE(trends::DecodeHistoryRecord(record.substr(0, 79)).has_value());
    std::string flipped = record;
    flipped[20] = static_cast<char>(flipped[20] ^ 1);
    EXPECT_FALSE(trends::DecodeHistoryRecord(flipped).has_value());

    // A value that is no number is never a sample; an unset value is stored as 0.
    HistorySample odd;
    odd.values = {std::numeric_limits<double>::quiet_NaN(), 7, 0, 0, 0, 0, 0, 0};
    odd.setMask = 0x01;
    const std::optional<HistorySample> back = trends::DecodeHistoryRecord(
        trends::EncodeHistoryRecord(odd));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->setMask, 0);
    EXPECT_EQ(back->values[1], 0);

    // A reader of the whole file skips a bad record in the middle and ends at the last good one.
    std::string file = header + record + std::string(80, 'x') + trends::EncodeHistoryRecord(
        NumberedSample(5)) + std::string(50, '\0');
    platform::Result<trends::ParsedHistory> parsed = trends::ParseHistory(file);
    ASSERT_TRUE(parsed.IsOk()) << parsed.Error();
    ASSERT_EQ(parsed->samples.size(), 2u);
    EXPECT_EQ(parsed->samples[1], NumberedSample(5));
    EXPECT_EQ(parsed->damagedRecords, 1u);
    EXPECT_EQ(parsed->keptBytes, 32u + 3 * 80);
    EXPECT_FALSE(trends::ParseHistory("QTRNDHST").IsOk());

    // Names are compared as the variable store compares them.
    EXPECT_EQ(trends::HashPencilNames({" level", "Pump "}), identity.namesHash);
    EXPECT_NE(trends::HashPencilNames({"PUMP", "LEVEL"}), identity.namesHash);
}

TEST(TrendHistory, SamplesSurviveReopeningAndTornRecordsAreCut)
{
    testsupport::TempDir dir;
    const std::filesystem::path path = dir / "Trends" / "MAIN_TREND1.trh";
    {
        platform::Result<TrendHistory> history = OpenHistoryFile(path, LevelAndPump());
        ASSERT_TRUE(history.IsOk()) << history.Error();
        for (int n = 1; n <= 5; ++n)
            ASSERT_TRUE(history->Append(NumberedSample(n)).IsOk());
        EXPECT_EQ(history->RecordCount(), 5u);
    }
    {
        platform::Result<TrendHistory> history = OpenHistoryFile(path, LevelAndPump());
        ASSERT_TRUE(history.IsOk()) << history.Error();
        EXPECT_EQ(history->RecordCount(), 5u);
        platform::Result<std::vector<HistorySample>> newest = history->ReadNewest(3);
        ASSERT_TRUE(newest.IsOk());
        ASSERT_EQ(newest->size(), 3u);
        EXPECT_EQ(newest.Value()[0], NumberedSample(3));
        EXPECT_EQ(newest.Value()[2], NumberedSample(5));
        EXPECT_EQ(history->ReadNewest(100)->size(), 5u);
    }

    // A crash in the middle of a write leaves part of a record, or a record-sized run of
    // zeros: both go at the next opening, and the next sample lands whole after record 5.
    const std::string whole = testsupport::ReadFile(path);
    for (const std::string& tail :
         {trends::EncodeHistoryRecord(NumberedSample(6)).substr(0, 41), std::string(80, '\0'),
          std::string(80, '\0') + std::string(13, 'z')}) {
        testsupport::WriteFile(path, whole + tail);
        platform::Result<TrendHistory> history = OpenHistoryFile(path, LevelAndPump());
        ASSERT_TRUE(history.IsOk()) << history.Error();
        EXPECT_EQ(history->RecordCount(), 5u);
        EXPECT_EQ(std::filesystem::file_size(path), 32u + 5 * 80);
        ASSERT_TRUE(history->Append(NumberedSample(6)).IsOk());
        EXPECT_EQ(history->ReadNewest(1).Value()[0], NumberedSample(6));
    }

    // A damaged record in the middle is kept in place but never read as a sample.
    std::string middle = testsupport::ReadFile(path);
    middle[32 + 80 + 10] = static_cast<char>(middle[32 + 80 + 10] ^ 0x10);
    testsupport::WriteFile(path, middle);
    platform::Result<TrendHistory> history = OpenHistoryFile(path, LevelAndPump());
    ASSERT_TRUE(history.IsOk()) << history.Error();
    EXPECT_EQ(history->RecordCount(), 6u);
    const std::vector<HistorySample> read = history->ReadNewest(6).Value();
    ASSERT_EQ(read.size(), 5u);
    EXPECT_EQ(read[0], NumberedSample(1));
    EXPECT_EQ(read[1], NumberedSample(3));
}

TEST(TrendHistory, KeepsTheNewestBoundSamplesThroughARewrite)
{
    testsupport::TempDir dir;
    const std::filesystem::path path = dir / "MAIN_TREND1.trh";
    {
        platform::Result<TrendHistory> history = OpenHistoryFile(path, LevelAndPump(), 1);
        ASSERT_TRUE(history.IsOk()) << history.Error();
        ASSERT_EQ(history->Bound(), TrendHistory::kMinimumBound); // raised to the minimum
        for (int n = 1; n <= 32; ++n)
            ASSERT_TRUE(history->Append(NumberedSample(n)).IsOk());
        EXPECT_EQ(history->RecordCount(), 32u);
        // One more than twice the bound: the newest 16 stay.
        ASSERT_TRUE(history->Append(NumberedSample(33)).IsOk());
        EXPECT_EQ(history->RecordCount(), 16u);
        EXPECT_EQ(std::filesystem::file_size(path), 32u + 16 * 80);
        const std::vector<HistorySample> kept = history->ReadNewest(100).Value();
        ASSERT_EQ(kept.size(), 16u);
        EXPECT_EQ(kept.front(), NumberedSample(18));
        EXPECT_EQ(kept.back(), NumberedSample(33));
        // The history goes on in the new file, which is still this object's alone.
        ASSERT_TRUE(history->Append(NumberedSample(34)).IsOk());
        EXPECT_FALSE(OpenHistoryFile(path, LevelAndPump()).IsOk());
    }
    EXPECT_EQ(HistoryFilesIn(dir.Path()).size(), 1u) << "no temporary file is left";
    {
        platform::Result<TrendHistory> reopened = OpenHistoryFile(path, LevelAndPump(), 16);
        ASSERT_TRUE(reopened.IsOk()) << reopened.Error();
        EXPECT_EQ(reopened->RecordCount(), 17u);
        EXPECT_EQ(reopened->ReadNewest(1).Value()[0], NumberedSample(34));
    }

    // A file that grew under a larger bound is cut to a smaller one when it is opened.
    const std::filesystem::path grown = dir / "grown.trh";
    {
        platform::Result<TrendHistory> history = OpenHistoryFile(grown, LevelAndPump(), 1000);
        ASSERT_TRUE(history.IsOk()) << history.Error();
        for (int n = 1; n <= 40; ++n)
            ASSERT_TRUE(history->Append(NumberedSample(n)).IsOk());
    }
    platform::Result<TrendHistory> cut = OpenHistoryFile(grown, LevelAndPump(), 16);
    ASSERT_TRUE(cut.IsOk()) << cut.Error();
    EXPECT_EQ(cut->RecordCount(), 16u);
    EXPECT_EQ(cut->ReadNewest(16).Value().front(), NumberedSample(25));
}

TEST(TrendHistory, AForeignOrDamagedFileIsSetAsideAndASecondWriterRefused)
{
    testsupport::TempDir dir;
    const std::filesystem::path path = dir / "MAIN_TREND1.trh";
    testsupport::WriteFile(path, "not a trend history at all, but somebody's data");
    {
        platform::Result<TrendHistory> history = OpenHistoryFile(path, LevelAndPump());
        ASSERT_TRUE(history.IsOk()) << history.Error();
        EXPECT_EQ(history->RecordCount(), 0u);
        ASSERT_TRUE(history->Append(NumberedSample(1)).IsOk());

        // The file is this object's alone while it is open.
        platform::Result<TrendHistory> second = TrendHistory::Open(path.string(), LevelAndPump());
        ASSERT_FALSE(second.IsOk());
        EXPECT_NE(second.Error().find("in use"), std::string::npos) << second.Error();
    }
    std::vector<std::filesystem::path> files = HistoryFilesIn(dir.Path());
    ASSERT_EQ(files.size(), 2u);
    const auto aside = files[0] == path ? files[1] : files[0];
    EXPECT_NE(aside.filename().string().find(".bad-"), std::string::npos) << aside;
    EXPECT_EQ(testsupport::ReadFile(aside), "not a trend history at all, but somebody's data");

    // Other pencils: the old samples are kept aside whole, the new history starts empty.
    const std::string before = testsupport::ReadFile(path);
    HistoryIdentity other = LevelAndPump();
    other.namesHash = trends::HashPencilNames({"LEVEL", "VALVE"});
    platform::Result<TrendHistory> history = OpenHistoryFile(path, other);
    ASSERT_TRUE(history.IsOk()) << history.Error();
    EXPECT_EQ(history->RecordCount(), 0u);
    files = HistoryFilesIn(dir.Path());
    ASSERT_EQ(files.size(), 3u);
    bool kept = false;
    for (const auto& file : files)
        kept = kept || (file.filename().string().find(".old-") != std::string::npos &&
                        testsupport::ReadFile(file) == before);
    EXPECT_TRUE(kept);

    // A header cut short by a stop during creation holds nothing: it is written again.
    const std::filesystem::path fresh = dir / "fresh.trh";
    testsupport::WriteFile(fresh, trends::EncodeHistoryHeader(LevelAndPump()).substr(0, 11));
    platform::Result<TrendHistory> restarted = OpenHistoryFile(fresh, LevelAndPump());
    ASSERT_TRUE(restarted.IsOk()) << restarted.Error();
    EXPECT_EQ(std::filesystem::file_size(fresh), trends::kHistoryHeaderSize);
    EXPECT_EQ(HistoryFilesIn(dir.Path()).size(), 4u);
}
