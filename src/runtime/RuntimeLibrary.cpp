// Quorva run-time. Licensed under the MIT licence.
#include "runtime/RuntimeLibrary.h"

#include "platform/Log.h"
#include "runtime/SystemFunctionSpecs.h"

namespace runtime {

const FunctionSpec* Implementations::Find(std::string_view name) {
    return FindSystemFunctionSpec(name);
}

platform::Status Implementations::AddRaw(std::string_view name, HostFunction function) {
    const FunctionSpec* spec = Find(name);
    if (!spec)
        return platform::Fail("no runtime function is called " + std::string(name));
    m_functions[spec->name] = function;
    return {};
}

HostFunction Implementations::Of(std::string_view rowName) const {
    auto it = m_functions.find(rowName);
    return it == m_functions.end() ? nullptr : it->second;
}

platform::Result<std::unique_ptr<RuntimeLibrary>>
RuntimeLibrary::Create(platform::GuestMemory& memory, engine::FunctionCollection& functions,
                       engine::VariableCollection& variables,
                       const Implementations& implementations, const SystemVariableStart& start) {
    platform::Result<HelperCode> helpers = HelperCode::Place(memory);
    if (!helpers)
        return platform::Fail(helpers.Error());
    std::unique_ptr<RuntimeLibrary> library(new RuntimeLibrary(helpers.Value()));

    const std::span<const FunctionSpec> rows = SystemFunctionSpecs();
    auto dispatcher = CallDispatcher::Create(memory, static_cast<std::uint32_t>(rows.size()) + 64);
    if (!dispatcher)
        return platform::Fail(dispatcher.Error());
    library->m_dispatcher = std::move(dispatcher.Value());

    auto cells = SystemVariables::Create(memory, start);
    if (!cells)
        return platform::Fail(cells.Error());
    library->m_variables = std::move(cells.Value());

    library->m_table = std::make_unique<FunctionTable>(functions, variables);
    std::string failure;
    RuntimeLibrary& self = *library;
    platform::Status registered = self.m_table->RegisterSystemFunctions(
        [&self](const HelperSpec& helper) { return self.m_helpers.EntryOf(helper.name); },
        [&self, &implementations, &failure](const FunctionSpec& spec, std::size_t) {
            HostFunction implementation =
                spec.implemented ? implementations.Of(spec.name) : nullptr;
            if (!implementation)
                self.m_placeholders.push_back(spec.name);
            auto stub = self.m_dispatcher->Add(spec, implementation);
            if (!stub) {
                failure = stub.Error();
                return platform::GuestAddress{0};
            }
            return stub.Value();
        });
    if (!failure.empty())
        return platform::Fail(failure);
    if (!registered)
        return platform::Fail(registered.Error());
    if (platform::Status status = self.m_table->RegisterSystemVariables(*self.m_variables); !status)
        return platform::Fail(status.Error());
    if (platform::Status status = self.m_table->CreateEntryCells(memory); !status)
        return platform::Fail(status.Error());
    platform::LogInfo("runtime library: {} rows, {} of them placeholders", self.m_table->RowCount(),
                      self.m_placeholders.size());
    return library;
}

} // namespace runtime
