// Quorva run-time. Licensed under the MIT licence.
#pragma once

namespace engine {
class Loader;
class ProjectDirectories;
class Scheduler;
class VariableStore;
} // namespace engine

namespace platform {
class PortAccess;
} // namespace platform

namespace shell {
class Dictionary;
class EditorCommands;
class MessageBoxes;
class ProjectPackage;
} // namespace shell

namespace runtime {

class SystemVariables;

// The run-time's subsystems as runtime functions reach them besides their arguments (the
// scheduler for RUNTASK, the variable store for GETQRUVALUE, the dictionary for TRANSLATE ...).
// Filled once by the composition root before unit code runs, then read-only; a subsystem that
// is not there (in a test) stays null and the functions that need it return their defaults.
struct Services {
    engine::Loader* loader = nullptr;
    engine::Scheduler* scheduler = nullptr;
    engine::VariableStore* variables = nullptr;
    SystemVariables* systemVariables = nullptr;
    shell::Dictionary* dictionary = nullptr;
    shell::MessageBoxes* boxes = nullptr;
    shell::EditorCommands* editor = nullptr;
    const shell::ProjectPackage* package = nullptr;
    platform::PortAccess* ports = nullptr;
    const engine::ProjectDirectories* directories = nullptr;
};

} // namespace runtime
