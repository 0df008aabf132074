// Quorva run-time. Licensed under the MIT licence.
#include "runtime/OpcFunctions.h"

#include "engine/ProjectDirectories.h"
#include "engine/VariableStore.h"
#include "platform/CodePage.h"
#include "platform/CpuEngine.h"
#include "platform/Log.h"
#include "platform/PathMap.h"
#include "runtime/RuntimeLibrary.h"
#include "runtime/ShortString.h"
#include "shell/MessageBoxes.h"
#include "shell/OpcClient.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>

namespace runtime {

namespace opc {

namespace {

constexpr std::string_view kConnected = "Connected to OPC server";
constexpr std::string_view kAlreadyConnected = "Already Connected to OPC server";
constexpr std::string_view kUnableToConnect = "Unable to connect to OPC server";
constexpr std::string_view kAddItemCaption = "Failed to Add Item ";
constexpr std::string_view kWriteCaption = "Data Write Failure";

// The process's OPC client and its lists. `callMutex` lets one call at a time talk to the
// server and guards the client; `listMutex` guards the lists, which the client's thread reads
// while it delivers data changes. A thread that holds both took `callMutex` first; nobody waits
// for the client's thread while holding `listMutex`.
struct OpcState {
    std::mutex callMutex;
    std::unique_ptr<shell::OpcClient> client; // empty when not connected
    std::string lastError;                    // the failure logged last, so a loop logs it once

    std::mutex listMutex;
    std::vector<std::string> items;   // code-page names; the position is the client handle
    std::vector<std::string> targets; // code-page variable names; empty: no variable
    std::atomic<std::uint64_t> delivered{0};
};

OpcState& State() {
    static OpcState state;
    return state;
}

// Without the blanks and control characters at either end.
std::string_view TrimmedOpc(std::string_view text) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The position of an item in the list, or -1. Item names are compared exactly: OPC UA node
// identifiers and browse names are case-sensitive. The caller holds `listMutex`.
std::ptrdiff_t FindItemLocked(const OpcState& state, std::string_view item) {
    const auto found = std::find(state.items.begin(), state.items.end(), item);
    return found == state.items.end() ? -1 : found - state.items.begin();
}

bool Listed(OpcState& state, std::string_view item) {
    const std::lock_guard lock(state.listMutex);
    return FindItemLocked(state, item) >= 0;
}

// Logs a failure, but the same failure again only after another one: a unit that calls in every
// scan while the server is gone fills no log.
void LogFailureOnce(OpcState& state, const std::string& what) {
    if (state.lastError == what)
        return;
    state.lastError = what;
    platform::LogWarning("{}", what);
}

void ShowErrorBox(const Services& services, std::string_view caption, std::string_view text) {
    if (services.boxes != nullptr)
        services.boxes->ErrorBox(caption, text);
    else
        platform::LogWarning("{}: {}", caption, text);
}

std::string ProjectDirectoryOf(const Services& services) {
    if (services.directories != nullptr)
        return platform::HostPath(services.directories->ProjectDirectory());
    std::error_code ignored;
    return std::filesystem::current_path(ignored).string();
}

// Monitors again the listed items that have a variable, after a new connection. The caller
// holds `callMutex`.
void MonitorKeptItems(OpcState& state) {
    std::vector<std::pair<std::uint32_t, std::string>> kept;
    {
        const std::lock_guard lock(state.listMutex);
        for (std::size_t i = 0; i < state.items.size(); ++i)
            if (!state.targets[i].empty())
                kept.emplace_back(static_cast<std::uint32_t>(i), state.items[i]);
    }
    std::size_t monitored = 0;
    for (const auto& [handle, item] : kept) {
        if (platform::Status added = state.client->AddItem(platform::CodePageToUtf8(item), handle))
            ++monitored;
        else
            platform::LogWarning("OPC: item {} is not monitored again: {}", item, added.Error());
    }
    if (!kept.empty())
        platform::LogInfo("OPC: {} of {} kept items monitored again", monitored, kept.size());
}

} // namespace

std::string Connect(const Services& services, std::string_view name, std::string_view group,
                    std::int32_t timeBase) {
    OpcState& state = State();
    const platform::HostWait wait;
    const std::lock_guard call(state.callMutex);
    if (state.client)
        return std::string(kAlreadyConnected);
    const std::string unableToConnect = std::string(kUnableToConnect) + std::string(name);

    const std::string server = platform::CodePageToUtf8(TrimmedOpc(name));
    const std::optional<shell::OpcEndpoint> endpoint =
        shell::OpcServerTable::Load(ProjectDirectoryOf(services)).Resolve(server);
    if (!endpoint) {
        platform::LogWarning("OPCCLIENTCONNECT: {} is neither an opc.tcp:// URL nor a server of "
                             "the [OpcServers] table of quorva.ini",
                             server);
        return unableToConnect;
    }
    const std::chrono::milliseconds interval(timeBase > 0 ? timeBase : kDefaultTimeBaseMs);
    engine::VariableStore* store = services.variables;
    auto client = std::make_unique<shell::OpcClient>(
        [store](const std::vector<shell::OpcDataChange>& changes) {
            DeliverDataChanges(store, changes);
        });
    switch (client->Connect(*endpoint, interval)) {
    case shell::OpcConnectResult::Unreachable:
        return unableToConnect;
    case shell::OpcConnectResult::SubscriptionRefused:
        // No group, no connection: the session ends as a CLOSE ends it.
        (void)client->Close();
        return "Unable to add " + std::string(group) + " to server";
    case shell::OpcConnectResult::Connected:
        break;
    }
    state.client = std::move(client);
    state.lastError.clear();
    MonitorKeptItems(state);
    return std::string(kConnected);
}

bool Close() {
    OpcState& state = State();
    const platform::HostWait wait;
    const std::lock_guard call(state.callMutex);
    if (!state.client)
        return false;
    const bool deleted = state.client->Close();
    // The client's thread ends here; it may be delivering, which takes only `listMutex`.
    state.client.reset();
    return deleted;
}

bool ReadAsync(const Services& services, std::string_view item, std::string_view variable) {
    const std::string_view name = TrimmedOpc(item);
    const std::string_view target = TrimmedOpc(variable);
    if (name.empty() || target.empty())
        return false;
    OpcState& state = State();
    const platform::HostWait wait;
    std::string refusal;
    {
        const std::lock_guard call(state.callMutex);
        if (Listed(state, name))
            return false;
        if (!state.client) {
            LogFailureOnce(state, "OPCCLIENTREADASYNC " + std::string(name) +
                                      ": not connected to an OPC server");
            return false;
        }
        std::uint32_t handle = 0;
        {
            // The variable is listed before the item is monitored: the first value may arrive
            // before AddItem returns.
            const std::lock_guard lock(state.listMutex);
            handle = static_cast<std::uint32_t>(state.items.size());
            state.items.emplace_back(name);
            state.targets.emplace_back(target);
        }
        const platform::Status added =
            state.client->AddItem(platform::CodePageToUtf8(name), handle);
        if (added)
            return true;
        {
            // The item stays listed without a variable, so that the lists stay aligned and the
            // other items keep flowing.
            const std::lock_guard lock(state.listMutex);
            state.targets[handle].clear();
        }
        refusal = added.Error();
    }
    platform::LogWarning("OPCCLIENTREADASYNC: item {} refused: {}", name, refusal);
    ShowErrorBox(services, kAddItemCaption, name);
    return false;
}

std::string ReadSync(std::string_view item) {
    const std::string_view name = TrimmedOpc(item);
    if (name.empty())
        return {};
    OpcState& state = State();
    const platform::HostWait wait;
    const std::lock_guard call(state.callMutex);
    if (!Listed(state, name) || !state.client)
        return {};
    platform::Result<std::string> value = state.client->ReadText(platform::CodePageToUtf8(name));
    if (!value) {
        LogFailureOnce(state, "OPCCLIENTREADSYNC " + std::string(name) + ": " + value.Error());
        return {};
    }
    std::string text = platform::Utf8ToCodePage(value.Value());
    if (text.size() > ShortString::kCapacity)
        text.resize(ShortString::kCapacity);
    return text;
}

bool WriteSync(const Services& services, std::string_view item, std::string_view value) {
    const std::string_view name = TrimmedOpc(item);
    if (name.empty())
        return false;
    OpcState& state = State();
    const platform::HostWait wait;
    std::string failure;
    {
        const std::lock_guard call(state.callMutex);
        if (!state.client) {
            LogFailureOnce(state, "OPCCLIENTWRITESYNC " + std::string(name) +
                                      ": not connected to an OPC server");
            return false;
        }
        bool firstUse = false;
        {
            const std::lock_guard lock(state.listMutex);
            if (FindItemLocked(state, name) < 0) {
                firstUse = true;
                state.items.emplace_back(name);
                state.targets.emplace_back();
            }
        }
        // The write resolves the node on first use: its failure then is the registration's.
        const platform::Status written = state.client->WriteText(platform::CodePageToUtf8(name),
                                                                 platform::CodePageToUtf8(value));
        if (written)
            return true;
        if (!firstUse) {
            LogFailureOnce(state,
                           "OPCCLIENTWRITESYNC " + std::string(name) + ": " + written.Error());
            return false;
        }
        failure = written.Error();
    }
    platform::LogWarning("OPCCLIENTWRITESYNC: item {} refused: {}", name, failure);
    ShowErrorBox(services, kWriteCaption, name);
    return false;
}

void DeliverDataChanges(engine::VariableStore* store,
                        const std::vector<shell::OpcDataChange>& changes) {
    // The screens' step text is left alone: it is GUI-thread state, and it names the unit code
    // that runs, of which there is none during delivery.
    if (store == nullptr)
        return;
    OpcState& state = State();
    std::uint64_t set = 0;
    const std::lock_guard lock(state.listMutex);
    for (std::size_t i = 0; i < changes.size(); ++i) {
        if (i >= state.targets.size())
            break;
        const shell::OpcDataChange& change = changes[i];
        if (!shell::OpcStatusIsGood(change.status)) {
            platform::LogDebug("Callback received for item {} , but quality not good",
                               change.clientHandle);
            continue;
        }
        if (change.clientHandle >= state.targets.size())
            continue;
        const std::string& target = state.targets[change.clientHandle];
        if (target.empty())
            continue;
        // A text the variable cannot take is logged by the store and changes nothing.
        if (store->SetGlobalText(target, platform::Utf8ToCodePage(change.text)))
            ++set;
    }
    state.delivered.fetch_add(set, std::memory_order_relaxed);
}

void EndOpcClient() {
    OpcState& state = State();
    std::unique_ptr<shell::OpcClient> client;
    {
        const std::lock_guard call(state.callMutex);
        client = std::move(state.client);
        state.lastError.clear();
        const std::lock_guard lock(state.listMutex);
        state.items.clear();
        state.targets.clear();
    }
    if (client)
        (void)client->Close();
}

std::vector<std::string> Items() {
    const std::lock_guard lock(State().listMutex);
    return State().items;
}

std::vector<std::string> Targets() {
    const std::lock_guard lock(State().listMutex);
    return State().targets;
}

std::uint64_t DeliveredValues() {
    return State().delivered.load(std::memory_order_relaxed);
}

} // namespace opc

namespace {

const Services& OpcServicesOf(const CallFrame& frame) {
    return frame.Subsystems();
}

ShortString OpcClientConnectRow(CallFrame& frame, ShortString name, ShortString group,
                                std::int32_t timeBase) {
    return ShortString(opc::Connect(OpcServicesOf(frame), name.View(), group.View(), timeBase));
}

bool OpcClientCloseRow() {
    return opc::Close();
}

bool OpcClientReadAsyncRow(CallFrame& frame, ShortString item, ShortString variable) {
    return opc::ReadAsync(OpcServicesOf(frame), item.View(), variable.View());
}

ShortString OpcClientReadSyncRow(ShortString item) {
    return ShortString(opc::ReadSync(item.View()));
}

bool OpcClientWriteSyncRow(CallFrame& frame, ShortString item, ShortString value) {
    return opc::WriteSync(OpcServicesOf(frame), item.View(), value.View());
}

} // namespace

platform::Status AddOpcFunctions(Implementations& implementations) {
    if (auto added = implementations.Add<&OpcClientConnectRow>("OPCCLIENTCONNECT"); !added)
        return added;
    if (auto added = implementations.Add<&OpcClientCloseRow>("OPCCLIENTCLOSE"); !added)
        return added;
    if (auto added = implementations.Add<&OpcClientReadAsyncRow>("OPCCLIENTREADASYNC"); !added)
        return added;
    if (auto added = implementations.Add<&OpcClientReadSyncRow>("OPCCLIENTREADSYNC"); !added)
        return added;
    return implementations.Add<&OpcClientWriteSyncRow>("OPCCLIENTWRITESYNC");
}

} // namespace runtime
