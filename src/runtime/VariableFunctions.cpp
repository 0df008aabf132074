// Quorva run-time. Licensed under the MIT licence.
#include "runtime/VariableFunctions.h"

#include "engine/ProjectDirectories.h"
#include "engine/Scheduler.h"
#include "engine/VariableStore.h"
#include "platform/CpuEngine.h"
#include "platform/Log.h"
#include "runtime/RuntimeLibrary.h"
#include "shell/Dictionary.h"
#include "shell/Package.h"

#include <atomic>

namespace runtime {

namespace variables {

namespace {

constexpr std::int32_t kNoType = 18;
constexpr std::int32_t kFirstLanguage = 1;
constexpr std::int32_t kLastLanguage = 6;

} // namespace

ShortString GetQruValue(engine::VariableStore* store, std::string_view name) {
    return store != nullptr ? ShortString(store->GetGlobalText(name)) : ShortString();
}

bool SetQruValue(engine::VariableStore* store, std::string_view name, std::string_view value) {
    return store != nullptr && store->SetGlobalText(name, value);
}

std::int32_t GetQruAddr(engine::VariableStore* store, std::string_view name) {
    if (store == nullptr)
        return 0;
    const std::optional<platform::GuestAddress> address = store->GlobalAddress(name);
    return address ? static_cast<std::int32_t>(*address) : 0;
}

std::int32_t GetQruType(engine::VariableStore* store, std::string_view name) {
    return store != nullptr ? store->GlobalType(name) : kNoType;
}

VariableSpan VarLength(engine::VariableStore* store, platform::GuestAddress address) {
    VariableSpan span;
    span.address = static_cast<std::int32_t>(address);
    if (store == nullptr)
        return span;
    // Every array element, Real ones included, is a variable of its own here: the answer is
    // the element that holds the address, with its own start and size.
    const engine::VariableStore::GlobalLocation location = store->GlobalAtAddress(address);
    span.address = static_cast<std::int32_t>(location.address);
    span.start = static_cast<std::int32_t>(location.start);
    span.type = location.type;
    span.size = location.size;
    return span;
}

ShortString ProjectDirectory(const engine::ProjectDirectories* directories) {
    return directories != nullptr ? ShortString(directories->ProjectDirectory()) : ShortString();
}

bool ExtractResource(const shell::ProjectPackage* package, std::string_view resource,
                     std::string_view destination) {
    if (package == nullptr || resource.empty() || destination.empty())
        return false;
    return package->Extract(resource, destination);
}

bool DispatchProcedure(engine::Scheduler* scheduler, platform::CpuEngine& cpu,
                       platform::GuestAddress address) {
    if (scheduler == nullptr || address == 0)
        return false;
    engine::TProgRun* unit = scheduler->UnitOfCode(address);
    if (unit == nullptr) {
        // A wrong address repeated every cycle is reported once.
        static std::atomic<platform::GuestAddress> reported{0};
        if (reported.exchange(address) != address)
            platform::LogWarning("DISPATCHMES: 0x{:08x} is no procedure of a loaded unit; "
                                 "nothing called", address);
        return false;
    }
    const platform::Status ran = cpu.CallUnitCode(address);
    if (ran.IsOk())
        return true;
    scheduler->HoldFaultedUnit(*unit, ran.Error());
    return false;
}

void SetLanguage(shell::Dictionary* dictionary, std::int32_t language) {
    if (dictionary != nullptr && language >= kFirstLanguage && language <= kLastLanguage)
        dictionary->SetLanguageNumber(language);
}

ShortString Translate(shell::Dictionary* dictionary, std::string_view text) {
    return dictionary != nullptr ? ShortString(dictionary->TranslateAlways(text))
                                 : ShortString(text);
}

bool AddToDico(shell::Dictionary* dictionary, std::string_view path) {
    return dictionary != nullptr && !path.empty() && dictionary->AppendDictionary(path);
}

} // namespace variables

namespace {

const Services& Of(const CallFrame& frame) { return frame.Subsystems(); }

ShortString GetQruValueRow(CallFrame& frame, ShortString name) {
    return variables::GetQruValue(Of(frame).variables, name.View());
}

void SetQruValueRow(CallFrame& frame, ShortString name, ShortString value) {
    (void)variables::SetQruValue(Of(frame).variables, name.View(), value.View());
}

std::int32_t GetQruAddrRow(CallFrame& frame, ShortString name) {
    return variables::GetQruAddr(Of(frame).variables, name.View());
}

std::int32_t GetQruTypeRow(CallFrame& frame, ShortString name) {
    return variables::GetQruType(Of(frame).variables, name.View());
}

// AddrRequested receives the variable's address, RetAddrStartVar its start relative to the
// first global, RetVarType its type; the result is its size. An AddrRequested that cannot be
// read changes nothing and gives 0.
std::int32_t GetVarLenRow(CallFrame& frame, Ref<std::int32_t> addrRequested,
                          Ref<std::int32_t> retAddrStartVar, Ref<std::int32_t> retVarType) {
    const std::optional<std::int32_t> requested = addrRequested.Get();
    if (!requested)
        return 0;
    const variables::VariableSpan span = variables::VarLength(
        Of(frame).variables, static_cast<platform::GuestAddress>(*requested));
    addrRequested.Set(span.address);
    retAddrStartVar.Set(span.start);
    retVarType.Set(span.type);
    return span.size;
}

ShortString GetProjectDirRow(CallFrame& frame) {
    return variables::ProjectDirectory(Of(frame).directories);
}

bool ExtractResRow(CallFrame& frame, ShortString resource, ShortString destination) {
    return variables::ExtractResource(Of(frame).package, resource.View(), destination.View());
}

void DispatchMesRow(CallFrame& frame, std::int32_t procedure) {
    (void)variables::DispatchProcedure(Of(frame).scheduler, frame.Cpu(),
                                       static_cast<platform::GuestAddress>(procedure));
}

void SetLanguageRow(CallFrame& frame, std::int32_t language) {
    variables::SetLanguage(Of(frame).dictionary, language);
}

ShortString TranslateRow(CallFrame& frame, ShortString text) {
    return variables::Translate(Of(frame).dictionary, text.View());
}

bool AddToDicoRow(CallFrame& frame, ShortString path) {
    return variables::AddToDico(Of(frame).dictionary, path.View());
}

} // namespace

platform::Status AddVariableFunctions(Implementations& implementations) {
    Implementations& in = implementations;
    for (const platform::Status& added : {
             in.Add<&GetQruValueRow>("GETQRUVALUE"),
             in.Add<&SetQruValueRow>("SETQRUVALUE"),
             in.Add<&GetQruAddrRow>("GETQRUADDR"),
             in.Add<&GetQruTypeRow>("GETQRUTYPE"),
             in.Add<&GetVarLenRow>("GETVARLEN"),
             in.Add<&GetProjectDirRow>("GETPROJECTDIR"),
             in.Add<&ExtractResRow>("EXTRACTRES"),
             in.Add<&DispatchMesRow>("DISPATCHMES"),
             in.Add<&SetLanguageRow>("SETLANGUAGE"),
             in.Add<&TranslateRow>("TRANSLATE"),
             in.Add<&AddToDicoRow>("ADDTODICO"),
         }) {
        if (!added)
            return added;
    }
    return {};
}

} // namespace runtime
