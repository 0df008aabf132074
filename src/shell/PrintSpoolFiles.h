// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Result.h"

// The files of the print spool: job names, the spool directory and the print directory. A job
// is "<stem>.pdf" in the spool with its title in "<stem>.title"; it leaves the spool for the
// print directory, for "Spool/Failed", or when CUPS took it. Called by the spool's worker
// (and its constructor, before the worker runs); the job namer by whoever holds the spool's lock.
namespace shell::printfiles {

struct Directories {
    std::filesystem::path print;  // PDF files of jobs that were not printed
    std::filesystem::path spool;  // jobs waiting to be sent
    std::filesystem::path failed; // jobs that cannot be printed at all

    // `directory` empty: "<project>/Print"; a relative one is taken from the project directory.
    static Directories Of(const std::string& projectDirectory, const std::string& directory);
};

struct IncomingJob {
    std::string stem;   // the name it gets in the spool, without ".pdf"
    std::string title;
    std::string source; // the file as submitted
};

// Names that sort by time: "YYYYMMDD-HHMMSS-mmm-NNNNNN" (UTC, then a sequence number). A clock
// that goes back does not break the order: the name of the last job is kept and counted on.
class JobNamer {
public:
    std::string Next(std::chrono::system_clock::time_point now);
    // Names of earlier jobs still waiting: new names sort after them.
    void SeeExisting(const std::string& stem);

private:
    std::string m_lastStamp;
    unsigned long m_sequence = 0;
};

// Makes the spool directory (and the print directory above it); failures are logged (jobs
// then wait or are reported lost).
void MakeDirectories(const Directories& directories);
// At start: the spool's jobs in name order. Files a renderer left half written go to
// "Failed"; titles without their job are removed.
std::vector<std::filesystem::path> TakeUpLeftovers(const Directories& directories);
// The jobs in the spool, in name order.
std::vector<std::filesystem::path> SpooledJobs(const Directories& directories);
// A file name in the spool for a renderer to write into (ignored until submitted).
std::filesystem::path PartPath(const Directories& directories, unsigned number);

// Moves a submitted file into the spool with its title; a job that cannot be kept is logged
// as lost (its file is left where it was). False then.
bool Accept(const Directories& directories, const IncomingJob& job);
// The title of a spooled job: its ".title" file, else the stem.
std::string ReadTitle(const Directories& directories, const std::string& stem);
// A PDF file begins with "%PDF-".
bool LooksLikePdf(const std::filesystem::path& file);
// Moves a spooled job into the print directory under its own name; the path it got.
platform::Result<std::filesystem::path> FileJob(const Directories& directories,
                                                const std::string& stem);
// Moves a spooled job to "Failed", with an error in the log.
void MoveToFailed(const Directories& directories, const std::string& stem,
                  const std::string& title, const std::string& why);
// Removes a job that was sent.
void RemoveJob(const Directories& directories, const std::string& stem);

// Moves a file: a rename, or a copy (flushed to disk) and a removal across file systems.
platform::Status MoveFile(const std::filesystem::path& from, const std::filesystem::path& to);

} // namespace shell::printfiles
