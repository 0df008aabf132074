// Quorva run-time. Licensed under the MIT licence.
// Fuzz target for the dictionary file parser and the lookups over what it loads.
#include "platform/Log.h"
#include "shell/Dictionary.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// The dictionary logs out-of-range languages; keep the fuzzer's output to its own findings.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    platform::log::SetLevel(platform::LogLevel::Off);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (bool fold : {false, true}) {
        for (const shell::DictionaryEntry& entry : shell::ParseDictionary(bytes, fold)) {
            if (entry.columns.size() != shell::DictionaryColumns)
                __builtin_trap();
        }
    }

    // The first byte picks the language (including values outside 1..6); the first line also
    // serves as "ForceLang.txt".
    const int language = size > 0 ? static_cast<int>(data[0] % 9) - 1 : 2;
    shell::Dictionary dictionary;
    dictionary.Initialise(language, bytes.substr(0, 16), bytes);
    const std::size_t loaded = dictionary.EntryCount();

    // Texts taken from the input: every line start, and fixed ones.
    std::size_t lookups = 0;
    for (std::size_t start = 0; start < bytes.size() && lookups < 16; ++lookups) {
        const std::size_t end = bytes.find('\n', start);
        const std::string_view line = bytes.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        const std::string first = dictionary.Translate(line);
        const std::string second = dictionary.Translate(line);
        // A text looked up twice gives the same answer: it was found or added the first time.
        if (first != second)
            __builtin_trap();
        dictionary.TranslateAlways(line.substr(0, line.find('\t')));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    for (std::string_view text : {"Colonne", "12.5", " 42 ", "\xE9t\xE9 ", "Column "})
        dictionary.Translate(text);
    dictionary.SetLanguageNumber(size > 1 ? data[1] : 0);
    dictionary.Translate("Colonne");
    if (dictionary.EntryCount() < loaded)
        __builtin_trap();
    return 0;
}
