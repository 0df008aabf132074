// Quorva run-time. Licensed under the MIT licence.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "screens/RecipeFiles.h"

// Runs the recipe readers on arbitrary bytes: the template reader, the recipe reader and the
// destination parser must never crash, and a recipe that reads must read back the same after
// being written.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    namespace recipes = screens::recipes;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    if (auto names = recipes::ReadTemplate(bytes)) {
        for (const std::string& name : *names)
            if (name != recipes::Trim(name) || name.size() > recipes::kMaxLineBytes)
                std::abort();
    }
    if (auto recipe = recipes::ReadRecipe(bytes)) {
        auto again = recipes::ReadRecipe(recipes::WriteRecipe(*recipe));
        if (!again || !(*again == *recipe))
            std::abort();
    }
    const recipes::Destination destination = recipes::ParseDestination(bytes.substr(0, 300));
    if (destination.text.size() > 300)
        std::abort();
    return 0;
}
