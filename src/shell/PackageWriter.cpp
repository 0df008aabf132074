// Quorva run-time. Licensed under the MIT licence.
#include "shell/PackageWriter.h"

#include "platform/CodePage.h"
#include "shell/Package.h"
#include "shell/Stream.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fmt/format.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace shell {

namespace {

constexpr std::size_t kMaxNameLength = 255;
constexpr std::int32_t kPackageFileOffset = static_cast<std::int32_t>(kPackageSlotSize);

void AppendInt32(std::string& out, std::int32_t value) {
    auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((bits >> shift) & 0xFF));
}

void StoreInt32(char* out, std::int32_t value) {
    auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
}

std::string UpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

std::string ErrnoText() {
    return std::strerror(errno);
}

} // namespace

PackageBuilder::PackageBuilder() {
    static_cast<void>(AddStored(kMarkerEntryName, kMarkerEntryData));
}

platform::Status PackageBuilder::AddFile(std::string_view name, std::string_view content) {
    uLong bound = compressBound(static_cast<uLong>(content.size()));
    std::vector<Bytef> stored(bound);
    uLongf storedSize = bound;
    int status =
        compress(stored.data(), &storedSize, reinterpret_cast<const Bytef*>(content.data()),
                 static_cast<uLong>(content.size()));
    if (status != Z_OK)
        return platform::Fail(fmt::format("{}: compression failed (zlib status {})",
                                          platform::CodePageToUtf8(name), status));
    return AddStored(UpperAscii(name),
                     std::string_view(reinterpret_cast<const char*>(stored.data()), storedSize));
}

platform::Status PackageBuilder::AddStored(std::string_view name, std::string_view stored) {
    if (name.size() > kMaxNameLength)
        return platform::Fail(fmt::format("{}: name longer than {} bytes",
                                          platform::CodePageToUtf8(name), kMaxNameLength));
    if (stored.size() > static_cast<std::size_t>(INT32_MAX))
        return platform::Fail(fmt::format("{}: {} stored bytes do not fit a package entry",
                                          platform::CodePageToUtf8(name), stored.size()));
    AppendInt32(m_bytes, static_cast<std::int32_t>(stored.size()));
    m_bytes.push_back(static_cast<char>(name.size()));
    m_bytes.append(name);
    m_bytes.append(stored);
    return {};
}

platform::Result<std::string> PackDirectory(const std::string& directory) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::directory_iterator it(directory, error);
    if (error)
        return platform::Fail(fmt::format("{}: {}", directory, error.message()));

    struct File {
        std::string key;
        fs::path path;
    };
    std::vector<File> files;
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (!it->is_regular_file(error))
            continue;
        std::string name = it->path().filename().string();
        std::string bytes = platform::Utf8ToCodePage(name);
        if (platform::CodePageToUtf8(bytes) != name)
            return platform::Fail(fmt::format("{}: the name cannot be written in the code page {}",
                                              it->path().string(), platform::SystemCodePage()));
        files.push_back({UpperAscii(bytes), it->path()});
    }
    if (error)
        return platform::Fail(fmt::format("{}: {}", directory, error.message()));
    std::sort(files.begin(), files.end(),
              [](const File& a, const File& b) { return a.key < b.key; });
    auto twin = std::adjacent_find(files.begin(), files.end(),
                                   [](const File& a, const File& b) { return a.key == b.key; });
    if (twin != files.end())
        return platform::Fail(fmt::format("{}: {} and {} differ only in letter case; a package "
                                          "cannot hold both",
                                          directory, twin->path.filename().string(),
                                          (twin + 1)->path.filename().string()));

    PackageBuilder builder;
    for (const File& file : files) {
        auto stream = FileStream::Open(file.path.string());
        if (!stream)
            return platform::Fail(fmt::format("{}: cannot be read", file.path.string()));
        std::string content = stream->ReadAll();
        if (auto added = builder.AddFile(file.key, content); !added)
            return platform::Fail(fmt::format("{}: {}", file.path.string(), added.Error()));
    }
    return builder.Take();
}

std::string PackageFileBytes(std::string_view package) {
    std::string bytes = PackageSlotMarker();
    AppendInt32(bytes, kPackageFileOffset);
    bytes.append(package);
    return bytes;
}

platform::Result<std::string> BundleBytes(std::string_view executable, std::string_view package) {
    std::size_t marker = executable.find(PackageSlotMarker());
    if (marker == std::string_view::npos)
        return platform::Fail("holds no package slot marker; is it the run-time executable?");
    std::size_t slot = marker + kPackageSlotMarkerSize;
    if (executable.size() - slot < 4)
        return platform::Fail(
            fmt::format("the package marker at offset {} has no slot after it", marker));
    if (executable[slot] != kNoPackageSlotByte)
        return platform::Fail(fmt::format("the package slot at offset {} is not \"X\"-marked: the "
                                          "file already has a package; bundle the plain run-time",
                                          slot));
    if (executable.size() >= static_cast<std::size_t>(INT32_MAX))
        return platform::Fail(
            fmt::format("{} bytes is too large for a 32-bit package offset", executable.size()));
    std::string bundle;
    bundle.reserve(executable.size() + package.size() + 1);
    bundle.append(executable);
    // A slot whose first byte reads "X" means "no package", so an offset whose low byte is
    // 0x58 would hide the package: one padding byte moves it.
    if ((executable.size() & 0xFF) == static_cast<unsigned char>(kNoPackageSlotByte))
        bundle.push_back('\0');
    StoreInt32(bundle.data() + slot, static_cast<std::int32_t>(bundle.size()));
    bundle.append(package);
    return bundle;
}

platform::Status WriteFileAtomically(const std::string& outPath, std::string_view bytes,
                                     bool executable) {
    static std::atomic<unsigned> s_counter{0};
    std::size_t slash = outPath.rfind('/');
    std::string directory =
        slash == std::string::npos ? std::string() : outPath.substr(0, slash + 1);
    std::string temporary = fmt::format("{}.quorva-{}-{}.tmp", directory, ::getpid(), ++s_counter);
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                    executable ? 0777 : 0666);
    if (fd < 0)
        return platform::Fail(
            fmt::format("{}: cannot create a file beside it: {}", outPath, ErrnoText()));
    std::size_t done = 0;
    std::string failure;
    while (done < bytes.size()) {
        ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            failure = written < 0 ? ErrnoText() : "nothing written";
            break;
        }
        done += static_cast<std::size_t>(written);
    }
    if (::close(fd) != 0 && failure.empty())
        failure = ErrnoText();
    if (failure.empty() && ::rename(temporary.c_str(), outPath.c_str()) != 0)
        failure = ErrnoText();
    if (!failure.empty()) {
        ::unlink(temporary.c_str());
        return platform::Fail(fmt::format("{}: cannot be written: {}", outPath, failure));
    }
    return {};
}

platform::Status WritePackageFile(const std::string& outPath, const std::string& directory) {
    auto package = PackDirectory(directory);
    if (!package)
        return platform::Fail(package.Error());
    return WriteFileAtomically(outPath, PackageFileBytes(package.Value()), false);
}

platform::Status BundleExecutable(const std::string& runtimePath, const std::string& directory,
                                  const std::string& outPath) {
    auto runtime = FileStream::Open(runtimePath);
    if (!runtime)
        return platform::Fail(fmt::format("{}: cannot be read", runtimePath));
    std::string executable = runtime->ReadAll();
    auto package = PackDirectory(directory);
    if (!package)
        return platform::Fail(package.Error());
    auto bundle = BundleBytes(executable, package.Value());
    if (!bundle)
        return platform::Fail(fmt::format("{}: {}", runtimePath, bundle.Error()));
    return WriteFileAtomically(outPath, bundle.Value(), true);
}

} // namespace shell
