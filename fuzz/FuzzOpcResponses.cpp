// Quorva run-time. Licensed under the MIT licence.
// Fuzz target for what an OPC UA server sends the client: responses decoded as the stack does,
// every value in them made text, and the input taken as text for every type a value is written as.
#include "platform/Log.h"
#include "shell/OpcValueText.h"

#include <cstddef>
#include <cstdint>
#include <open62541/types.h>
#include <string>
#include <string_view>

namespace {

// The first input byte picks the response type.
constexpr int ResponseTypes[] = {
    UA_TYPES_READRESPONSE,           UA_TYPES_WRITERESPONSE,
    UA_TYPES_PUBLISHRESPONSE,        UA_TYPES_CREATEMONITOREDITEMSRESPONSE,
    UA_TYPES_BROWSERESPONSE,         UA_TYPES_TRANSLATEBROWSEPATHSTONODEIDSRESPONSE,
    UA_TYPES_DATACHANGENOTIFICATION,
};

// The types values are written as, and whether text -> value -> text -> value -> text must give
// the same text twice.
constexpr struct {
    int type;
    bool stable;
} WrittenTypes[] = {
    {UA_TYPES_BOOLEAN, true},       {UA_TYPES_SBYTE, true},      {UA_TYPES_BYTE, true},
    {UA_TYPES_INT16, true},         {UA_TYPES_UINT16, true},     {UA_TYPES_INT32, true},
    {UA_TYPES_UINT32, true},        {UA_TYPES_INT64, true},      {UA_TYPES_UINT64, true},
    {UA_TYPES_FLOAT, true},         {UA_TYPES_DOUBLE, true},     {UA_TYPES_STRING, true},
    {UA_TYPES_LOCALIZEDTEXT, true}, {UA_TYPES_DATETIME, true},   {UA_TYPES_BYTESTRING, true},
    {UA_TYPES_GUID, true},          {UA_TYPES_NODEID, false},    {UA_TYPES_QUALIFIEDNAME, true},
    {UA_TYPES_XMLELEMENT, true},    {UA_TYPES_STATUSCODE, false}};

void Check(const std::string& text) {
    if (text.size() > shell::OpcMaxValueText)
        __builtin_trap();
}

void ValueText(const UA_DataValue& value) {
    if (value.hasValue)
        Check(shell::OpcVariantToText(value.value));
    if (value.hasStatus)
        Check(shell::OpcStatusName(value.status));
}

void ScalarText(const void* data, int type) {
    UA_Variant variant;
    UA_Variant_setScalar(&variant, const_cast<void*>(data), &UA_TYPES[type]);
    Check(shell::OpcVariantToText(variant));
}

void DataChanges(const UA_DataChangeNotification& notification) {
    for (std::size_t i = 0; i < notification.monitoredItemsSize; ++i)
        ValueText(notification.monitoredItems[i].value);
}

void ResponseTexts(const void* response, int type) {
    switch (type) {
    case UA_TYPES_READRESPONSE: {
        const auto& read = *static_cast<const UA_ReadResponse*>(response);
        for (std::size_t i = 0; i < read.resultsSize; ++i)
            ValueText(read.results[i]);
        break;
    }
    case UA_TYPES_WRITERESPONSE: {
        const auto& write = *static_cast<const UA_WriteResponse*>(response);
        for (std::size_t i = 0; i < write.resultsSize; ++i)
            Check(shell::OpcStatusName(write.results[i]));
        break;
    }
    case UA_TYPES_PUBLISHRESPONSE: {
        const auto& publish = *static_cast<const UA_PublishResponse*>(response);
        const UA_NotificationMessage& message = publish.notificationMessage;
        for (std::size_t i = 0; i < message.notificationDataSize; ++i) {
            const UA_ExtensionObject& data = message.notificationData[i];
            if (data.encoding >= UA_EXTENSIONOBJECT_DECODED &&
                data.content.decoded.type == &UA_TYPES[UA_TYPES_DATACHANGENOTIFICATION] &&
                data.content.decoded.data != nullptr)
                DataChanges(
                    *static_cast<const UA_DataChangeNotification*>(data.content.decoded.data));
        }
        break;
    }
    case UA_TYPES_CREATEMONITOREDITEMSRESPONSE: {
        const auto& created = *static_cast<const UA_CreateMonitoredItemsResponse*>(response);
        for (std::size_t i = 0; i < created.resultsSize; ++i)
            Check(shell::OpcStatusName(created.results[i].statusCode));
        break;
    }
    case UA_TYPES_BROWSERESPONSE: {
        const auto& browse = *static_cast<const UA_BrowseResponse*>(response);
        for (std::size_t i = 0; i < browse.resultsSize; ++i) {
            for (std::size_t j = 0; j < browse.results[i].referencesSize; ++j) {
                const UA_ReferenceDescription& reference = browse.results[i].references[j];
                ScalarText(&reference.browseName, UA_TYPES_QUALIFIEDNAME);
                ScalarText(&reference.nodeId, UA_TYPES_EXPANDEDNODEID);
                ScalarText(&reference.displayName, UA_TYPES_LOCALIZEDTEXT);
            }
        }
        break;
    }
    case UA_TYPES_TRANSLATEBROWSEPATHSTONODEIDSRESPONSE: {
        const auto& translated =
            *static_cast<const UA_TranslateBrowsePathsToNodeIdsResponse*>(response);
        for (std::size_t i = 0; i < translated.resultsSize; ++i) {
            for (std::size_t j = 0; j < translated.results[i].targetsSize; ++j)
                ScalarText(&translated.results[i].targets[j].targetId, UA_TYPES_EXPANDEDNODEID);
        }
        break;
    }
    case UA_TYPES_DATACHANGENOTIFICATION:
        DataChanges(*static_cast<const UA_DataChangeNotification*>(response));
        break;
    default:
        break;
    }
}

} // namespace

// The value texts log arrays and structures at debug level; keep the output to findings.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    platform::log::SetLevel(platform::LogLevel::Off);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const int type = ResponseTypes[data[0] % std::size(ResponseTypes)];
    UA_ByteString bytes{size - 1, const_cast<UA_Byte*>(data + 1)};
    union {
        UA_ReadResponse read;
        UA_WriteResponse write;
        UA_PublishResponse publish;
        UA_CreateMonitoredItemsResponse created;
        UA_BrowseResponse browse;
        UA_TranslateBrowsePathsToNodeIdsResponse translated;
        UA_DataChangeNotification changes;
    } response;
    if (UA_decodeBinary(&bytes, &response, &UA_TYPES[type], nullptr) == UA_STATUSCODE_GOOD) {
        ResponseTexts(&response, type);
        UA_clear(&response, &UA_TYPES[type]);
    }

    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    for (const auto& written : WrittenTypes) {
        UA_Variant value;
        if (!shell::OpcTextToVariant(text, &UA_TYPES[written.type], value))
            continue;
        const std::string first = shell::OpcVariantToText(value);
        UA_Variant_clear(&value);
        Check(first);
        if (!written.stable)
            continue;
        UA_Variant again;
        if (!shell::OpcTextToVariant(first, &UA_TYPES[written.type], again))
            __builtin_trap(); // a text the client made must read back
        const std::string second = shell::OpcVariantToText(again);
        UA_Variant_clear(&again);
        if (second != first)
            __builtin_trap();
    }
    return 0;
}
