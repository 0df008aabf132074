// Quorva run-time. Licensed under the MIT licence.
// Writing the files a unit module carries into the project directory.
#include "engine/Loader.h"
#include "engine/QruReader.h"
#include "platform/CodePage.h"
#include "platform/Log.h"
#include "platform/PathMap.h"
#include "shell/Stream.h"

#include <filesystem>
#include <fstream>
#include <variant>

namespace engine {

namespace {

namespace fs = std::filesystem;

// A file name that stays inside the directory it is written to.
bool IsPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string_view::npos &&
           name.find(':') == std::string_view::npos;
}

} // namespace

std::size_t Loader::ExtractAttachments(const std::string& modulePath,
                                       const std::string& directory) {
    std::unique_ptr<shell::FileStream> stream = shell::FileStream::Open(modulePath);
    if (!stream)
        return 0;
    auto read = ReadQruModule(stream->ReadAll());
    if (const QruError* error = std::get_if<QruError>(&read)) {
        platform::LogWarning("loader: no attachments taken from {}: {}", modulePath,
                             error->message);
        return 0;
    }
    const QruModule& module = std::get<QruModule>(read);
    if (!module.attachments)
        return 0;
    std::size_t written = 0;
    for (const QruAttachedFile& file : module.attachments->files) {
        if (!IsPlainFileName(file.fileName)) {
            platform::LogWarning("loader: attached file '{}' of {} not written: the name holds "
                                 "a directory",
                                 platform::CodePageToUtf8(file.fileName), modulePath);
            continue;
        }
        const fs::path target = fs::path(directory) / platform::CodePageToUtf8(file.fileName);
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        out.write(file.bytes.data(), static_cast<std::streamsize>(file.bytes.size()));
        out.close();
        if (!out) {
            platform::LogError("loader: cannot write attached file {}", target.string());
            continue;
        }
        ++written;
    }
    return written;
}

// Attachments are taken only when a file named exactly like the unit (no extension) lies in
// the current directory: the editor's palette leaves that marker when it wants them.
void Loader::ExtractAttachmentsFor(const std::string& directory, const std::string& name) {
    std::error_code ignored;
    if (!fs::exists(platform::CodePageToUtf8(name), ignored))
        return;
    const std::string relative = (directory.empty() ? name : directory + "\\" + name) + ".QRU";
    const std::string projectDirectory =
        m_context.projectDirectory ? m_context.projectDirectory() : std::string();
    const std::string modulesDirectory =
        m_context.modulesDirectory ? m_context.modulesDirectory() : std::string();

    std::vector<std::string> candidates{platform::HostPath(relative)};
    for (const std::string& base : {projectDirectory, modulesDirectory}) {
        if (!base.empty())
            candidates.push_back(
                platform::ResolveCase((fs::path(base) / platform::HostPath(relative)).string()));
    }
    const std::string target = projectDirectory.empty() ? std::string(".") : projectDirectory;
    for (const std::string& candidate : candidates) {
        if (fs::is_regular_file(candidate, ignored)) {
            const std::size_t count = ExtractAttachments(candidate, target);
            platform::LogInfo("loader: {} attached files of {} written to {}", count, candidate,
                              target);
            return;
        }
    }
}

} // namespace engine
