// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

#include <cstddef>
#include <open62541/types.h>
#include <string>
#include <string_view>

namespace shell {

// The longest value text made: units cut texts to 255 characters anyway.
inline constexpr std::size_t OpcMaxValueText = 1024;

// A value as UTF-8 text: Boolean "True"/"False", integers in decimal, Float/Double in the
// shortest text that reads back the same ("NaN", "INF", "-INF"), String and LocalizedText as
// is, DateTime "YYYY-MM-DD hh:mm:ss.zzz" (UTC), ByteString in hex, Guid, NodeId,
// QualifiedName and StatusCode in their usual text. A one-element array gives its element;
// other arrays, empty values and other types give "" (logged at debug level). Safe for any
// variant a server may send; never longer than OpcMaxValueText bytes.
std::string OpcVariantToText(const UA_Variant& value);

// The scalar of `type` that `text` stands for, in the forms OpcVariantToText makes (Boolean
// also takes "1"/"0" and any case). Fails, naming the text and the type, for a text the type
// cannot hold (out of range integers never wrap) and for types without a text form.
platform::Status OpcTextToVariant(std::string_view text, const UA_DataType* type, UA_Variant& out);

// The name of a status code ("BadNodeIdUnknown").
std::string OpcStatusName(UA_StatusCode status);

} // namespace shell
