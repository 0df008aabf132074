// Quorva run-time. Licensed under the MIT licence.
#include "OpcSimServer.h"

#include "platform/Log.h"
#include "shell/OpcStackLog.h"
#include "shell/OpcValueText.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fmt/format.h>
#include <netinet/in.h>
#include <open62541/plugin/accesscontrol_default.h>
#include <open62541/plugin/create_certificate.h>
#include <open62541/plugin/pki_default.h>
#include <open62541/server.h>
#include <open62541/server_config_default.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace opcsim {
namespace {

using namespace std::chrono_literals;

UA_String Text(std::string_view text) {
    return UA_String{text.size(), reinterpret_cast<UA_Byte*>(const_cast<char*>(text.data()))};
}

UA_NodeId StringId(std::string_view id) {
    UA_NodeId node;
    node.namespaceIndex = 1;
    node.identifierType = UA_NODEIDTYPE_STRING;
    node.identifier.string = Text(id);
    return node;
}

// The stack listens with SO_REUSEPORT, so a second server on a port would share it silently; a
// plain listening socket finds out first whether the port is taken.
platform::Status PortFree(std::uint16_t port) {
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    if (probe < 0)
        return platform::Fail(fmt::format("cannot make a socket: {}", std::strerror(errno)));
    const int yes = 1;
    ::setsockopt(probe, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    const bool bound = ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                       ::listen(probe, 1) == 0;
    const int error = errno;
    ::close(probe);
    if (!bound)
        return platform::Fail(fmt::format("cannot serve port {}: {}", port, std::strerror(error)));
    return {};
}

constexpr double TankFullLevel = 100.0;
constexpr double PumpOutflowPerSecond = 8.0;

} // namespace

struct OpcSimServer::State {
    SimOptions options;
    UA_Server* server = nullptr;
    std::atomic<bool> stop{false};
    std::thread thread;
    std::vector<std::string> benchIds;
    std::int32_t counter = 0;
    std::int32_t benchTick = 0;
    std::uint32_t toggleTick = 0;
    std::string certificate;
    std::string privateKey;

    platform::Status Configure(UA_ServerConfig* config);
    platform::Status AddNodes();
    platform::Status AddFolder(std::string_view id, std::string_view name, const UA_NodeId& parent);
    platform::Status AddVariable(std::string_view id, std::string_view name,
                                 std::string_view parentId, const void* value,
                                 const UA_DataType* type, bool writable);
    void Write(std::string_view id, const void* value, const UA_DataType* type);
    void StartTimers();
    static void OnWrite(UA_Server*, const UA_NodeId*, void*, const UA_NodeId* nodeId,
                        void* nodeContext, const UA_NumericRange*, const UA_DataValue* data);
};

platform::Status OpcSimServer::State::Configure(UA_ServerConfig* config) {
    UA_StatusCode status = UA_STATUSCODE_GOOD;
    if (options.security) {
        UA_String subject[] = {Text("O=Quorva"), Text("CN=Quorva OPC simulation server")};
        UA_String alternativeNames[] = {Text("DNS:localhost"),
                                        Text("URI:urn:open62541.server.application")};
        UA_ByteString key = UA_BYTESTRING_NULL;
        UA_ByteString cert = UA_BYTESTRING_NULL;
        status = UA_CreateCertificate(shell::OpcStackLogger(), subject, 2, alternativeNames, 2,
                                      UA_CERTIFICATEFORMAT_DER, nullptr, &key, &cert);
        if (status == UA_STATUSCODE_GOOD)
            status = UA_ServerConfig_setDefaultWithSecurityPolicies(
                config, options.port, &cert, &key, nullptr, 0, nullptr, 0, nullptr, 0);
        UA_ByteString_clear(&cert);
        UA_ByteString_clear(&key);
        if (status == UA_STATUSCODE_GOOD) {
            // A test server: every client certificate is welcome.
            config->secureChannelPKI.clear(&config->secureChannelPKI);
            UA_CertificateVerification_AcceptAll(&config->secureChannelPKI);
            config->sessionPKI.clear(&config->sessionPKI);
            UA_CertificateVerification_AcceptAll(&config->sessionPKI);
        }
    } else {
        status = UA_ServerConfig_setMinimal(config, options.port, nullptr);
    }
    if (status != UA_STATUSCODE_GOOD)
        return platform::Fail(
            fmt::format("cannot configure the server: {}", shell::OpcStatusName(status)));
    if (!options.user.empty()) {
        // A simulation: the password may cross an unsecured channel.
        config->allowNonePolicyPassword = true;
        UA_UsernamePasswordLogin login{Text(options.user), Text(options.password)};
        config->accessControl.clear(&config->accessControl);
        status = UA_AccessControl_default(config, false, nullptr, 1, &login);
        if (status != UA_STATUSCODE_GOOD)
            return platform::Fail(
                fmt::format("cannot set the user: {}", shell::OpcStatusName(status)));
    }
    config->publishingIntervalLimits.min = 5;
    config->samplingIntervalLimits.min = 5;
    return {};
}

platform::Status OpcSimServer::State::AddFolder(std::string_view id, std::string_view name,
                                                const UA_NodeId& parent) {
    UA_ObjectAttributes attributes = UA_ObjectAttributes_default;
    attributes.displayName = UA_LocalizedText{Text("en-US"), Text(name)};
    const UA_StatusCode status = UA_Server_addObjectNode(
        server, StringId(id), parent, UA_NODEID_NUMERIC(0, UA_NS0ID_ORGANIZES),
        UA_QualifiedName{1, Text(name)}, UA_NODEID_NUMERIC(0, UA_NS0ID_FOLDERTYPE), attributes,
        nullptr, nullptr);
    if (status != UA_STATUSCODE_GOOD)
        return platform::Fail(
            fmt::format("cannot add the folder {}: {}", id, shell::OpcStatusName(status)));
    return {};
}

platform::Status OpcSimServer::State::AddVariable(std::string_view id, std::string_view name,
                                                  std::string_view parentId, const void* value,
                                                  const UA_DataType* type, bool writable) {
    UA_VariableAttributes attributes = UA_VariableAttributes_default;
    UA_Variant_setScalar(&attributes.value, const_cast<void*>(value), type);
    attributes.dataType = type->typeId;
    attributes.valueRank = UA_VALUERANK_SCALAR;
    attributes.accessLevel = UA_ACCESSLEVELMASK_READ | (writable ? UA_ACCESSLEVELMASK_WRITE : 0);
    attributes.userAccessLevel = attributes.accessLevel;
    attributes.displayName = UA_LocalizedText{Text("en-US"), Text(name)};
    const UA_NodeId parent =
        parentId.empty() ? UA_NODEID_NUMERIC(0, UA_NS0ID_OBJECTSFOLDER) : StringId(parentId);
    const UA_StatusCode status = UA_Server_addVariableNode(
        server, StringId(id), parent, UA_NODEID_NUMERIC(0, UA_NS0ID_HASCOMPONENT),
        UA_QualifiedName{1, Text(name)}, UA_NODEID_NUMERIC(0, UA_NS0ID_BASEDATAVARIABLETYPE),
        attributes, this, nullptr);
    if (status != UA_STATUSCODE_GOOD)
        return platform::Fail(
            fmt::format("cannot add the variable {}: {}", id, shell::OpcStatusName(status)));
    if (writable) {
        UA_ValueCallback callback;
        callback.onRead = nullptr;
        callback.onWrite = OnWrite;
        UA_Server_setVariableNode_valueCallback(server, StringId(id), callback);
    }
    return {};
}

platform::Status OpcSimServer::State::AddNodes() {
    const UA_NodeId objects = UA_NODEID_NUMERIC(0, UA_NS0ID_OBJECTSFOLDER);
    for (const auto& [id, name] : {std::pair{"Types", "Types"},
                                   {"Plant", "Plant"},
                                   {"Status", "Status"},
                                   {"Bench", "Bench"}}) {
        if (platform::Status added = AddFolder(id, name, objects); !added)
            return added;
    }
    if (platform::Status added = AddFolder("Plant.Tank", "Tank", StringId("Plant")); !added)
        return added;

    const UA_Boolean boolean = false;
    const UA_Byte byte = 0;
    const UA_SByte sbyte = 0;
    const UA_Int16 int16 = 0;
    const UA_UInt16 uint16 = 0;
    const UA_Int32 int32 = 0;
    const UA_UInt32 uint32 = 0;
    const UA_Int64 int64 = 0;
    const UA_UInt64 uint64 = 0;
    const UA_Float float32 = 0;
    const UA_Double float64 = 0;
    const UA_String string = UA_STRING_NULL;
    const UA_DateTime dateTime = UA_DateTime_now();
    const struct {
        const char* name;
        const void* value;
        int type;
    } types[] = {{"Boolean", &boolean, UA_TYPES_BOOLEAN},   {"Byte", &byte, UA_TYPES_BYTE},
                 {"SByte", &sbyte, UA_TYPES_SBYTE},         {"Int16", &int16, UA_TYPES_INT16},
                 {"UInt16", &uint16, UA_TYPES_UINT16},      {"Int32", &int32, UA_TYPES_INT32},
                 {"UInt32", &uint32, UA_TYPES_UINT32},      {"Int64", &int64, UA_TYPES_INT64},
                 {"UInt64", &uint64, UA_TYPES_UINT64},      {"Float", &float32, UA_TYPES_FLOAT},
                 {"Double", &float64, UA_TYPES_DOUBLE},     {"String", &string, UA_TYPES_STRING},
                 {"DateTime", &dateTime, UA_TYPES_DATETIME}};
    for (const auto& type : types) {
        const std::string id = fmt::format("Types.{}", type.name);
        if (platform::Status added =
                AddVariable(id, type.name, "Types", type.value, &UA_TYPES[type.type], true);
            !added)
            return added;
    }

    const UA_Double level = TankFullLevel / 2;
    const UA_Double inflow = 5.0;
    const UA_Boolean pump = false;
    const UA_Double zero = 0;
    for (platform::Status added :
         {AddVariable("Plant.Tank.Level", "Level", "Plant.Tank", &level, &UA_TYPES[UA_TYPES_DOUBLE],
                      false),
          AddVariable("Plant.Tank.PumpCommand", "PumpCommand", "Plant.Tank", &pump,
                      &UA_TYPES[UA_TYPES_BOOLEAN], true),
          AddVariable("Plant.Tank.Inflow", "Inflow", "Plant.Tank", &inflow,
                      &UA_TYPES[UA_TYPES_DOUBLE], true),
          AddVariable("Status.Bad", "Bad", "Status", &zero, &UA_TYPES[UA_TYPES_DOUBLE], false),
          AddVariable("Status.Toggle", "Toggle", "Status", &zero, &UA_TYPES[UA_TYPES_DOUBLE],
                      false),
          AddVariable("Counter", "Counter", "", &counter, &UA_TYPES[UA_TYPES_INT32], false)}) {
        if (!added)
            return added;
    }
    UA_DataValue bad;
    UA_DataValue_init(&bad);
    UA_Variant_setScalar(&bad.value, const_cast<UA_Double*>(&zero), &UA_TYPES[UA_TYPES_DOUBLE]);
    bad.hasValue = true;
    bad.status = UA_STATUSCODE_BADSENSORFAILURE;
    bad.hasStatus = true;
    UA_Server_writeDataValue(server, StringId("Status.Bad"), bad);

    for (int i = 0; i < options.benchItems; ++i) {
        benchIds.push_back(fmt::format("Bench.Item{:04}", i));
        if (platform::Status added = AddVariable(benchIds.back(), benchIds.back().substr(6),
                                                 "Bench", &int32, &UA_TYPES[UA_TYPES_INT32], false);
            !added)
            return added;
    }
    return {};
}

void OpcSimServer::State::Write(std::string_view id, const void* value, const UA_DataType* type) {
    UA_Variant variant;
    UA_Variant_setScalar(&variant, const_cast<void*>(value), type);
    UA_Server_writeValue(server, StringId(id), variant);
}

void OpcSimServer::State::OnWrite(UA_Server*, const UA_NodeId* sessionId, void*,
                                  const UA_NodeId* nodeId, void* nodeContext,
                                  const UA_NumericRange*, const UA_DataValue* data) {
    auto* state = static_cast<State*>(nodeContext);
    // The server's own session writes initial values; only clients' writes are told.
    if (state == nullptr || !state->options.onWrite || sessionId == nullptr ||
        UA_NodeId_isNull(sessionId) || data == nullptr)
        return;
    UA_String id = UA_STRING_NULL;
    UA_NodeId_print(nodeId, &id);
    const std::string line = fmt::format(
        "write {} = {}", std::string_view(reinterpret_cast<const char*>(id.data), id.length),
        data->hasValue ? shell::OpcVariantToText(data->value) : std::string());
    UA_String_clear(&id);
    state->options.onWrite(line);
}

void OpcSimServer::State::StartTimers() {
    UA_Server_addRepeatedCallback(
        server,
        [](UA_Server*, void* data) {
            auto* state = static_cast<State*>(data);
            ++state->counter;
            state->Write("Counter", &state->counter, &UA_TYPES[UA_TYPES_INT32]);
            if (!state->options.tank)
                return;
            UA_Variant level, pump, inflow;
            UA_Server_readValue(state->server, StringId("Plant.Tank.Level"), &level);
            UA_Server_readValue(state->server, StringId("Plant.Tank.PumpCommand"), &pump);
            UA_Server_readValue(state->server, StringId("Plant.Tank.Inflow"), &inflow);
            if (UA_Variant_hasScalarType(&level, &UA_TYPES[UA_TYPES_DOUBLE]) &&
                UA_Variant_hasScalarType(&pump, &UA_TYPES[UA_TYPES_BOOLEAN]) &&
                UA_Variant_hasScalarType(&inflow, &UA_TYPES[UA_TYPES_DOUBLE])) {
                double value = *static_cast<UA_Double*>(level.data);
                value += *static_cast<UA_Boolean*>(pump.data)
                             ? -PumpOutflowPerSecond / 10
                             : *static_cast<UA_Double*>(inflow.data) / 10;
                value = std::clamp(value, 0.0, TankFullLevel);
                state->Write("Plant.Tank.Level", &value, &UA_TYPES[UA_TYPES_DOUBLE]);
            }
            UA_Variant_clear(&level);
            UA_Variant_clear(&pump);
            UA_Variant_clear(&inflow);
        },
        this, 100, nullptr);
    UA_Server_addRepeatedCallback(
        server,
        [](UA_Server*, void* data) {
            auto* state = static_cast<State*>(data);
            ++state->toggleTick;
            UA_DataValue value;
            UA_DataValue_init(&value);
            const UA_Double number = state->toggleTick * 1.5;
            UA_Variant_setScalar(&value.value, const_cast<UA_Double*>(&number),
                                 &UA_TYPES[UA_TYPES_DOUBLE]);
            value.hasValue = true;
            value.hasStatus = true;
            value.status = state->toggleTick % 2 == 0 ? UA_STATUSCODE_GOOD
                                                      : UA_STATUSCODE_BADCOMMUNICATIONERROR;
            UA_Server_writeDataValue(state->server, StringId("Status.Toggle"), value);
        },
        this, 1000, nullptr);
    if (!benchIds.empty()) {
        UA_Server_addRepeatedCallback(
            server,
            [](UA_Server*, void* data) {
                auto* state = static_cast<State*>(data);
                ++state->benchTick;
                for (std::size_t i = 0; i < state->benchIds.size(); ++i) {
                    const UA_Int32 value = state->benchTick + static_cast<UA_Int32>(i);
                    state->Write(state->benchIds[i], &value, &UA_TYPES[UA_TYPES_INT32]);
                }
            },
            this, static_cast<UA_Double>(options.changeInterval.count()), nullptr);
    }
}

platform::Result<std::unique_ptr<OpcSimServer>> OpcSimServer::Start(SimOptions options) {
    if (options.benchItems < 0 || options.benchItems > 100000)
        return platform::Fail("the number of bench items must be 0..100000");
    if (options.changeInterval < 5ms)
        return platform::Fail("the change interval must be at least 5 ms");
    if (platform::Status free = PortFree(options.port); !free)
        return platform::Fail(free.Error());
    // The stack warns of the open access a simulation is meant to have.
    const shell::OpcStackLogDemotion quiet;
    auto state = std::make_unique<State>();
    state->options = std::move(options);
    UA_ServerConfig config;
    std::memset(&config, 0, sizeof config);
    config.logging = shell::OpcStackLogger();
    if (platform::Status configured = state->Configure(&config); !configured) {
        UA_ServerConfig_clean(&config);
        return platform::Fail(configured.Error());
    }
    state->server = UA_Server_newWithConfig(&config);
    if (state->server == nullptr) {
        UA_ServerConfig_clean(&config);
        return platform::Fail("cannot make the server");
    }
    std::unique_ptr<OpcSimServer> server(new OpcSimServer(std::move(state)));
    State& s = *server->m_state;
    if (platform::Status added = s.AddNodes(); !added)
        return platform::Fail(added.Error());
    s.StartTimers();
    const UA_StatusCode status = UA_Server_run_startup(s.server);
    if (status != UA_STATUSCODE_GOOD)
        return platform::Fail(
            fmt::format("cannot serve port {}: {}", s.options.port, shell::OpcStatusName(status)));
    s.thread = std::thread([&s] {
        while (!s.stop)
            UA_Server_run_iterate(s.server, true);
    });
    return server;
}

OpcSimServer::OpcSimServer(std::unique_ptr<State> state) : m_state(std::move(state)) {}

OpcSimServer::~OpcSimServer() {
    Stop();
    if (m_state->server != nullptr)
        UA_Server_delete(m_state->server);
}

void OpcSimServer::Stop() {
    if (!m_state->thread.joinable())
        return;
    m_state->stop = true;
    m_state->thread.join();
    UA_Server_run_shutdown(m_state->server);
}

std::string OpcSimServer::Url() const {
    return fmt::format("opc.tcp://localhost:{}", m_state->options.port);
}

} // namespace opcsim
