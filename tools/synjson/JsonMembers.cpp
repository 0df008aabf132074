// Quorva run-time. Licensed under the MIT licence.
#include "JsonMembers.h"

#include "platform/CodePage.h"

#include <fmt/format.h>
#include <limits>

namespace synjson {
namespace {

// A short view of a JSON value for error messages.
std::string Shown(const Json& json) {
    std::string text = json.dump(-1, ' ', false, Json::error_handler_t::replace);
    if (text.size() > 40)
        text = text.substr(0, 37) + "...";
    return text;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

void JsonErrors::Fail(std::string_view path, std::string_view what) {
    if (Ok())
        m_message = fmt::format("{}: {}", path.empty() ? std::string_view("document") : path, what);
}

bool IntegerValue(JsonErrors& errors, const Json& json, std::string_view path, std::int64_t low,
                  std::int64_t high, std::int64_t& out) {
    bool fits = json.is_number_integer();
    std::int64_t value = 0;
    if (json.is_number_unsigned())
        fits = json.get<std::uint64_t>() <= static_cast<std::uint64_t>(high);
    if (fits) {
        value = json.get<std::int64_t>();
        fits = value >= low && value <= high;
    }
    if (!fits) {
        errors.Fail(path, fmt::format("expected an integer from {} to {}, got {}", low, high,
                                      Shown(json)));
        return false;
    }
    out = value;
    return true;
}

bool TextValue(JsonErrors& errors, const Json& json, std::string_view path, std::size_t limit,
               std::string& out) {
    if (!json.is_string()) {
        errors.Fail(path, fmt::format("expected a text, got {}", Shown(json)));
        return false;
    }
    std::string bytes = platform::Utf8ToCodePage(json.get_ref<const std::string&>());
    if (bytes.size() > limit) {
        errors.Fail(path, fmt::format("a text of {} characters, at most {} fit", bytes.size(),
                                      limit));
        return false;
    }
    out = std::move(bytes);
    return true;
}

bool HexValue(JsonErrors& errors, const Json& json, std::string_view path, std::size_t size,
              std::string& out) {
    if (!json.is_string()) {
        errors.Fail(path, fmt::format("expected hex bytes as a text, got {}", Shown(json)));
        return false;
    }
    const std::string& text = json.get_ref<const std::string&>();
    std::string bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        int high = HexDigit(text[i]);
        int low = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
        if (high < 0 || low < 0) {
            errors.Fail(path, fmt::format("not hex bytes: a pair of hex digits per byte expected "
                                          "at character {}",
                                          i));
            return false;
        }
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    if (size != std::string::npos && bytes.size() != size) {
        errors.Fail(path, fmt::format("{} bytes, exactly {} expected", bytes.size(), size));
        return false;
    }
    out = std::move(bytes);
    return true;
}

JsonMembers::JsonMembers(JsonErrors& errors, const Json* json, std::string path)
    : m_errors(errors), m_json(json), m_path(std::move(path)) {
    if (m_json != nullptr && !m_json->is_object()) {
        m_errors.Fail(m_path, fmt::format("expected an object, got {}", Shown(*m_json)));
        m_json = nullptr;
    }
}

std::string JsonMembers::PathOf(std::string_view key) const {
    return m_path.empty() ? std::string(key) : fmt::format("{}.{}", m_path, key);
}

const Json* JsonMembers::Take(std::string_view key) {
    if (m_json == nullptr)
        return nullptr;
    auto found = m_json->find(key);
    if (found == m_json->end())
        return nullptr;
    m_taken.emplace(key);
    return &*found;
}

void JsonMembers::Integer(std::string_view key, std::int64_t& out, std::int64_t low,
                          std::int64_t high) {
    if (const Json* value = Take(key))
        IntegerValue(m_errors, *value, PathOf(key), low, high, out);
}

void JsonMembers::Colour(std::string_view key, std::uint32_t& out) {
    const Json* value = Take(key);
    if (value == nullptr)
        return;
    if (value->is_string()) {
        const std::string& text = value->get_ref<const std::string&>();
        std::string digits = text.starts_with("0x") || text.starts_with("0X") ? text.substr(2) : "";
        std::uint64_t colour = 0;
        bool good = !digits.empty() && digits.size() <= 8;
        for (char c : digits) {
            good = good && HexDigit(c) >= 0;
            colour = colour * 16 + static_cast<std::uint64_t>(good ? HexDigit(c) : 0);
        }
        if (!good) {
            m_errors.Fail(PathOf(key), fmt::format("expected a colour as an integer or a hex "
                                                   "text such as \"0x8000000F\", got {}",
                                                   Shown(*value)));
            return;
        }
        out = static_cast<std::uint32_t>(colour);
        return;
    }
    std::int64_t colour = 0;
    if (IntegerValue(m_errors, *value, PathOf(key), 0, std::numeric_limits<std::uint32_t>::max(),
                     colour))
        out = static_cast<std::uint32_t>(colour);
}

void JsonMembers::Text(std::string_view key, std::string& out, std::size_t limit) {
    if (const Json* value = Take(key))
        TextValue(m_errors, *value, PathOf(key), limit, out);
}

void JsonMembers::Hex(std::string_view key, std::string& out, std::size_t size) {
    if (const Json* value = Take(key))
        HexValue(m_errors, *value, PathOf(key), size, out);
}

void JsonMembers::Finish() {
    if (m_json == nullptr)
        return;
    for (const auto& [key, value] : m_json->items())
        if (m_taken.find(key) == m_taken.end()) {
            m_errors.Fail(PathOf(key), "unknown field");
            return;
        }
}

} // namespace synjson
