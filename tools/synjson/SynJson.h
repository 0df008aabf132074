// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"
#include "screens/SynScreen.h"

#include <nlohmann/json.hpp>
#include <optional>

namespace synjson {

using Json = nlohmann::ordered_json;

// A screen as JSON, the form syndump prints and synbuild reads: "version", "header", "extended"
// (version 7), "objects". Texts are converted from the system code page to UTF-8, raw bytes are
// lower-case hex, colours hex texts ("0x8000000F"), kinds their names where they have one.
// `stop` and `warnings` are left out (see StopToJson).
Json ScreenToJson(const screens::SynScreen& screen);
// Where and why object reading stopped.
Json StopToJson(const screens::SynReadError& stop);

// The screen a JSON document describes. Missing fields take their defaults (an object needs only
// its "kind"; class data missing fields are zeros and empty texts). `version`, when given,
// replaces the document's version. Fails, naming the JSON path ("objects[2].classData.hint"),
// for a field of the wrong type or out of range, an unknown field, a text too long for its
// field, and a class name that names no screen-object class (on objects other than ActiveX).
// The top-level "stop" member that a partial dump carries is ignored.
platform::Result<screens::SynScreen> ScreenFromJson(const Json& json,
                                                    std::optional<int> version = std::nullopt);

} // namespace synjson
