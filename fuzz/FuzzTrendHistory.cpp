// Quorva run-time. Licensed under the MIT licence.
#include "platform/Log.h"
#include "trends/TrendHistory.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

// A directory of this process for the history files, on memory when the system has one (the
// history flushes its file); removed at exit.
class WorkDirectory {
public:
    WorkDirectory() {
        std::error_code error;
        std::filesystem::path base = "/dev/shm";
        if (!std::filesystem::is_directory(base, error))
            base = std::filesystem::temp_directory_path();
        std::string pattern = (base / "fuzz-trend-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        m_path = pattern;
        platform::log::SetLevel(platform::LogLevel::Off);
    }
    ~WorkDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::string& Path() const { return m_path; }

    // Empties the directory between inputs (set-aside files pile up otherwise).
    void Clear() const {
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(m_path, ignored))
            std::filesystem::remove(entry.path(), ignored);
    }

private:
    std::string m_path;
};

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
    static const WorkDirectory work;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    platform::Result<trends::ParsedHistory> parsed = trends::ParseHistory(bytes);
    if (parsed)
        CheckParsed(parsed.Value(), size);

    // The same bytes as a file on the disk, opened (and repaired) under the identity its header
    // names, or another one when it names none: every outcome must leave a file that reads back
    // whole and takes a new sample.
    work.Clear();
    const std::string path = work.Path() + "/MAIN_TREND1.trh";
    {
        std::ofstream out(path, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
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
