// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "SynJson.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <string_view>

namespace synjson {

// The first failure met while a JSON document is turned into a screen, with its JSON path.
class JsonErrors {
public:
    bool Ok() const { return m_message.empty(); }
    const std::string& Message() const { return m_message; }
    void Fail(std::string_view path, std::string_view what);

private:
    std::string m_message;
};

// Reads the members of one JSON object by name, each checked for type and range; a member that is
// absent leaves the target at its default. Finish() refuses members nobody asked for, so that a
// misspelt field is an error rather than silently a default. Paths name each member in errors.
class JsonMembers {
public:
    JsonMembers(JsonErrors& errors, const Json* json, std::string path);

    std::string PathOf(std::string_view key) const;
    // The member, marked as read; null when absent (or when this is not an object).
    const Json* Take(std::string_view key);

    void Integer(std::string_view key, std::int64_t& out, std::int64_t low, std::int64_t high);
    template <typename T> void Number(std::string_view key, T& out);
    // A colour: an integer or a hex text "0x8000000F".
    void Colour(std::string_view key, std::uint32_t& out);
    // A text in UTF-8, stored as bytes of the code page, at most `limit` of them.
    void Text(std::string_view key, std::string& out, std::size_t limit);
    // Bytes as hex; exactly `size` bytes unless `size` is npos.
    void Hex(std::string_view key, std::string& out, std::size_t size);

    void Finish();

private:
    JsonErrors& m_errors;
    const Json* m_json;
    std::string m_path;
    std::set<std::string, std::less<>> m_taken;
};

// Checks and conversions shared by the member readers and the class data reader.
bool IntegerValue(JsonErrors& errors, const Json& json, std::string_view path, std::int64_t low,
                  std::int64_t high, std::int64_t& out);
bool TextValue(JsonErrors& errors, const Json& json, std::string_view path, std::size_t limit,
               std::string& out);
bool HexValue(JsonErrors& errors, const Json& json, std::string_view path, std::size_t size,
              std::string& out);

template <typename T> void JsonMembers::Number(std::string_view key, T& out) {
    std::int64_t value = out;
    Integer(key, value, std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
    out = static_cast<T>(value);
}

} // namespace synjson
