// Quorva run-time. Licensed under the MIT licence.
#include "engine/QruReader.h"
#include "engine/QruWriter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

// Reads the input as a unit module. Whatever reads must pass the writer's check, write, and
// read back to the same bytes when written again (a module that holds a NaN stamp is not equal
// to itself, so the fixed point is compared as bytes). The attachment locator must agree with
// the reader on whether there is a section.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto read = engine::ReadQruModule(bytes);
    std::optional<std::size_t> section = engine::FindAttachmentSection(bytes);
    auto* module = std::get_if<engine::QruModule>(&read);
    if (module == nullptr) {
        if (std::get<engine::QruError>(read).message.empty())
            std::abort();
        return 0;
    }
    if (section.has_value() != module->attachments.has_value())
        std::abort();
    if (section && (*section > size || bytes.substr(*section - 7, 7) != "\x06"
                                                                        "BITMAP"))
        std::abort();
    if (!engine::CheckQruModule(*module))
        std::abort();
    std::string written = engine::WriteQruModule(*module);
    auto again = engine::ReadQruModule(written);
    auto* reread = std::get_if<engine::QruModule>(&again);
    if (reread == nullptr || engine::WriteQruModule(*reread) != written)
        std::abort();
    return 0;
}
