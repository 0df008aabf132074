// Quorva run-time. Licensed under the MIT licence.
#include "engine/Loader.h"

#include "engine/QruReader.h"
#include "platform/CpuEngine.h"
#include "platform/Log.h"
#include "shell/MessagePresenter.h"
#include "shell/Package.h"

#include <algorithm>
#include <cstring>
#include <fmt/format.h>
#include <variant>

namespace engine {

namespace {

constexpr std::string_view kGlobalUnitName = "MVARGLOB";

// The directory part of a project path, without its trailing separator; empty when none.
std::string DirectoryOf(std::string_view path) {
    const std::size_t separator = path.find_last_of("\\/");
    if (separator == std::string_view::npos)
        return {};
    return std::string(path.substr(0, separator));
}

} // namespace

Loader::Loader(LoaderContext context) : m_context(std::move(context)) {}

void Loader::SetLoadError(std::string text) {
    if (text.size() > kLoadErrorLimit)
        text.resize(kLoadErrorLimit);
    m_loadError = std::move(text);
}

bool Loader::PauseIfRunning() {
    ScanGate& gate = m_context.scanGate;
    if (!gate.ScanEnabled() || gate.ScanPaused())
        return false;
    gate.PauseScan();
    return true;
}

void Loader::LoadUnit(std::string_view path) {
    std::string reloadPrefix;
    std::string reloadName;
    if (LoadModule(path, reloadPrefix, reloadName) == LoadOutcome::Reload)
        ReloadUnits(reloadPrefix, reloadName);
}

Loader::LoadOutcome Loader::LoadModule(std::string_view path, std::string& reloadPrefix,
                                       std::string& reloadName) {
    m_currentUnitName = "??????";
    SetLoadError("File Not Found " + std::string(path));
    std::unique_ptr<shell::Stream> stream = m_context.package.Open(path);
    if (!stream) {
        platform::LogWarning("loader: {}", m_loadError);
        return LoadOutcome::Done;
    }
    const std::string directory = DirectoryOf(path);
    const std::string name = ProgramList::UnitNameOf(path);
    m_currentUnitName = name;
    m_loadError.clear();

    ExtractAttachmentsFor(directory, name);

    const std::string bytes = stream->ReadAll();
    stream.reset();
    if (bytes.size() < kQruMagic.size() || bytes.compare(0, kQruMagic.size(), kQruMagic) != 0) {
        SetLoadError(std::string(path) + " " + " QRU Version incompatible");
        return LoadOutcome::Done;
    }
    auto read = ReadQruModule(bytes);
    if (const QruError* error = std::get_if<QruError>(&read)) {
        SetLoadError(std::string(path) + " QRU Damaged: " + error->message);
        platform::LogError("loader: {}", m_loadError);
        return LoadOutcome::Done;
    }
    const QruModule& module = std::get<QruModule>(read);

    if (const TProgRun* loaded = FindProgram(name);
        loaded != nullptr && loaded->stamp == module.header.stamp)
        return LoadOutcome::Done;
    if (module.header.debug) {
        SetLoadError("Loading Denied with debug Infos" + name);
        return LoadOutcome::Done;
    }
    // Refused before anything changes, so that the copy already loaded stays.
    if (name == kGlobalUnitName && module.header.dataSize > kGlobalDataLimit) {
        m_context.presenter.Show("Error", "Global Variables too large 400 KBytes Maxi..",
                                 shell::mb::Ok | shell::mb::IconError);
        SetLoadError(fmt::format("Global Variables too large 400 KBytes Maxi.. ({} bytes, at "
                                 "most {} fit)",
                                 module.header.dataSize, kGlobalDataLimit));
        return LoadOutcome::Done;
    }
    if (m_loading.count(name) != 0) {
        SetLoadError("Circular Unit Use " + name);
        return LoadOutcome::Done;
    }

    const bool paused = PauseIfRunning();
    m_loading.insert(name);
    Unload(name);
    const LoadOutcome outcome = PlaceAndLink(module, directory, name);
    m_loading.erase(name);
    m_currentUnitName = name;
    if (paused)
        m_context.scanGate.ResumeScan();
    if (outcome == LoadOutcome::Reload) {
        reloadPrefix = directory.empty() ? std::string() : directory + "\\";
        reloadName = name;
    } else if (!m_loadError.empty()) {
        platform::LogWarning("loader: unit {} not loaded: {}", name, m_loadError);
    }
    return outcome;
}

std::int32_t Loader::UnloadUnit(std::string_view name) {
    const bool paused = PauseIfRunning();
    const std::int32_t index = Unload(name);
    if (paused)
        m_context.scanGate.ResumeScan();
    return index;
}

std::int32_t Loader::Unload(std::string_view name) {
    ProgramList& list = m_context.programs;
    const std::int32_t index = list.FindProgramIndex(name);
    if (index < 0)
        return -1;
    const std::string unitName = list.Programs()[static_cast<std::size_t>(index)]->name;
    if (!m_unloading.insert(unitName).second)
        return index;

    auto& cyclic = list.Cyclic();
    cyclic.erase(std::remove_if(cyclic.begin(), cyclic.end(),
                                [&](const TProgRun* unit) { return unit->name == unitName; }),
                 cyclic.end());
    // Dependents first, newest first; the list shrinks as they go.
    for (std::size_t i = list.Programs().size(); i-- > 0;) {
        if (i >= list.Programs().size())
            continue;
        const TProgRun& other = *list.Programs()[i];
        if (other.name != unitName &&
            std::find(other.uses.begin(), other.uses.end(), unitName) != other.uses.end())
            Unload(other.name);
    }

    TProgRun* unit = list.FindProgram(unitName);
    if (!unit->nonCyclic && unit->mainEntry) {
        // The final scan: the unit sees END_PROG set once.
        if (m_context.endProgramCell != 0)
            m_context.memory.Write<std::uint8_t>(m_context.endProgramCell, 1);
        CallEntry(unitName, "final scan", *unit->mainEntry);
        if (m_context.endProgramCell != 0)
            m_context.memory.Write<std::uint8_t>(m_context.endProgramCell, 0);
    }
    if (unit->exitEntry)
        CallEntry(unitName, "exit", *unit->exitEntry);

    m_context.functions.RemoveUnit(unitName);
    m_context.variables.RemoveUnit(unitName);
    if (unit->block != 0)
        m_context.memory.Free(unit->block);
    auto& programs = list.Programs();
    const std::int32_t formerIndex = list.FindProgramIndex(unitName);
    programs.erase(programs.begin() + formerIndex);
    m_unloading.erase(unitName);
    platform::LogInfo("loader: unit {} unloaded", unitName);
    return formerIndex;
}

void Loader::UnloadAllUnits() {
    ScanGate& gate = m_context.scanGate;
    const bool enabled = gate.WaitScanIdle();
    bool paused = false;
    if (enabled && !gate.ScanPaused()) {
        gate.PauseScan();
        paused = true;
    }
    std::vector<std::string> names;
    for (const auto& unit : m_context.programs.Programs())
        names.push_back(unit->name);
    for (const std::string& name : names)
        Unload(name); // units already gone as dependents are not found
    m_context.programs.Cyclic().clear();
    if (paused)
        gate.ResumeScan();
}

void Loader::ReloadUnits(std::string_view prefix, std::string_view name) {
    std::vector<std::string> paths{std::string(prefix) + std::string(name) + ".Qru"};
    for (const auto& unit : m_context.programs.Programs()) {
        if (!unit->nonCyclic)
            paths.push_back(std::string(prefix) + unit->name + ".Qru");
    }
    UnloadAllUnits();
    for (const std::string& path : paths) {
        LoadUnit(path);
        if (!m_loadError.empty())
            return; // a later load would clear the error of this one
    }
}

TProgRun* Loader::FindProgram(std::string_view name) const {
    return m_context.programs.FindProgram(name);
}

std::int32_t Loader::FindProgramIndex(std::string_view name) const {
    return m_context.programs.FindProgramIndex(name);
}

double Loader::ReadUnitStamp(std::string_view path) const {
    std::unique_ptr<shell::Stream> stream = m_context.package.Open(path);
    if (!stream)
        return 0;
    char header[13];
    if (stream->Read(header, sizeof header) != sizeof header ||
        std::string_view(header, kQruMagic.size()) != kQruMagic)
        return 0;
    double stamp = 0;
    std::memcpy(&stamp, header + kQruMagic.size(), sizeof stamp);
    return stamp;
}

bool Loader::CallEntry(std::string_view unit, std::string_view what, platform::GuestAddress entry) {
    platform::CpuEngine* cpu = m_context.cpu ? m_context.cpu() : nullptr;
    if (cpu == nullptr) {
        platform::LogError("loader: unit {}: {} entry not run: no CPU engine on this thread", unit,
                           what);
        return false;
    }
    const platform::Status status = cpu->CallUnitCode(entry);
    if (!status.IsOk()) {
        platform::LogError("loader: unit {}: {} entry failed: {}", unit, what, status.Error());
        return false;
    }
    return true;
}

} // namespace engine
