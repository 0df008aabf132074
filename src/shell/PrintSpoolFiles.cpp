// Quorva run-time. Licensed under the MIT licence.
#include "shell/PrintSpoolFiles.h"

#include "platform/Log.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <unistd.h>

namespace shell::printfiles {

namespace {

namespace fs = std::filesystem;

constexpr const char* kPdf = ".pdf";
constexpr const char* kTitle = ".title";
constexpr const char* kPart = ".part";
// "YYYYMMDD-HHMMSS-mmm"
constexpr std::size_t kStampLength = 19;

fs::path JobFile(const Directories& directories, const std::string& stem) {
    return directories.spool / (stem + kPdf);
}

fs::path TitleFile(const Directories& directories, const std::string& stem) {
    return directories.spool / (stem + kTitle);
}

void RemoveQuietly(const fs::path& path) {
    std::error_code error;
    fs::remove(path, error);
}

// Flushes a file (and so a copy) to the disk.
bool SyncFile(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

// The first free name in `directory` for `stem` + ".pdf" (then "-2", "-3" ...).
fs::path FreeName(const fs::path& directory, const std::string& stem) {
    fs::path candidate = directory / (stem + kPdf);
    std::error_code error;
    for (int n = 2; fs::exists(candidate, error); ++n)
        candidate = directory / (stem + "-" + std::to_string(n) + kPdf);
    return candidate;
}

} // namespace

Directories Directories::Of(const std::string& projectDirectory, const std::string& directory) {
    Directories directories;
    fs::path print = directory.empty() ? fs::path(projectDirectory) / "Print" : fs::path(directory);
    if (print.is_relative() && !directory.empty())
        print = fs::path(projectDirectory) / print;
    directories.print = print.lexically_normal();
    directories.spool = directories.print / "Spool";
    directories.failed = directories.spool / "Failed";
    return directories;
}

std::string JobNamer::Next(std::chrono::system_clock::time_point now) {
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(
        milliseconds >= 0 ? milliseconds / 1000 : (milliseconds - 999) / 1000);
    const long millis = static_cast<long>(milliseconds - static_cast<long long>(seconds) * 1000);
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    std::array<char, 32> stamp{};
    std::strftime(stamp.data(), stamp.size(), "%Y%m%d-%H%M%S", &utc);
    std::string text = std::string(stamp.data()) + fmt::format("-{:03}", millis);
    if (text.size() != kStampLength || text <= m_lastStamp) {
        // Same millisecond, or the clock went back: the last name's time, counted on.
        if (!m_lastStamp.empty())
            text = m_lastStamp;
        ++m_sequence;
    } else {
        m_sequence = 1;
    }
    m_lastStamp = text;
    return fmt::format("{}-{:06}", text, m_sequence);
}

void JobNamer::SeeExisting(const std::string& stem) {
    if (stem.size() < kStampLength + 2 || stem[kStampLength] != '-')
        return;
    const std::string stamp = stem.substr(0, kStampLength);
    unsigned long sequence = 0;
    try {
        sequence = std::stoul(stem.substr(kStampLength + 1));
    } catch (const std::exception&) {
        return; // not one of ours: it sorts where its name puts it
    }
    if (stamp > m_lastStamp || (stamp == m_lastStamp && sequence > m_sequence)) {
        m_lastStamp = stamp;
        m_sequence = sequence;
    }
}

void MakeDirectories(const Directories& directories) {
    std::error_code error;
    fs::create_directories(directories.spool, error);
    if (error)
        platform::LogError("printing: cannot make the spool directory {}: {}",
                           directories.spool.string(), error.message());
}

std::vector<fs::path> SpooledJobs(const Directories& directories) {
    std::vector<fs::path> jobs;
    std::error_code error;
    for (fs::directory_iterator it(directories.spool, error), end; !error && it != end;
         it.increment(error)) {
        if (it->path().extension() == kPdf && it->is_regular_file(error))
            jobs.push_back(it->path());
    }
    std::sort(jobs.begin(), jobs.end(),
              [](const fs::path& a, const fs::path& b) { return a.filename() < b.filename(); });
    return jobs;
}

std::vector<fs::path> TakeUpLeftovers(const Directories& directories) {
    std::error_code error;
    std::vector<fs::path> parts;
    std::vector<fs::path> titles;
    for (fs::directory_iterator it(directories.spool, error), end; !error && it != end;
         it.increment(error)) {
        if (it->path().extension() == kPart)
            parts.push_back(it->path());
        else if (it->path().extension() == kTitle)
            titles.push_back(it->path());
    }
    for (const fs::path& part : parts) {
        fs::create_directories(directories.failed, error);
        const fs::path kept = FreeName(directories.failed, part.stem().string());
        if (MoveFile(part, kept))
            platform::LogWarning("printing: {} was being written when an earlier run ended; "
                                 "kept as {}",
                                 part.string(), kept.string());
    }
    for (const fs::path& title : titles)
        if (!fs::exists(directories.spool / (title.stem().string() + kPdf), error))
            RemoveQuietly(title);
    return SpooledJobs(directories);
}

fs::path PartPath(const Directories& directories, unsigned number) {
    return directories.spool / fmt::format("render-{}-{}{}", ::getpid(), number, kPart);
}

platform::Status MoveFile(const fs::path& from, const fs::path& to) {
    std::error_code error;
    fs::rename(from, to, error);
    if (!error)
        return {};
    if (error != std::errc::cross_device_link)
        return platform::Fail(error.message());
    // Another file system: a copy that reaches the disk before the original goes.
    const fs::path partial = fs::path(to.string() + kPart);
    fs::copy_file(from, partial, fs::copy_options::overwrite_existing, error);
    if (error) {
        RemoveQuietly(partial);
        return platform::Fail(error.message());
    }
    if (!SyncFile(partial)) {
        const std::string why = std::strerror(errno);
        RemoveQuietly(partial);
        return platform::Fail(why);
    }
    fs::rename(partial, to, error);
    if (error) {
        RemoveQuietly(partial);
        return platform::Fail(error.message());
    }
    RemoveQuietly(from);
    return {};
}

bool Accept(const Directories& directories, const IncomingJob& job) {
    std::error_code error;
    if (!fs::is_regular_file(job.source, error)) {
        platform::LogError("printing: job \"{}\" lost: its file {} does not exist", job.title,
                           job.source);
        return false;
    }
    fs::create_directories(directories.spool, error);
    {
        std::ofstream title(TitleFile(directories, job.stem), std::ios::binary | std::ios::trunc);
        title << job.title;
        if (!title)
            platform::LogWarning("printing: cannot keep the title of job {} in {}", job.stem,
                                 directories.spool.string());
    }
    const platform::Status moved = MoveFile(job.source, JobFile(directories, job.stem));
    if (!moved) {
        RemoveQuietly(TitleFile(directories, job.stem));
        platform::LogError("printing: job \"{}\" lost: it cannot be kept in the spool {} ({}); "
                           "its file stays at {}",
                           job.title, directories.spool.string(), moved.Error(), job.source);
        return false;
    }
    return true;
}

std::string ReadTitle(const Directories& directories, const std::string& stem) {
    std::ifstream in(TitleFile(directories, stem), std::ios::binary);
    if (!in)
        return stem;
    std::string title((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return title.empty() ? stem : title;
}

bool LooksLikePdf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::array<char, 5> head{};
    in.read(head.data(), head.size());
    return in.gcount() == 5 && std::string_view(head.data(), head.size()) == "%PDF-";
}

platform::Result<fs::path> FileJob(const Directories& directories, const std::string& stem) {
    std::error_code error;
    fs::create_directories(directories.print, error);
    if (error)
        return platform::Fail(
            fmt::format("cannot make {}: {}", directories.print.string(), error.message()));
    const fs::path target = FreeName(directories.print, stem);
    const platform::Status moved = MoveFile(JobFile(directories, stem), target);
    if (!moved)
        return platform::Fail(fmt::format("cannot write {}: {}", target.string(), moved.Error()));
    RemoveQuietly(TitleFile(directories, stem));
    return target;
}

void MoveToFailed(const Directories& directories, const std::string& stem,
                  const std::string& title, const std::string& why) {
    std::error_code error;
    fs::create_directories(directories.failed, error);
    const fs::path target = FreeName(directories.failed, stem);
    const platform::Status moved = MoveFile(JobFile(directories, stem), target);
    if (!moved) {
        // It stays where it is; the jobs behind it are still sent.
        platform::LogError("printing: job \"{}\" ({}) cannot be printed ({}) and cannot be set "
                           "aside in {} ({})",
                           title, stem, why, directories.failed.string(), moved.Error());
        return;
    }
    if (!MoveFile(TitleFile(directories, stem), target.string() + kTitle))
        RemoveQuietly(TitleFile(directories, stem));
    platform::LogError("printing: job \"{}\" cannot be printed: {}; kept as {}", title, why,
                       target.string());
}

void RemoveJob(const Directories& directories, const std::string& stem) {
    RemoveQuietly(JobFile(directories, stem));
    RemoveQuietly(TitleFile(directories, stem));
}

} // namespace shell::printfiles
