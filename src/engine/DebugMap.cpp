// Quorva run-time. Licensed under the MIT licence.
#include "engine/DebugMap.h"

#include "platform/Log.h"
#include "platform/PathMap.h"

#include <array>
#include <filesystem>
#include <fmt/format.h>
#include <system_error>

namespace engine {
namespace {

// Deletes `path` when it exists; false (logged) when it stays.
bool DeleteOld(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return true;
    if (std::filesystem::remove(path, error))
        return true;
    platform::LogWarning("debug map: cannot delete {}: {}", path, error.message());
    return false;
}

std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

} // namespace

std::optional<DebugMap> DebugMap::Begin(std::string_view unitPath,
                                        platform::GuestAddress codeBase) {
    const std::string vadPath = platform::HostPath(std::string(unitPath) + ".VAD");
    const std::string vidPath = platform::HostPath(std::string(unitPath) + ".VID");
    if (!DeleteOld(vadPath) || !DeleteOld(vidPath))
        return std::nullopt;

    const std::array<char, 4> base = {
        static_cast<char>(codeBase & 0xFF), static_cast<char>((codeBase >> 8) & 0xFF),
        static_cast<char>((codeBase >> 16) & 0xFF), static_cast<char>((codeBase >> 24) & 0xFF)};
    std::ofstream vad(vadPath, std::ios::binary | std::ios::trunc);
    vad.write(base.data(), base.size());
    vad.close();
    if (!vad) {
        platform::LogWarning("debug map: cannot write {}", vadPath);
        return std::nullopt;
    }
    std::ofstream vid(vidPath, std::ios::binary | std::ios::trunc);
    if (!vid) {
        platform::LogWarning("debug map: cannot write {}", vidPath);
        return std::nullopt;
    }
    return DebugMap(vidPath, std::move(vid));
}

void DebugMap::AddVariable(const QruVariable& variable, platform::GuestAddress address) {
    if (!m_file.is_open())
        return;
    m_file << fmt::format("{}={}={}={}={}\r\n", OneLine(variable.name), address, variable.type,
                          variable.elementType, OneLine(variable.typeName));
}

bool DebugMap::Close() {
    if (!m_file.is_open())
        return true;
    m_file.close();
    if (!m_file) {
        platform::LogWarning("debug map: writing {} failed", m_vidPath);
        return false;
    }
    return true;
}

} // namespace engine
