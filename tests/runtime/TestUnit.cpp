// Quorva run-time. Licensed under the MIT licence.
#include "TestUnit.h"

#include "engine/QruReader.h"

#include <variant>

namespace testsupport {

platform::Result<TestUnit> PlaceTestUnit(platform::GuestMemory& memory,
                                         const engine::FunctionCollection& functions,
                                         std::string_view moduleBytes) {
    auto read = engine::ReadQruModule(moduleBytes);
    if (auto* error = std::get_if<engine::QruError>(&read))
        return platform::Fail(error->message);
    const engine::QruModule& module = std::get<engine::QruModule>(read);
    const auto dataSize = static_cast<std::uint32_t>(module.header.dataSize);
    std::optional<platform::GuestAddress> block =
        memory.Allocate(dataSize + static_cast<std::uint32_t>(module.code.size()));
    if (!block)
        return platform::Fail("no room for the unit");
    TestUnit unit;
    unit.block = *block;
    unit.code = *block + dataSize;
    memory.WriteBytes(unit.code, module.code.data(), static_cast<std::uint32_t>(module.code.size()));

    platform::GuestAddress at = unit.block;
    for (const engine::QruVariable& variable : module.variables) {
        unit.variables[variable.name] = at;
        if (variable.type != 1)
            at += static_cast<std::uint32_t>(variable.size);
    }
    std::map<std::string, platform::GuestAddress> ownCells;
    for (const engine::QruFunction& function : module.functions) {
        const platform::GuestAddress entry = unit.code + static_cast<std::uint32_t>(function.codeOffset);
        memory.Write<std::uint32_t>(at, entry);
        ownCells[function.name] = at;
        unit.entries[function.name] = entry;
        at += 4;
    }
    for (const engine::QruVariableFixup& fixup : module.variableFixups) {
        auto variable = unit.variables.find(fixup.name);
        if (variable == unit.variables.end())
            return platform::Fail("variable not found: " + fixup.name);
        memory.Write<std::uint32_t>(unit.code + static_cast<std::uint32_t>(fixup.site),
                                    variable->second + static_cast<std::uint32_t>(fixup.addend));
    }
    for (const engine::QruFunctionFixup& fixup : module.functionFixups) {
        platform::GuestAddress cell = 0;
        if (const engine::TFuncRun* item = functions.FindFunction(fixup.name))
            cell = item->address;
        else if (auto own = ownCells.find(fixup.name); own != ownCells.end())
            cell = own->second;
        else
            return platform::Fail("function not found: " + fixup.name);
        memory.Write<std::uint32_t>(unit.code + static_cast<std::uint32_t>(fixup.site), cell);
    }
    memory.InvalidateCode(unit.code, static_cast<std::uint32_t>(module.code.size()));
    return unit;
}

} // namespace testsupport
