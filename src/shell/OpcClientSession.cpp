// Quorva run-time. Licensed under the MIT licence.
// The stack side of OpcClient::Worker: sessions, the subscription, items, reads and writes,
// losing and re-establishing the link. Runs on the worker thread only.
#include "platform/Log.h"
#include "shell/OpcClientWorker.h"
#include "shell/OpcStackLog.h"
#include "shell/OpcValueText.h"

#include <algorithm>
#include <cstring>
#include <fmt/format.h>
#include <open62541/client_config_default.h>
#include <open62541/client_highlevel.h>
#include <open62541/client_subscriptions.h>
#include <open62541/plugin/create_certificate.h>
#include <open62541/plugin/pki_default.h>

namespace shell {
namespace opc_session_detail {

using namespace std::chrono_literals;

constexpr auto MinimumInterval = 10ms;
// How long one turn of the stack's loop may wait for the network while re-establishing a link.
constexpr UA_UInt32 IterateMilliseconds = 5;
// With a link up, the loop handles what the network has ready without waiting, then waits this
// long for a call (which wakes it at once) before it looks at the network again: the stack's
// own wait cannot be woken by a call. It bounds what a data change waits; it costs the idle
// client about a thousand short wake-ups a second.
constexpr auto NetworkPollInterval = 1ms;
constexpr UA_UInt32 ChannelLifetimeMilliseconds = 10 * 60 * 1000;
constexpr UA_UInt32 SessionTimeoutMilliseconds = 60 * 1000;
constexpr const char* ApplicationUri = "urn:quorva:opcclient";
// Closing a session over a link already lost must not hold the worker.
constexpr auto LostLinkCloseTimeout = 100ms;

UA_String Literal(std::string_view text) {
    return UA_String{text.size(), reinterpret_cast<UA_Byte*>(const_cast<char*>(text.data()))};
}

struct ReadValue {
    UA_StatusCode status = UA_STATUSCODE_GOOD;
    std::string text;
    const UA_DataType* type = nullptr; // of a scalar value
};

ReadValue ReadOnce(UA_Client* client, const UA_NodeId& node) {
    UA_ReadValueId id;
    UA_ReadValueId_init(&id);
    id.nodeId = node;
    id.attributeId = UA_ATTRIBUTEID_VALUE;
    UA_ReadRequest request;
    UA_ReadRequest_init(&request);
    request.nodesToRead = &id;
    request.nodesToReadSize = 1;
    request.timestampsToReturn = UA_TIMESTAMPSTORETURN_NEITHER;
    UA_ReadResponse response = UA_Client_Service_read(client, request);
    ReadValue value;
    value.status = response.responseHeader.serviceResult;
    if (value.status == UA_STATUSCODE_GOOD && response.resultsSize != 1)
        value.status = UA_STATUSCODE_BADUNEXPECTEDERROR;
    if (value.status == UA_STATUSCODE_GOOD) {
        const UA_DataValue& data = response.results[0];
        if (data.hasStatus)
            value.status = data.status;
        if (data.hasValue && UA_Variant_isScalar(&data.value))
            value.type = data.value.type;
        if (data.hasValue && OpcStatusIsGood(value.status))
            value.text = OpcVariantToText(data.value);
    }
    UA_ReadResponse_clear(&response);
    return value;
}

} // namespace opc_session_detail

using namespace opc_session_detail;

void OpcClient::Worker::SetCallTimeout(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    UA_Client_getConfig(m_client)->timeout = static_cast<UA_UInt32>(std::max<long long>(1, left));
}

bool OpcClient::Worker::SessionActive() {
    UA_SecureChannelState channel;
    UA_SessionState session;
    UA_StatusCode status;
    UA_Client_getState(m_client, &channel, &session, &status);
    return status == UA_STATUSCODE_GOOD && session == UA_SESSIONSTATE_ACTIVATED;
}

platform::Status OpcClient::Worker::EnsureCertificate() {
    if (!m_certificate.empty())
        return {};
    UA_String subject[] = {Literal("O=Quorva"), Literal("CN=Quorva OPC client")};
    UA_String alternativeNames[] = {Literal("DNS:localhost"), Literal("URI:urn:quorva:opcclient")};
    UA_ByteString key = UA_BYTESTRING_NULL;
    UA_ByteString certificate = UA_BYTESTRING_NULL;
    const UA_StatusCode status =
        UA_CreateCertificate(OpcStackLogger(), subject, 2, alternativeNames, 2,
                             UA_CERTIFICATEFORMAT_DER, nullptr, &key, &certificate);
    if (status == UA_STATUSCODE_GOOD) {
        m_certificate.assign(reinterpret_cast<const char*>(certificate.data), certificate.length);
        m_privateKey.assign(reinterpret_cast<const char*>(key.data), key.length);
    }
    UA_ByteString_clear(&certificate);
    UA_ByteString_memZero(&key);
    UA_ByteString_clear(&key);
    if (status != UA_STATUSCODE_GOOD)
        return platform::Fail(
            fmt::format("OPC: cannot make the client's certificate: {}", OpcStatusName(status)));
    return {};
}

UA_Client* OpcClient::Worker::MakeClient(const OpcEndpoint& endpoint, std::string& error) {
    UA_ClientConfig config;
    std::memset(&config, 0, sizeof config);
    config.logging = OpcStackLogger();
    UA_StatusCode status = UA_STATUSCODE_GOOD;
    if (endpoint.security == OpcSecurity::None) {
        status = UA_ClientConfig_setDefault(&config);
        config.securityMode = UA_MESSAGESECURITYMODE_NONE;
    } else {
        if (const platform::Status made = EnsureCertificate(); !made) {
            error = made.Error();
            return nullptr;
        }
        const UA_ByteString certificate{m_certificate.size(),
                                        reinterpret_cast<UA_Byte*>(m_certificate.data())};
        const UA_ByteString key{m_privateKey.size(),
                                reinterpret_cast<UA_Byte*>(m_privateKey.data())};
        status =
            UA_ClientConfig_setDefaultEncryption(&config, certificate, key, nullptr, 0, nullptr, 0);
        // No trust list on panels yet: the server's certificate is accepted as it comes.
        if (config.certificateVerification.clear != nullptr)
            config.certificateVerification.clear(&config.certificateVerification);
        UA_CertificateVerification_AcceptAll(&config.certificateVerification);
        config.securityMode = endpoint.security == OpcSecurity::Sign
                                  ? UA_MESSAGESECURITYMODE_SIGN
                                  : UA_MESSAGESECURITYMODE_SIGNANDENCRYPT;
        UA_String_clear(&config.clientDescription.applicationUri);
        config.clientDescription.applicationUri = UA_STRING_ALLOC(ApplicationUri);
    }
    if (status != UA_STATUSCODE_GOOD) {
        UA_ClientConfig_clear(&config);
        error = fmt::format("cannot configure the client: {}", OpcStatusName(status));
        return nullptr;
    }
    config.clientContext = this;
    // Choosing a secured endpoint reopens the channel, so the stack may reconnect until the
    // session is up; after that the worker re-establishes lost links itself.
    config.noReconnect = false;
    config.noNewSession = true;
    config.timeout = static_cast<UA_UInt32>(m_timeouts.connect.count());
    config.secureChannelLifeTime = ChannelLifetimeMilliseconds;
    config.requestedSessionTimeout = SessionTimeoutMilliseconds;
    config.connectivityCheckInterval = 0;
    config.subscriptionInactivityCallback = OnSubscriptionInactive;
    if (!endpoint.user.empty())
        UA_ClientConfig_setAuthenticationUsername(&config, endpoint.user.c_str(),
                                                  endpoint.password.c_str());
    UA_Client* client = UA_Client_newWithConfig(&config);
    if (client == nullptr) {
        UA_ClientConfig_clear(&config);
        error = "out of memory";
    }
    return client;
}

void OpcClient::Worker::DropClient(std::chrono::milliseconds closeTimeout) {
    if (m_client == nullptr)
        return;
    UA_Client_getConfig(m_client)->timeout = static_cast<UA_UInt32>(closeTimeout.count());
    UA_Client_delete(m_client);
    m_client = nullptr;
    m_reconnecting = false;
    m_subscriptionId = 0;
    m_inactive = false;
    m_resolved.clear();
    m_types.clear();
    for (Item& item : m_items)
        item.monitored = false;
}

platform::Status OpcClient::Worker::CreateSubscription(Clock::time_point deadline) {
    UA_CreateSubscriptionRequest request = UA_CreateSubscriptionRequest_default();
    request.requestedPublishingInterval = static_cast<UA_Double>(m_interval.count());
    request.maxNotificationsPerPublish = 0; // unlimited
    SetCallTimeout(deadline);
    UA_CreateSubscriptionResponse response =
        UA_Client_Subscriptions_create(m_client, request, nullptr, nullptr, nullptr);
    const UA_StatusCode status = response.responseHeader.serviceResult;
    if (status == UA_STATUSCODE_GOOD) {
        m_subscriptionId = response.subscriptionId;
        platform::LogInfo("OPC: subscription at {}: publishing every {} ms (asked {} ms)", Url(),
                          response.revisedPublishingInterval, m_interval.count());
    }
    UA_CreateSubscriptionResponse_clear(&response);
    if (status != UA_STATUSCODE_GOOD)
        return platform::Fail(fmt::format("OPC: the server {} refused the subscription: {}", Url(),
                                          OpcStatusName(status)));
    return {};
}

platform::Result<OpcNodeId> OpcClient::Worker::Resolve(const std::string& item,
                                                       Clock::time_point deadline) {
    if (const auto found = m_resolved.find(item); found != m_resolved.end())
        return found->second;
    SetCallTimeout(deadline);
    platform::Result<OpcNodeId> node = OpcResolveItem(m_client, item);
    if (node)
        m_resolved.emplace(item, node.Value());
    return node;
}

platform::Status OpcClient::Worker::Monitor(Item& item, Clock::time_point deadline) {
    platform::Result<OpcNodeId> node = Resolve(item.name, deadline);
    if (!node)
        return platform::Fail(node.Error());
    UA_MonitoredItemCreateRequest request = UA_MonitoredItemCreateRequest_default(node->Get());
    request.requestedParameters.samplingInterval = static_cast<UA_Double>(m_interval.count());
    request.requestedParameters.queueSize = 1;
    request.requestedParameters.discardOldest = true;
    SetCallTimeout(deadline);
    UA_MonitoredItemCreateResult result = UA_Client_MonitoredItems_createDataChange(
        m_client, m_subscriptionId, UA_TIMESTAMPSTORETURN_NEITHER, request,
        reinterpret_cast<void*>(static_cast<std::uintptr_t>(item.handle)), OnDataChange, nullptr);
    const UA_StatusCode status = result.statusCode;
    const double revised = result.revisedSamplingInterval;
    UA_MonitoredItemCreateResult_clear(&result);
    if (status != UA_STATUSCODE_GOOD)
        return platform::Fail(
            fmt::format("OPC: cannot monitor item \"{}\": {}", item.name, OpcStatusName(status)));
    item.monitored = true;
    platform::LogDebug("OPC: item \"{}\" (handle {}) sampled every {} ms", item.name, item.handle,
                       revised);
    return {};
}

OpcConnectResult OpcClient::Worker::DoConnect(const OpcEndpoint& endpoint,
                                              std::chrono::milliseconds interval,
                                              Clock::time_point deadline) {
    if (m_connected)
        DoClose();
    m_endpoint = endpoint;
    m_interval = std::max<std::chrono::milliseconds>(interval, MinimumInterval);
    {
        const std::lock_guard lock(m_mutex);
        m_url = endpoint.url;
    }
    std::string error;
    m_client = MakeClient(endpoint, error);
    if (m_client == nullptr) {
        platform::LogWarning("OPC: cannot connect to {}: {}", endpoint.url, error);
        return OpcConnectResult::Unreachable;
    }
    SetCallTimeout(std::min(deadline, Clock::now() + m_timeouts.connect));
    const UA_StatusCode status = UA_Client_connect(m_client, endpoint.url.c_str());
    if (status != UA_STATUSCODE_GOOD) {
        platform::LogWarning("OPC: cannot connect to {}: {}", endpoint.url, OpcStatusName(status));
        DropClient(LostLinkCloseTimeout);
        return OpcConnectResult::Unreachable;
    }
    if (const platform::Status created = CreateSubscription(deadline); !created) {
        platform::LogWarning("{}", created.Error());
        DropClient(m_timeouts.service);
        return OpcConnectResult::SubscriptionRefused;
    }
    UA_Client_getConfig(m_client)->noReconnect = true;
    m_items.clear();
    m_connected = true;
    m_linkUp = true;
    platform::LogInfo("OPC: connected to {}", endpoint.url);
    return OpcConnectResult::Connected;
}

bool OpcClient::Worker::DoClose() {
    if (!m_connected)
        return false;
    bool deleted = false;
    if (m_client != nullptr && m_linkUp) {
        SetCallTimeout(Clock::now() + m_timeouts.service);
        const UA_StatusCode status =
            UA_Client_Subscriptions_deleteSingle(m_client, m_subscriptionId);
        deleted = status == UA_STATUSCODE_GOOD;
        if (!deleted)
            platform::LogWarning("OPC: deleting the subscription at {} failed: {}", Url(),
                                 OpcStatusName(status));
    }
    DropClient(m_linkUp ? m_timeouts.service : LostLinkCloseTimeout);
    FlushChanges();
    m_items.clear();
    m_connected = false;
    m_linkUp = false;
    platform::LogInfo("OPC: closed the session with {}", Url());
    return deleted;
}

platform::Status OpcClient::Worker::DoAddItem(const std::string& item, std::uint32_t handle,
                                              Clock::time_point deadline) {
    if (!m_connected)
        return platform::Fail(fmt::format("OPC: cannot add item \"{}\": not connected", item));
    m_items.push_back(Item{item, handle, false});
    if (m_client == nullptr || !m_linkUp) {
        platform::LogDebug("OPC: item \"{}\" is monitored once the link to {} is back", item,
                           Url());
        return {};
    }
    platform::Status monitored = Monitor(m_items.back(), deadline);
    if (!monitored) {
        if (!SessionActive()) {
            platform::LogDebug("OPC: item \"{}\" is monitored once the link to {} is back", item,
                               Url());
            return {};
        }
        m_items.pop_back();
    }
    return monitored;
}

platform::Result<std::string> OpcClient::Worker::DoRead(const std::string& item,
                                                        Clock::time_point deadline) {
    if (m_client == nullptr || !m_linkUp)
        return platform::Fail(
            fmt::format("OPC: cannot read \"{}\": the link to {} is down", item, Url()));
    platform::Result<OpcNodeId> node = Resolve(item, deadline);
    if (!node)
        return platform::Fail(node.Error());
    SetCallTimeout(deadline);
    ReadValue value = ReadOnce(m_client, node->Get());
    if (value.type != nullptr)
        m_types[item] = value.type;
    if (!OpcStatusIsGood(value.status))
        return platform::Fail(
            fmt::format("OPC: reading \"{}\": {}", item, OpcStatusName(value.status)));
    return std::move(value.text);
}

platform::Result<const UA_DataType*> OpcClient::Worker::TypeOf(const std::string& item,
                                                               const OpcNodeId& node,
                                                               Clock::time_point deadline) {
    if (const auto found = m_types.find(item); found != m_types.end())
        return found->second;
    SetCallTimeout(deadline);
    const ReadValue value = ReadOnce(m_client, node.Get());
    const UA_DataType* type = value.type;
    if (type == nullptr) {
        // An empty value: the node's declared data type tells.
        UA_NodeId typeId;
        UA_NodeId_init(&typeId);
        SetCallTimeout(deadline);
        const UA_StatusCode status = UA_Client_readDataTypeAttribute(m_client, node.Get(), &typeId);
        if (status != UA_STATUSCODE_GOOD) {
            UA_NodeId_clear(&typeId);
            return platform::Fail(fmt::format("OPC: cannot learn the data type of \"{}\": {}", item,
                                              OpcStatusName(status)));
        }
        type = UA_findDataType(&typeId);
        UA_NodeId_clear(&typeId);
    }
    if (type == nullptr)
        return platform::Fail(fmt::format("OPC: the data type of \"{}\" is unknown here", item));
    m_types[item] = type;
    return type;
}

platform::Status OpcClient::Worker::DoWrite(const std::string& item, const std::string& text,
                                            Clock::time_point deadline) {
    if (m_client == nullptr || !m_linkUp)
        return platform::Fail(
            fmt::format("OPC: cannot write \"{}\": the link to {} is down", item, Url()));
    platform::Result<OpcNodeId> node = Resolve(item, deadline);
    if (!node)
        return platform::Fail(node.Error());
    platform::Result<const UA_DataType*> type = TypeOf(item, node.Value(), deadline);
    if (!type)
        return platform::Fail(type.Error());
    UA_Variant value;
    if (platform::Status converted = OpcTextToVariant(text, type.Value(), value); !converted)
        return platform::Fail(fmt::format("{} (item \"{}\")", converted.Error(), item));
    SetCallTimeout(deadline);
    const UA_StatusCode status = UA_Client_writeValueAttribute(m_client, node->Get(), &value);
    UA_Variant_clear(&value);
    if (status != UA_STATUSCODE_GOOD)
        return platform::Fail(
            fmt::format("OPC: writing \"{}\" to \"{}\": {}", text, item, OpcStatusName(status)));
    return {};
}

void OpcClient::Worker::Iterate() {
    const UA_StatusCode status = UA_Client_run_iterate(m_client, 0);
    FlushChanges();
    if (status != UA_STATUSCODE_GOOD)
        LinkLost(OpcStatusName(status));
    else if (m_inactive)
        LinkLost("the server stopped publishing");
    else if (!SessionActive())
        LinkLost("the session was closed");
    else {
        std::unique_lock lock(m_mutex);
        m_wake.wait_for(lock, NetworkPollInterval, [this] { return m_stop || !m_jobs.empty(); });
    }
}

void OpcClient::Worker::LinkLost(const std::string& reason) {
    platform::LogWarning("OPC: lost the connection to {}: {}; reconnecting every {} ms", Url(),
                         reason, m_timeouts.reconnectInterval.count());
    m_linkUp = false;
    const OpcStackLogDemotion quiet;
    DropClient(LostLinkCloseTimeout);
    m_nextAttempt = Clock::now();
}

void OpcClient::Worker::TryReconnect() {
    const OpcStackLogDemotion quiet;
    const auto now = Clock::now();
    if (m_client == nullptr) {
        if (now < m_nextAttempt) {
            std::unique_lock lock(m_mutex);
            m_wake.wait_until(lock, std::min(m_nextAttempt, now + 10ms),
                              [this] { return m_stop || !m_jobs.empty(); });
            return;
        }
        m_nextAttempt = now + m_timeouts.reconnectInterval;
        std::string error;
        m_client = MakeClient(m_endpoint, error);
        if (m_client == nullptr) {
            platform::LogDebug("OPC: reconnecting to {}: {}", m_endpoint.url, error);
            return;
        }
        m_attemptDeadline = now + m_timeouts.connect;
        SetCallTimeout(m_attemptDeadline);
        if (UA_Client_connectAsync(m_client, m_endpoint.url.c_str()) != UA_STATUSCODE_GOOD)
            DropClient(LostLinkCloseTimeout);
        m_reconnecting = m_client != nullptr;
        return;
    }
    UA_Client_run_iterate(m_client, IterateMilliseconds);
    UA_SecureChannelState channel;
    UA_SessionState session;
    UA_StatusCode status;
    UA_Client_getState(m_client, &channel, &session, &status);
    if (status == UA_STATUSCODE_GOOD && session == UA_SESSIONSTATE_ACTIVATED) {
        Reestablish();
    } else if (status != UA_STATUSCODE_GOOD || now >= m_attemptDeadline) {
        platform::LogDebug("OPC: reconnecting to {} failed: {}", m_endpoint.url,
                           status != UA_STATUSCODE_GOOD ? OpcStatusName(status)
                                                        : std::string("no answer in time"));
        DropClient(LostLinkCloseTimeout);
    }
}

void OpcClient::Worker::Reestablish() {
    m_reconnecting = false;
    UA_Client_getConfig(m_client)->noReconnect = true;
    if (const platform::Status created = CreateSubscription(Clock::now() + m_timeouts.service);
        !created) {
        platform::LogWarning("OPC: a session with {} is back, but: {}", Url(), created.Error());
        DropClient(m_timeouts.service);
        return;
    }
    m_linkUp = true;
    std::size_t monitored = 0;
    for (Item& item : m_items) {
        if (const platform::Status status = Monitor(item, Clock::now() + m_timeouts.service);
            status)
            ++monitored;
        else
            platform::LogWarning("{} (after reconnecting)", status.Error());
    }
    platform::LogWarning("OPC: the connection to {} is re-established; {} of {} items monitored",
                         Url(), monitored, m_items.size());
}

void OpcClient::Worker::OnDataChange(UA_Client* client, UA_UInt32, void*, UA_UInt32,
                                     void* monitoredItemContext, UA_DataValue* value) {
    auto* worker = static_cast<Worker*>(UA_Client_getContext(client));
    if (worker == nullptr || value == nullptr)
        return;
    OpcDataChange change;
    change.clientHandle =
        static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(monitoredItemContext));
    change.status = value->hasStatus ? value->status : UA_STATUSCODE_GOOD;
    if (OpcStatusIsGood(change.status) && value->hasValue)
        change.text = OpcVariantToText(value->value);
    worker->m_changes.push_back(std::move(change));
}

void OpcClient::Worker::OnSubscriptionInactive(UA_Client* client, UA_UInt32, void*) {
    if (auto* worker = static_cast<Worker*>(UA_Client_getContext(client)))
        worker->m_inactive = true;
}

} // namespace shell
