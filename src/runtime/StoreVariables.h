// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "screens/ScreenVariables.h"

namespace engine {
class VariableStore;
}

namespace runtime {

// The screens' view of the global variables, over the variable store: names resolve through the
// store, values are read straight from the global block at their address, with bounds checks.
class StoreVariables final : public screens::ScreenVariables {
public:
    explicit StoreVariables(engine::VariableStore& store) : m_store(store) {}

    std::optional<screens::VariableBinding> Resolve(std::string_view name) override;
    std::uint8_t ReadByte(std::uint32_t address) override;
    std::uint16_t ReadWord(std::uint32_t address) override;
    std::int32_t ReadInteger(std::uint32_t address) override;
    long double ReadReal(std::uint32_t address) override;
    float ReadSingle(std::uint32_t address) override;
    std::string ReadShortString(std::uint32_t address) override;
    std::optional<std::string> Text(std::string_view name) override;
    bool SetText(std::string_view name, std::string_view text) override;

private:
    template <typename T> T ReadAt(std::uint32_t address, std::uint32_t width = sizeof(T));

    engine::VariableStore& m_store;
};

} // namespace runtime
