// Quorva run-time. Licensed under the MIT licence.
#include "FuzzWorkDirectory.h"
#include "trends/TrendHistory.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace {

// What the whole-file reader returns must agree with the bytes it read.
void CheckParsed(const trends::ParsedHistory& parsed, std::size_t size) {
    const std::size_t header = trends::kHistoryHeaderSize;
    const std::size_t record = trends::kHistoryRecordSize;
    if (parsed.keptBytes < header || parsed.keptBytes > size ||
        (parsed.keptBytes - header) % record != 0 ||
        parsed.samples.size() + parsed.damagedRecords != (parsed.keptBytes - header) / record)
        std::abort();
    for (const trends::HistorySample& sample : parsed.samples) {
        const auto again = trends::DecodeHistoryRecord(trends::EncodeHistoryRecord(sample));
        if (!again || !(*again == sample))
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzzsupport::WorkDirectory work("fuzz-trend");
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    platform::Result<trends::ParsedHistory> parsed = trends::ParseHistory(bytes);
    if (parsed)
        CheckParsed(parsed.Value(), size);

    // The same bytes as a file on the disk, opened (and repaired) under the identity its header
    // names, or another one when it names none: every outcome must leave a file that reads back
    // whole and takes a new sample.
    work.Clear();
    const std::string path = work.Write("MAIN_TREND1.trh", bytes);
    trends::HistoryIdentity identity{0x03, 1000, 12345};
    if (platform::Result<trends::HistoryIdentity> named = trends::DecodeHistoryHeader(bytes))
        identity = named.Value();
    platform::Result<trends::TrendHistory> history = trends::TrendHistory::Open(path, identity, 16);
    if (!history)
        return 0;
    const std::size_t count = history->RecordCount();
    if (count > 32 || (size >= trends::kHistoryHeaderSize &&
                       count > (size - trends::kHistoryHeaderSize) / trends::kHistoryRecordSize))
        std::abort();
    platform::Result<std::vector<trends::HistorySample>> newest = history->ReadNewest(count);
    if (!newest || newest->size() > count)
        std::abort();
    trends::HistorySample sample;
    sample.utcMilliseconds = 1765270800000;
    sample.values[0] = 42;
    sample.setMask = 1;
    if (!history->Append(sample))
        std::abort();
    std::error_code error;
    if (std::filesystem::file_size(path, error) !=
        trends::kHistoryHeaderSize + history->RecordCount() * trends::kHistoryRecordSize)
        std::abort();
    return 0;
}
