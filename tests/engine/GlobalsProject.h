// Quorva run-time. Licensed under the MIT licence.
#pragma once

// Project globals for tests and benchmarks: the variables of "MVARGLOB.QRU", and a project
// directory with a variable store over them. Header-only, so that the benchmarks and the interop
// test can use it without the test support library.

#include "engine/QruWriter.h"
#include "engine/VariableStore.h"
#include "platform/GuestMemory.h"
#include "shell/MessagePresenter.h"
#include "shell/Package.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// An exported global: `type` is its type code, `size` its bytes.
inline engine::QruVariable ExportedGlobal(std::string name, std::uint8_t type, std::int32_t size) {
    engine::QruVariable variable;
    variable.name = std::move(name);
    variable.type = type;
    variable.size = size;
    variable.exported = true;
    return variable;
}

// The bytes of a non-cyclic "MVARGLOB.QRU" that declares `globals`, its data area as large as
// they need.
inline std::string GlobalsModuleBytes(std::vector<engine::QruVariable> globals) {
    engine::QruModule module;
    module.variables = std::move(globals);
    module.header.dataSize = static_cast<std::int32_t>(engine::RequiredDataSize(module));
    module.nonCyclic = true;
    return engine::WriteQruModule(module);
}

// A fresh project directory ("<prefix>-XXXXXX" under the temporary directory), the current
// directory while the object lives, whose "MVARGLOB.QRU" declares `globals`; and a variable store
// over a block of `blockSize` bytes at the global base that has loaded their names, its boxes
// shown by `presenter`. The previous current directory comes back, and the project directory
// goes with everything in it, when the object goes.
class GlobalsProject {
public:
    GlobalsProject(const std::string& prefix, std::vector<engine::QruVariable> globals,
                   std::size_t blockSize, shell::MessagePresenter& presenter)
        : m_dir(MakeDirectory(prefix)), m_previous(std::filesystem::current_path()),
          m_block(blockSize), store{engine::GlobalView{m_block.data(),
                                                       static_cast<std::uint32_t>(m_block.size()),
                                                       platform::guest::kGlobalBase},
                                    m_package, presenter} {
        std::filesystem::current_path(m_dir);
        std::ofstream(m_dir / "MVARGLOB.QRU", std::ios::binary)
            << GlobalsModuleBytes(std::move(globals));
        store.LoadGlobalNames();
    }
    ~GlobalsProject() {
        std::error_code ignored;
        std::filesystem::current_path(m_previous, ignored);
        std::filesystem::remove_all(m_dir, ignored);
    }
    GlobalsProject(const GlobalsProject&) = delete;
    GlobalsProject& operator=(const GlobalsProject&) = delete;

    const std::filesystem::path& Dir() const { return m_dir; }

private:
    static std::filesystem::path MakeDirectory(const std::string& prefix) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot make a directory " + pattern);
        return pattern;
    }

    std::filesystem::path m_dir;
    std::filesystem::path m_previous;
    std::vector<std::byte> m_block;
    shell::ProjectPackage m_package{"", 0};

public:
    engine::VariableStore store;
};

} // namespace testsupport
