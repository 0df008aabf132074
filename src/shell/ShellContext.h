// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <memory>
#include <string>

#include "platform/Result.h"
#include "shell/Dictionary.h"
#include "shell/LinkArea.h"
#include "shell/MessageBoxes.h"
#include "shell/Package.h"
#include "shell/QtMessagePresenter.h"
#include "shell/WorkerThreads.h"

namespace shell {

struct ShellSettings {
    // The file whose appended package holds the project (the executable itself, or a package
    // file); its package offset is found once here.
    std::string packageFile;
    // Message boxes are logged and answered with their default button instead of shown.
    bool headless = false;
    // The language the process locale asks for (1..6).
    int localeLanguage = 6;
};

// The shell's process-wide state, made by the start-up initialisation before the main sequence
// runs: the project package, the editor link area, the worker-thread registry, the dictionary
// and the message boxes. One per run-time process (tests make their own). Owned by the
// composition root; everything in it lives until it goes, the threads stopped first.
class ShellContext {
public:
    static platform::Result<std::unique_ptr<ShellContext>> Create(const ShellSettings& settings);

    ShellContext(const ShellContext&) = delete;
    ShellContext& operator=(const ShellContext&) = delete;
    ~ShellContext();

    const ProjectPackage& Package() const { return m_package; }
    LinkArea& Link() { return m_link; }
    ThreadRegistry& Threads() { return m_threads; }
    Dictionary& Words() { return m_dictionary; }
    MessageBoxes& Boxes() { return m_boxes; }
    MessagePresenter& Presenter() { return m_presenter; }

private:
    ShellContext(ProjectPackage package, LinkArea link, bool headless);

    ProjectPackage m_package;
    LinkArea m_link;
    Dictionary m_dictionary;
    QtMessagePresenter m_presenter;
    MessageBoxes m_boxes;
    ThreadRegistry m_threads; // last member: its threads stop before the rest goes
};

} // namespace shell
