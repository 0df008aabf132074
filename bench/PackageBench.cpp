// Quorva run-time. Licensed under the MIT licence.
#include "shell/Package.h"
#include "shell/PackageWriter.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fmt/format.h>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <zlib.h>

namespace {

constexpr std::size_t kBigEntrySize = 20 * 1024 * 1024;
constexpr int kEntryCount = 200;

// Trend-log-like text: time stamps, tag names, measured values and states. It compresses about
// as well as the text and data files of real projects, unlike runs of one byte.
std::string RealisticData(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 2.5);
    static const char* const kStates[] = {"OK", "OK", "OK", "WARN", "ALARM", "MAINT"};
    std::string data;
    data.reserve(size + 128);
    double value = 50.0;
    for (unsigned line = 0; data.size() < size; ++line) {
        value += noise(random);
        unsigned ms = line * 137 + random() % 97;
        fmt::format_to(
            std::back_inserter(data),
            "2024-03-{:02}T{:02}:{:02}:{:02}.{:03};LINE{}_TAG_{:03};{:.3f};{};{:08X}\r\n",
            1 + (ms / 86400000) % 28, (ms / 3600000) % 24, (ms / 60000) % 60, (ms / 1000) % 60,
            ms % 1000, random() % 4, random() % 200, value, kStates[random() % 6],
            static_cast<unsigned>(random()));
    }
    data.resize(size);
    return data;
}

std::string Compress(const std::string& content) {
    uLongf size = compressBound(content.size());
    std::string out(size, '\0');
    if (compress(reinterpret_cast<Bytef*>(out.data()), &size,
                 reinterpret_cast<const Bytef*>(content.data()), content.size()) != Z_OK)
        std::abort();
    out.resize(size);
    return out;
}

// A package file of 200 entries, the 20 MB one last so that each look-up walks past all the
// others, as a look-up of the last file of a project does.
struct Fixture {
    Fixture() {
        directory = std::filesystem::temp_directory_path() /
                    fmt::format("quorva-package-bench-{}", ::getpid());
        std::filesystem::create_directories(directory);
        shell::PackageBuilder builder;
        for (int i = 0; i < kEntryCount - 1; ++i) {
            std::size_t size = 2000 + static_cast<std::size_t>(i) * 397 % 60000;
            if (!builder.AddFile(fmt::format("FILE{:03}.SYN", i), RealisticData(size, i)).IsOk())
                std::abort();
        }
        big = RealisticData(kBigEntrySize, 12345);
        stored = Compress(big);
        if (!builder.AddStored("BIG.DAT", stored).IsOk())
            std::abort();
        path = (directory / "project.pkg").string();
        if (!shell::WriteFileAtomically(path, shell::PackageFileBytes(builder.Bytes()), false)
                 .IsOk())
            std::abort();
    }
    ~Fixture() {
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }

    std::filesystem::path directory;
    std::string path;
    std::string big;
    std::string stored;
};

Fixture& Data() {
    static Fixture s_fixture;
    return s_fixture;
}

// What the package does for the big entry.
std::size_t OpenBig(const shell::ProjectPackage& package) {
    auto stream = package.Open("big.dat");
    if (!stream || stream->Size() != kBigEntrySize)
        std::abort();
    return static_cast<std::size_t>(stream->Size());
}

// zlib's one-call inflate of the same stream into a buffer of the known size.
std::size_t Uncompress(const std::string& stored, Bytef* out) {
    uLongf size = kBigEntrySize;
    if (uncompress(out, &size, reinterpret_cast<const Bytef*>(stored.data()), stored.size()) !=
            Z_OK ||
        size != kBigEntrySize)
        std::abort();
    return size;
}

void BM_PackageOpenBigEntry(benchmark::State& state) {
    Fixture& data = Data();
    auto package = shell::ProjectPackage::ForExecutable(data.path);
    for (auto _ : state)
        benchmark::DoNotOptimize(OpenBig(package));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kBigEntrySize));
}
BENCHMARK(BM_PackageOpenBigEntry)->Unit(benchmark::kMillisecond);

void BM_ZlibUncompressBigEntry(benchmark::State& state) {
    Fixture& data = Data();
    std::unique_ptr<Bytef[]> out(new Bytef[kBigEntrySize]);
    for (auto _ : state)
        benchmark::DoNotOptimize(Uncompress(data.stored, out.get()));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kBigEntrySize));
}
BENCHMARK(BM_ZlibUncompressBigEntry)->Unit(benchmark::kMillisecond);

// Both in each iteration, in alternating order, so that they meet the same machine state; the
// counter "ratio" is the package's time over zlib's. zlib gets a buffer that is allocated and
// touched once, the package allocates its own each time, as its callers need.
void BM_PackageOpenOverUncompress(benchmark::State& state) {
    Fixture& data = Data();
    auto package = shell::ProjectPackage::ForExecutable(data.path);
    std::unique_ptr<Bytef[]> out(new Bytef[kBigEntrySize]);
    Uncompress(data.stored, out.get());
    using Clock = std::chrono::steady_clock;
    Clock::duration openTime{}, uncompressTime{};
    bool openFirst = true;
    for (auto _ : state) {
        for (int step = 0; step < 2; ++step) {
            auto start = Clock::now();
            if ((step == 0) == openFirst) {
                benchmark::DoNotOptimize(OpenBig(package));
                openTime += Clock::now() - start;
            } else {
                benchmark::DoNotOptimize(Uncompress(data.stored, out.get()));
                uncompressTime += Clock::now() - start;
            }
        }
        openFirst = !openFirst;
    }
    auto ms = [&](Clock::duration total) {
        return std::chrono::duration<double, std::milli>(total).count() /
               static_cast<double>(state.iterations());
    };
    state.counters["open_ms"] = ms(openTime);
    state.counters["uncompress_ms"] = ms(uncompressTime);
    state.counters["ratio"] = ms(openTime) / ms(uncompressTime);
    state.counters["compression"] =
        static_cast<double>(kBigEntrySize) / static_cast<double>(data.stored.size());
}
BENCHMARK(BM_PackageOpenOverUncompress)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// A look-up that walks all 200 headers and finds nothing (falls to a missing disk file).
void BM_PackageMissWalksAllHeaders(benchmark::State& state) {
    auto package = shell::ProjectPackage::ForExecutable(Data().path);
    for (auto _ : state)
        benchmark::DoNotOptimize(package.Contains("NOT_THERE.QRU"));
}
BENCHMARK(BM_PackageMissWalksAllHeaders)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
