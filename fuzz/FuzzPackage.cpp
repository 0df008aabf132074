// Quorva run-time. Licensed under the MIT licence.
#include "platform/Log.h"
#include "shell/Package.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

// One temporary file for the whole run, rewritten with each input and removed at exit. The name
// is a plain array so that it outlives every exit handler.
const char* InputPath() {
    static char s_path[] = "/tmp/quorva-fuzz-package-XXXXXX";
    static const bool s_created = [] {
        int fd = ::mkstemp(s_path);
        if (fd < 0)
            std::abort();
        ::close(fd);
        std::atexit([] { ::unlink(s_path); });
        platform::log::SetLevel(platform::LogLevel::Off);
        return true;
    }();
    static_cast<void>(s_created);
    return s_path;
}

void Exercise(const shell::ProjectPackage& package) {
    std::string damage;
    auto entries = package.List(&damage);
    // Open a few names that are in the package; only names without a directory, so that a miss
    // never reaches for an arbitrary disk path. The first entry of a name is the one opened and
    // must give what the listing says (the marker entry is listed raw but opens as empty).
    for (std::size_t i = 0; i < entries.size() && i < 6; ++i) {
        const std::string& name = entries[i].name;
        if (name.empty() || name.find_first_of("/\\:") != std::string::npos)
            continue;
        auto stream = package.Open(name);
        if (!stream || !package.Contains(name))
            std::abort();
        std::size_t first = 0;
        while (shell::PackageKey(entries[first].name) != shell::PackageKey(name))
            ++first;
        bool marker = i == 0 && name == shell::kMarkerEntryName;
        if (first == i && !marker && stream->Size() != entries[i].inflatedSize)
            std::abort();
        if (stream->ReadAll().size() != stream->Size())
            std::abort();
    }
    static_cast<void>(package.Contains("KESTRA.PFC"));
    static_cast<void>(package.Open("PIVARD"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = InputPath();
    int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC);
    if (fd < 0)
        std::abort();
    std::size_t done = 0;
    while (done < size) {
        ssize_t written = ::write(fd, data + done, size - done);
        if (written <= 0)
            std::abort();
        done += static_cast<std::size_t>(written);
    }
    ::close(fd);

    // As the run-time finds it: through the marker slot.
    Exercise(shell::ProjectPackage::ForExecutable(path));
    // And directly from an offset taken from the first byte, so that inputs need not find the
    // marker to reach the entry walk.
    if (size > 0)
        Exercise(shell::ProjectPackage(path, data[0] % 16));
    return 0;
}
