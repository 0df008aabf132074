// Quorva run-time. Licensed under the MIT licence.
#include "SynJson.h"
#include "screens/SynScreenReader.h"
#include "screens/SynScreenWriter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

// Reads the input as a screen file. A refusal must say why. Whatever reads (also when object
// reading stopped early) must write, and read back to the same window and objects; and, unless it
// stopped at an unknown class (which JSON cannot describe), go through JSON and back unchanged.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto read = screens::ReadScreen(bytes);
    if (!read.IsOk()) {
        if (read.Error().empty())
            std::abort();
        return 0;
    }
    const screens::SynScreen& screen = read.Value();
    if (screen.bytesRead > size || (screen.stop && screen.stop->message.empty()))
        std::abort();
    auto written = screens::WriteScreen(screen);
    if (!written.IsOk())
        std::abort();
    auto again = screens::ReadScreen(written.Value());
    if (!again.IsOk() || again->header != screen.header || again->extended != screen.extended ||
        again->objects != screen.objects)
        std::abort();
    if (screen.stop && screen.stop->kind == screens::SynStopKind::UnknownClass)
        return 0;
    auto fromJson = synjson::ScreenFromJson(synjson::ScreenToJson(screen));
    if (!fromJson.IsOk() || fromJson->header != screen.header ||
        fromJson->extended != screen.extended || fromJson->objects != screen.objects)
        std::abort();
    return 0;
}
