// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Log.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>

namespace fuzzsupport {

// A directory of this process for the files a fuzz target has its readers open and repair, on
// memory when the system has one (they flush their files); removed at exit. Making it silences
// the run-time's log, so that the fuzzer's output holds only its own findings. Hold one in a
// function-local static: one thread.
class WorkDirectory {
public:
    // `prefix` names the directory, as "fuzz-dbf".
    explicit WorkDirectory(std::string_view prefix) {
        std::error_code error;
        std::filesystem::path base = "/dev/shm";
        if (!std::filesystem::is_directory(base, error))
            base = std::filesystem::temp_directory_path();
        std::string pattern = (base / (std::string(prefix) + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        m_path = pattern;
        platform::log::SetLevel(platform::LogLevel::Off);
    }
    ~WorkDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    WorkDirectory(const WorkDirectory&) = delete;
    WorkDirectory& operator=(const WorkDirectory&) = delete;

    const std::string& Path() const { return m_path; }

    // Empties the directory between inputs (set-aside files pile up otherwise).
    void Clear() const {
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(m_path, ignored))
            std::filesystem::remove(entry.path(), ignored);
    }

    // Writes `bytes` as the file `name` of the directory, replacing one there; its path.
    std::string Write(std::string_view name, std::string_view bytes) const {
        const std::string path = m_path + "/" + std::string(name);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

private:
    std::string m_path;
};

} // namespace fuzzsupport
