// Quorva run-time. Licensed under the MIT licence.
#include "screens/ListFileIo.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include <QSaveFile>
#include <QByteArray>
#include <QFile>

#include <fmt/format.h>

#include "platform/PathMap.h"

namespace screens {

bool ListFileExists(std::string_view projectPath)
{
    if (projectPath.empty())
        return false;
    std::error_code error;
    return std::filesystem::is_regular_file(platform::HostPath(projectPath), error);
}

platform::Result<std::string> ReadListFile(std::string_view projectPath, std::uint64_t maxSize)
{
    const std::string host = platform::HostPath(projectPath);
    std::error_code error;
    if (!std::filesystem::is_regular_file(host, error))
        return platform::Fail(fmt::format("{}: no such file", host));
    const std::uintmax_t size = std::filesystem::file_size(host, error);
    if (error)
        return platform::Fail(fmt::format("{}: {}", host, error.message()));
    if (size > maxSize)
        return platform::Fail(fmt::format("{}: {} bytes, more than the {} allowed", host, size, maxSize));
    std::ifstream in(host, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!in || !in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
        return platform::Fail(fmt::format("{}: cannot be read", host));
    return bytes;
}

platform::Status WriteListFile(std::string_view projectPath, std::string_view bytes)
{
    if (projectPath.empty() || projectPath.find_first_of("*?") != std::string_view::npos)
        return platform::Fail(fmt::format("\"{}\" is no file name", projectPath));
    const std::string host = platform::HostPath(projectPath);
    QSaveFile file(QFile::decodeName(QByteArray(host.data(), static_cast<qsizetype>(host.size()))));
    if (!file.open(QIODevice::WriteOnly))
        return platform::Fail(fmt::format("{}: cannot be written: {}", host, file.errorString().toStdString()));
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()) ||
        !file.commit())
        return platform::Fail(fmt::format("{}: writing failed: {}", host, file.errorString().toStdString()));
    return {};
}

} // namespace screens
