// Quorva run-time. Licensed under the MIT licence.
#include "shell/ShellContext.h"

#include "platform/Log.h"
#include "platform/PathMap.h"

#include <fstream>
#include <iterator>
#include <optional>

namespace shell {

namespace {

std::optional<std::string> ReadDiskFile(std::string_view projectPath) {
    std::ifstream in(platform::HostPath(projectPath), std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

ShellContext::ShellContext(ProjectPackage package, LinkArea link, bool headless)
    : m_package(std::move(package)), m_link(std::move(link)), m_presenter(headless),
      m_boxes(m_dictionary, m_presenter) {}

ShellContext::~ShellContext() = default;

platform::Result<std::unique_ptr<ShellContext>> ShellContext::Create(const ShellSettings& settings) {
    ProjectPackage package = ProjectPackage::ForExecutable(settings.packageFile);
    if (package.Offset() != 0)
        platform::LogInfo("project package in {} at offset {}", settings.packageFile,
                          package.Offset());
    else
        platform::LogInfo("no project package: project files come from the disk");

    platform::Result<LinkArea> link = LinkArea::Attach();
    if (!link)
        return platform::Fail("cannot attach the editor link area: " + link.Error());

    std::unique_ptr<ShellContext> context(
        new ShellContext(std::move(package), std::move(link.Value()), settings.headless));

    // The dictionary: language of the locale, then "ForceLang.txt" from the installation
    // directory, then "Dico.lng" from the package or the disk beside the project.
    std::optional<std::string> forceLang = ReadDiskFile("ForceLang.txt");
    std::optional<std::string> dico;
    if (std::unique_ptr<Stream> stream = context->m_package.Open("Dico.lng"))
        dico = stream->ReadAll();
    context->m_dictionary.Initialise(
        settings.localeLanguage,
        forceLang ? std::optional<std::string_view>(*forceLang) : std::nullopt,
        dico ? std::optional<std::string_view>(*dico) : std::nullopt);
    platform::LogInfo("language {}, {} dictionary entries", context->m_dictionary.LanguageNumber(),
                      context->m_dictionary.EntryCount());
    return context;
}

} // namespace shell
