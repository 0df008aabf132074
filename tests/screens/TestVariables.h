// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/Extended.h"
#include "screens/ScreenGlobals.h"
#include "screens/ScreenVariables.h"

namespace screens::testing {

// Global variables in a plain byte block for the screen-object tests: each Add gives a variable
// of a type code its own bytes, laid out as units store them. Installs itself as the screens'
// variables for its lifetime. Text forms follow the variable store's: "True"/"False", decimal
// numbers, the string itself.
class TestVariables final : public ScreenVariables {
public:
    static constexpr std::uint32_t kBase = 0x1000;

    TestVariables() : m_bytes(64 * 1024) { Globals().variables = this; }
    ~TestVariables() override { Globals().variables = nullptr; }
    TestVariables(const TestVariables&) = delete;
    TestVariables& operator=(const TestVariables&) = delete;

    // Adds NAME (upper-cased) of `type`: 3 Boolean, 4 Integer, 5 Real, 7 Byte, 9 String,
    // 20 Word, 24 Single.
    void Add(const std::string& name, std::uint8_t type)
    {
        m_names[Upper(name)] = VariableBinding{type, kBase + m_next};
        m_next += SizeOf(type);
    }

    void SetByte(const std::string& name, std::uint8_t value) { Put(name, &value, 1); }
    void SetBoolean(const std::string& name, bool value) { SetByte(name, value ? 1 : 0); }
    void SetWord(const std::string& name, std::uint16_t value) { Put(name, &value, 2); }
    void SetInteger(const std::string& name, std::int32_t value) { Put(name, &value, 4); }
    void SetSingle(const std::string& name, float value) { Put(name, &value, 4); }
    void SetReal(const std::string& name, long double value)
    {
        platform::ExtendedBytes bytes = platform::ToExtended(value);
        Put(name, bytes.data(), platform::kExtendedSize);
    }
    void SetString(const std::string& name, const std::string& value)
    {
        std::string bytes(1, static_cast<char>(value.size() > 255 ? 255 : value.size()));
        bytes += value.substr(0, 255);
        Put(name, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    }
    long double Number(const std::string& name)
    {
        auto binding = Resolve(name);
        return binding ? ReadNumber(*this, *binding) : 0;
    }
    std::string String(const std::string& name)
    {
        auto binding = Resolve(name);
        return binding ? ReadShortString(binding->address) : std::string();
    }

    std::optional<VariableBinding> Resolve(std::string_view name) override
    {
        auto found = m_names.find(Upper(std::string(name)));
        if (found == m_names.end())
            return std::nullopt;
        return found->second;
    }
    std::uint8_t ReadByte(std::uint32_t address) override { return Get<std::uint8_t>(address); }
    std::uint16_t ReadWord(std::uint32_t address) override { return Get<std::uint16_t>(address); }
    std::int32_t ReadInteger(std::uint32_t address) override { return Get<std::int32_t>(address); }
    float ReadSingle(std::uint32_t address) override { return Get<float>(address); }
    long double ReadReal(std::uint32_t address) override
    {
        return platform::FromExtended(m_bytes.data() + (address - kBase));
    }
    std::string ReadShortString(std::uint32_t address) override
    {
        const char* at = m_bytes.data() + (address - kBase);
        return std::string(at + 1, static_cast<std::uint8_t>(at[0]));
    }
    std::optional<std::string> Text(std::string_view name) override
    {
        auto binding = Resolve(name);
        if (!binding)
            return std::nullopt;
        switch (binding->type) {
        case 3:
            return std::string(ReadByte(binding->address) != 0 ? "True" : "False");
        case 9:
            return ReadShortString(binding->address);
        case 5:
        case 24: {
            char text[64];
            std::snprintf(text, sizeof text, "%.15Lg", ReadNumber(*this, *binding));
            return std::string(text);
        }
        default:
            return std::to_string(static_cast<long long>(ReadNumber(*this, *binding)));
        }
    }
    bool SetText(std::string_view name, std::string_view text) override
    {
        auto binding = Resolve(name);
        if (!binding)
            return false;
        std::string value(text);
        std::string upper = Upper(value);
        char* end = nullptr;
        switch (binding->type) {
        case 3:
            if (upper != "TRUE" && upper != "FALSE" && upper != "1" && upper != "0")
                return false;
            SetBoolean(std::string(name), upper == "TRUE" || upper == "1");
            return true;
        case 9:
            SetString(std::string(name), value);
            return true;
        case 5:
        case 24: {
            long double number = std::strtold(value.c_str(), &end);
            if (value.empty() || *end != '\0')
                return false;
            binding->type == 5 ? SetReal(std::string(name), number)
                               : SetSingle(std::string(name), static_cast<float>(number));
            return true;
        }
        default: {
            long long number = std::strtoll(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0')
                return false;
            if (binding->type == 7)
                SetByte(std::string(name), static_cast<std::uint8_t>(number));
            else if (binding->type == 20)
                SetWord(std::string(name), static_cast<std::uint16_t>(number));
            else
                SetInteger(std::string(name), static_cast<std::int32_t>(number));
            return true;
        }
        }
    }

private:
    static std::string Upper(std::string text)
    {
        for (char& c : text)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        return text;
    }
    static std::uint32_t SizeOf(std::uint8_t type)
    {
        switch (type) {
        case 3: case 7: return 1;
        case 20: return 2;
        case 5: return 10;
        case 9: return 256;
        default: return 4;
        }
    }
    void Put(const std::string& name, const void* data, std::uint32_t size)
    {
        if (auto binding = Resolve(name))
            std::memcpy(m_bytes.data() + (binding->address - kBase), data, size);
    }
    template <typename T> T Get(std::uint32_t address)
    {
        T value{};
        if (address >= kBase && address - kBase + sizeof(T) <= m_bytes.size())
            std::memcpy(&value, m_bytes.data() + (address - kBase), sizeof(T));
        return value;
    }

    std::vector<char> m_bytes;
    std::map<std::string, VariableBinding> m_names;
    std::uint32_t m_next = 0;
};

} // namespace screens::testing
