// Quorva run-time. Licensed under the MIT licence.
#include "shell/OpcItemPath.h"

#include "shell/OpcValueText.h"

#include <charconv>
#include <fmt/format.h>

namespace shell {
namespace opc_path_detail {

// BrowseNext rounds followed for one node before giving up (a server that keeps answering
// with continuation points must not hold the client).
constexpr int MaxBrowseRounds = 1000;

UA_String Borrow(std::string_view text) {
    UA_String borrowed;
    borrowed.length = text.size();
    borrowed.data = reinterpret_cast<UA_Byte*>(const_cast<char*>(text.data()));
    return borrowed;
}

std::string_view ViewOf(const UA_String& text) {
    if (text.length == 0 || text.data == nullptr)
        return {};
    return {reinterpret_cast<const char*>(text.data), text.length};
}

bool Matches(const UA_ReferenceDescription& reference, const OpcBrowseElement& element) {
    if (element.namespaceIndex && reference.browseName.namespaceIndex != *element.namespaceIndex)
        return false;
    return ViewOf(reference.browseName.name) == element.name;
}

void ReleaseContinuation(UA_Client* client, const UA_ByteString& point) {
    UA_BrowseNextRequest request;
    UA_BrowseNextRequest_init(&request);
    request.releaseContinuationPoints = true;
    request.continuationPoints = const_cast<UA_ByteString*>(&point);
    request.continuationPointsSize = 1;
    UA_BrowseNextResponse response = UA_Client_Service_browseNext(client, request);
    UA_BrowseNextResponse_clear(&response);
}

// Looks through one BrowseResult; sets `found` on a match. Returns the continuation point to
// follow (empty: done).
UA_ByteString Scan(const UA_BrowseResult& result, const OpcBrowseElement& element,
                   std::optional<OpcNodeId>& found) {
    for (std::size_t i = 0; i < result.referencesSize && !found; ++i) {
        if (Matches(result.references[i], element))
            found.emplace(result.references[i].nodeId.nodeId);
    }
    UA_ByteString point = UA_BYTESTRING_NULL;
    UA_ByteString_copy(&result.continuationPoint, &point);
    return point;
}

platform::Result<OpcNodeId> Child(UA_Client* client, const OpcNodeId& parent,
                                  const OpcBrowseElement& element, std::string_view item) {
    UA_BrowseDescription description;
    UA_BrowseDescription_init(&description);
    description.nodeId = parent.Get();
    description.browseDirection = UA_BROWSEDIRECTION_FORWARD;
    description.referenceTypeId = UA_NODEID_NUMERIC(0, UA_NS0ID_HIERARCHICALREFERENCES);
    description.includeSubtypes = true;
    description.resultMask = UA_BROWSERESULTMASK_BROWSENAME;

    UA_BrowseRequest request;
    UA_BrowseRequest_init(&request);
    request.nodesToBrowse = &description;
    request.nodesToBrowseSize = 1;
    UA_BrowseResponse response = UA_Client_Service_browse(client, request);
    UA_StatusCode status = response.responseHeader.serviceResult;
    if (status == UA_STATUSCODE_GOOD && response.resultsSize != 1)
        status = UA_STATUSCODE_BADUNEXPECTEDERROR;
    if (status == UA_STATUSCODE_GOOD)
        status = response.results[0].statusCode;
    if (status != UA_STATUSCODE_GOOD) {
        UA_BrowseResponse_clear(&response);
        return platform::Fail(fmt::format("OPC: cannot browse for \"{}\" of item \"{}\": {}",
                                          element.name, item, OpcStatusName(status)));
    }
    std::optional<OpcNodeId> found;
    UA_ByteString point = Scan(response.results[0], element, found);
    UA_BrowseResponse_clear(&response);

    for (int round = 0; point.length > 0 && !found && round < MaxBrowseRounds; ++round) {
        UA_BrowseNextRequest next;
        UA_BrowseNextRequest_init(&next);
        next.continuationPoints = &point;
        next.continuationPointsSize = 1;
        UA_BrowseNextResponse nextResponse = UA_Client_Service_browseNext(client, next);
        UA_ByteString_clear(&point);
        if (nextResponse.responseHeader.serviceResult == UA_STATUSCODE_GOOD &&
            nextResponse.resultsSize == 1 &&
            nextResponse.results[0].statusCode == UA_STATUSCODE_GOOD)
            point = Scan(nextResponse.results[0], element, found);
        UA_BrowseNextResponse_clear(&nextResponse);
    }
    if (point.length > 0)
        ReleaseContinuation(client, point);
    UA_ByteString_clear(&point);
    if (!found)
        return platform::Fail(fmt::format("OPC: item \"{}\": no node \"{}\" under {}", item,
                                          element.name, parent.Text()));
    return std::move(*found);
}

} // namespace opc_path_detail

using namespace opc_path_detail;

std::string OpcNodeId::Text() const {
    UA_String out = UA_STRING_NULL;
    UA_NodeId_print(&m_id, &out);
    std::string text(ViewOf(out));
    UA_String_clear(&out);
    return text;
}

bool OpcItemIsNodeId(std::string_view item) {
    for (std::string_view start : {"ns=", "i=", "s=", "g=", "b="}) {
        if (item.starts_with(start))
            return true;
    }
    return false;
}

platform::Result<OpcNodeId> OpcParseNodeId(std::string_view item) {
    OpcNodeId id;
    if (UA_NodeId_parse(&id.Get(), Borrow(item)) != UA_STATUSCODE_GOOD)
        return platform::Fail(fmt::format("OPC: \"{}\" is not a valid NodeId", item));
    return id;
}

platform::Result<std::vector<OpcBrowseElement>> OpcParseBrowsePath(std::string_view item) {
    const std::string_view whole = item;
    if (item.starts_with('/'))
        item.remove_prefix(1);
    std::vector<OpcBrowseElement> elements;
    while (true) {
        const std::size_t slash = item.find('/');
        std::string_view part = item.substr(0, slash);
        OpcBrowseElement element;
        const std::size_t colon = part.find(':');
        if (colon != std::string_view::npos && colon > 0) {
            std::uint16_t index = 0;
            const auto result = std::from_chars(part.data(), part.data() + colon, index);
            if (result.ec == std::errc() && result.ptr == part.data() + colon) {
                element.namespaceIndex = index;
                part.remove_prefix(colon + 1);
            }
        }
        if (part.empty())
            return platform::Fail(fmt::format("OPC: \"{}\" is not a valid item path", whole));
        element.name = std::string(part);
        elements.push_back(std::move(element));
        if (slash == std::string_view::npos)
            break;
        item.remove_prefix(slash + 1);
    }
    return elements;
}

platform::Result<OpcNodeId> OpcResolveItem(UA_Client* client, std::string_view item) {
    if (item.empty())
        return platform::Fail("OPC: empty item name");
    if (OpcItemIsNodeId(item))
        return OpcParseNodeId(item);
    platform::Result<std::vector<OpcBrowseElement>> path = OpcParseBrowsePath(item);
    if (!path)
        return platform::Fail(path.Error());
    OpcNodeId node(UA_NODEID_NUMERIC(0, UA_NS0ID_OBJECTSFOLDER));
    for (const OpcBrowseElement& element : path.Value()) {
        platform::Result<OpcNodeId> child = Child(client, node, element, item);
        if (!child)
            return child;
        node = std::move(child.Value());
    }
    return node;
}

} // namespace shell
