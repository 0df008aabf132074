// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

#include <cstdint>
#include <open62541/client.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shell {

// Owns one UA_NodeId (a value type: copies copy the identifier).
class OpcNodeId {
public:
    OpcNodeId() { UA_NodeId_init(&m_id); }
    explicit OpcNodeId(const UA_NodeId& id) { UA_NodeId_copy(&id, &m_id); }
    OpcNodeId(const OpcNodeId& other) : OpcNodeId(other.m_id) {}
    OpcNodeId(OpcNodeId&& other) noexcept : m_id(other.m_id) { UA_NodeId_init(&other.m_id); }
    OpcNodeId& operator=(OpcNodeId other) noexcept {
        std::swap(m_id, other.m_id);
        return *this;
    }
    ~OpcNodeId() { UA_NodeId_clear(&m_id); }

    const UA_NodeId& Get() const { return m_id; }
    UA_NodeId& Get() { return m_id; }
    std::string Text() const;

private:
    UA_NodeId m_id;
};

// One element of a browse path: "Name" (any namespace) or "2:Name".
struct OpcBrowseElement {
    std::string name;
    std::optional<std::uint16_t> namespaceIndex;
};

// An item names a node by its NodeId text ("ns=2;s=Tank.Level", "i=2258", "ns=1;g=...",
// "ns=1;b=...") when it starts like one; otherwise it is a browse path.
bool OpcItemIsNodeId(std::string_view item);
platform::Result<OpcNodeId> OpcParseNodeId(std::string_view item);

// "Plant/Tank/Level" or "1:Plant/Tank/2:Level" into its elements (a leading "/" is allowed,
// empty elements are not).
platform::Result<std::vector<OpcBrowseElement>> OpcParseBrowsePath(std::string_view item);

// The NodeId of an item on the client's server: NodeId text as given, a browse path followed
// from the Objects folder over hierarchical references (first child whose browse name matches).
// Only the thread that owns the client may call it; its calls are bounded by the client's
// configured timeout.
platform::Result<OpcNodeId> OpcResolveItem(UA_Client* client, std::string_view item);

} // namespace shell
