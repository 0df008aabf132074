// Quorva run-time. Licensed under the MIT licence.
#include "engine/UnitUnloading.h"

#include "engine/Loader.h"
#include "engine/QruReader.h"
#include "platform/CodePage.h"
#include "platform/CpuEngine.h"
#include "platform/PathMap.h"
#include "shell/Package.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <variant>

namespace engine {

namespace {

const TProgRun* UnitWithCodeAt(const ProgramList& programs, std::uint32_t address) {
    for (const auto& unit : programs.Programs()) {
        if (unit->codeBase != 0 && unit->codeSize > 0 && address >= unit->codeBase &&
            address - unit->codeBase < static_cast<std::uint32_t>(unit->codeSize))
            return unit.get();
    }
    return nullptr;
}

bool Uses(const TProgRun& user, const std::string& name) {
    return user.name != name &&
           std::find(user.uses.begin(), user.uses.end(), name) != user.uses.end();
}

// True when some 32-bit word of `code` (at any byte offset: fix-up sites are not aligned) lies in
// [begin, end).
bool CodeRefersTo(const std::byte* code, std::uint32_t size, std::uint32_t begin,
                  std::uint32_t end) {
    for (std::uint32_t at = 0; at + 4 <= size; ++at) {
        std::uint32_t word = 0;
        std::memcpy(&word, code + at, sizeof word);
        if (word >= begin && word < end)
            return true;
    }
    return false;
}

std::string DirectoryOf(std::string_view path) {
    const std::size_t separator = path.find_last_of("\\/");
    return separator == std::string_view::npos ? std::string()
                                               : std::string(path.substr(0, separator));
}

void PredictInto(const Loader& loader, const ProgramList& programs,
                 const shell::ProjectPackage& package, std::string_view path,
                 std::set<std::string>& visited, LoadImpact& impact) {
    const std::string name = ProgramList::UnitNameOf(path);
    if (impact.everything || !visited.insert(name).second)
        return;
    std::unique_ptr<shell::Stream> stream = package.Open(path);
    if (!stream)
        return;
    auto read = ReadQruModule(stream->ReadAll());
    const QruModule* module = std::get_if<QruModule>(&read);
    if (module == nullptr || module->header.debug)
        return; // the load fails before it changes anything
    const TProgRun* loaded = programs.FindProgram(name);
    if (loaded != nullptr && loaded->stamp == module->header.stamp)
        return; // current already
    if (loaded != nullptr) {
        const std::set<std::string> gone = UnitWithDependents(programs, name);
        impact.unloaded.insert(gone.begin(), gone.end());
    }
    const std::string directory = DirectoryOf(path);
    for (const std::string& used : module->uses) {
        const std::string unit = platform::UpperAscii(used);
        if (unit == name)
            continue;
        const std::string usedPath = (directory.empty() ? "" : directory + "\\") + unit + ".QRU";
        if (const TProgRun* usedUnit = programs.FindProgram(unit)) {
            std::error_code ignored;
            if (std::filesystem::exists(platform::HostPath(usedPath), ignored)) {
                const double stamp = loader.ReadUnitStamp(usedPath);
                if (stamp != 0 && stamp != usedUnit->stamp) {
                    impact.everything = true;
                    return;
                }
            }
        } else {
            PredictInto(loader, programs, package, usedPath, visited, impact);
        }
    }
}

} // namespace

std::optional<std::set<std::string>> UnitsOnCallChain(const platform::CpuEngine& cpu,
                                                      const platform::GuestMemory& memory,
                                                      const ProgramList& programs) {
    std::set<std::string> names;
    if (const TProgRun* unit = UnitWithCodeAt(programs, cpu.Get(platform::X86Register::Eip)))
        names.insert(unit->name);
    const std::uint32_t esp = cpu.Get(platform::X86Register::Esp);
    const std::uint32_t top = cpu.StackTop();
    if (esp > top || esp < cpu.StackBottom())
        return std::nullopt;
    const std::byte* stack = memory.Translate(esp, top - esp);
    if (stack == nullptr)
        return std::nullopt;
    for (std::uint32_t at = 0; at + 4 <= top - esp; at += 4) {
        std::uint32_t word = 0;
        std::memcpy(&word, stack + at, sizeof word);
        if (const TProgRun* unit = UnitWithCodeAt(programs, word))
            names.insert(unit->name);
    }
    return names;
}

std::string UnitLinkedTo(const ProgramList& programs, const platform::GuestMemory& memory,
                         const TProgRun& unit, const std::set<std::string>& alsoGoing) {
    const std::uint32_t begin = unit.dataBase;
    const std::uint32_t end = begin + static_cast<std::uint32_t>(std::max(unit.dataSize, 0));
    for (const auto& other : programs.Programs()) {
        if (other.get() == &unit || alsoGoing.count(other->name) != 0)
            continue;
        if (Uses(*other, unit.name))
            return other->name;
        if (begin == end || other->codeBase == 0 || other->codeSize <= 0)
            continue;
        const auto size = static_cast<std::uint32_t>(other->codeSize);
        if (const std::byte* code = memory.Translate(other->codeBase, size);
            code != nullptr && CodeRefersTo(code, size, begin, end))
            return other->name;
    }
    return {};
}

std::set<std::string> UnitWithDependents(const ProgramList& programs, std::string_view name) {
    std::set<std::string> found{ProgramList::UnitNameOf(name)};
    // Grows until no loaded unit uses one of the names found.
    for (bool grew = true; grew;) {
        grew = false;
        for (const auto& unit : programs.Programs()) {
            if (found.count(unit->name) != 0)
                continue;
            for (const std::string& used : unit->uses) {
                if (found.count(used) != 0) {
                    found.insert(unit->name);
                    grew = true;
                    break;
                }
            }
        }
    }
    return found;
}

LoadImpact PredictLoad(const Loader& loader, const ProgramList& programs,
                       const shell::ProjectPackage* package, std::string_view path) {
    LoadImpact impact;
    if (package == nullptr) {
        // Without the package only the stamp can be compared; a used unit's change goes unseen.
        const std::string name = ProgramList::UnitNameOf(path);
        const TProgRun* loaded = programs.FindProgram(name);
        const double stamp = loader.ReadUnitStamp(path);
        if (loaded != nullptr && stamp != 0 && stamp != loaded->stamp)
            impact.unloaded = UnitWithDependents(programs, name);
        return impact;
    }
    std::set<std::string> visited;
    PredictInto(loader, programs, *package, path, visited, impact);
    if (impact.everything) {
        impact.unloaded.clear();
        for (const auto& unit : programs.Programs())
            impact.unloaded.insert(unit->name);
    }
    return impact;
}

} // namespace engine
