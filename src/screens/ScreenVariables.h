// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace screens {

// A variable resolved by name: its type code (3 Boolean and bit requests, 4 Integer, 5 Real,
// 7 Byte, 9 String, 20 Word, 24 Single; 25 Double reads as 5) and its guest address.
struct VariableBinding {
    std::uint8_t type = 0;
    std::uint32_t address = 0;
};

// The screens' access to the project's global variables. Screen objects resolve a name once
// (on their first Run) and then read the value at its address each cycle; entries and recipes go
// by name through the text forms. The run-time gives the variable store; tests give their own.
// Reads of an address outside the variables give 0 or the empty text. GUI thread.
class ScreenVariables {
public:
    virtual ~ScreenVariables() = default;

    // Null when no global variable has that name (case does not matter).
    virtual std::optional<VariableBinding> Resolve(std::string_view name) = 0;

    virtual std::uint8_t ReadByte(std::uint32_t address) = 0;
    virtual std::uint16_t ReadWord(std::uint32_t address) = 0;
    virtual std::int32_t ReadInteger(std::uint32_t address) = 0;
    virtual long double ReadReal(std::uint32_t address) = 0; // 10-byte extended
    virtual float ReadSingle(std::uint32_t address) = 0;
    // A short string: length byte, then the bytes (code page).
    virtual std::string ReadShortString(std::uint32_t address) = 0;

    // The value as display text: "True"/"False", decimal numbers with ".", the string itself.
    // Null for an unknown name.
    virtual std::optional<std::string> Text(std::string_view name) = 0;
    // Sets the value from text (as Text writes it; strings are cut to 255 bytes); false for an
    // unknown name or a text that does not convert, and nothing changes then.
    virtual bool SetText(std::string_view name, std::string_view text) = 0;
};

// Variables known only by their display texts (Text), for the tools, benchmarks and fuzz targets
// that show screen objects outside a run: no name resolves, every address reads 0 or the empty
// text, and nothing can be written.
class TextOnlyVariables : public ScreenVariables {
public:
    std::optional<VariableBinding> Resolve(std::string_view) override { return std::nullopt; }
    std::uint8_t ReadByte(std::uint32_t) override { return 0; }
    std::uint16_t ReadWord(std::uint32_t) override { return 0; }
    std::int32_t ReadInteger(std::uint32_t) override { return 0; }
    long double ReadReal(std::uint32_t) override { return 0; }
    float ReadSingle(std::uint32_t) override { return 0; }
    std::string ReadShortString(std::uint32_t) override { return {}; }
    bool SetText(std::string_view, std::string_view) override { return false; }
};

// The value of a resolved variable as a number: Booleans and Bytes 0..255, Words, Integers,
// Reals and Singles as they are; 0 for strings and other types.
long double ReadNumber(ScreenVariables& variables, const VariableBinding& binding);

} // namespace screens
