// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/FunctionCollection.h"
#include "engine/VariableCollection.h"
#include "platform/GuestMemory.h"
#include "platform/Result.h"
#include "runtime/CallDispatcher.h"
#include "runtime/FunctionTable.h"
#include "runtime/HelperCode.h"
#include "runtime/HostFunction.h"
#include "runtime/SystemVariables.h"

namespace runtime {

// The C++ implementations of the runtime functions, by row name. Each subsystem adds its own;
// a row left without one is registered as a placeholder.
class Implementations {
public:
    // Fails when the name is no system row or the function's types do not fit the row.
    template <auto F> platform::Status Add(std::string_view name) {
        const FunctionSpec* spec = Find(name);
        if (!spec)
            return platform::Fail("no runtime function is called " + std::string(name));
        if (!Fits<F>(*spec))
            return platform::Fail("the implementation of " + std::string(name) +
                                  " does not fit its signature");
        m_functions[spec->name] = Bind<F>();
        return {};
    }
    // For implementations that read their own frame.
    platform::Status AddRaw(std::string_view name, HostFunction function);

    HostFunction Of(std::string_view rowName) const;

private:
    static const FunctionSpec* Find(std::string_view name);
    std::unordered_map<std::string_view, HostFunction> m_functions;
};

// The runtime function library in guest memory: the helpers' code, a call stub per function,
// the system variables' cells, and every row registered under "SYSTEM" with its entry cell.
// Built once at start-up, before unit code runs; then read-only (the cells excepted).
class RuntimeLibrary {
public:
    static platform::Result<std::unique_ptr<RuntimeLibrary>>
    Create(platform::GuestMemory& memory, engine::FunctionCollection& functions,
           engine::VariableCollection& variables, const Implementations& implementations,
           const SystemVariableStart& start = {});

    FunctionTable& Table() { return *m_table; }
    SystemVariables& Variables() { return *m_variables; }
    CallDispatcher& Dispatcher() { return *m_dispatcher; }
    const HelperCode& Helpers() const { return m_helpers; }
    // The rows registered without an implementation, in registration order.
    const std::vector<std::string_view>& Placeholders() const { return m_placeholders; }

private:
    RuntimeLibrary(HelperCode helpers) : m_helpers(helpers) {}

    HelperCode m_helpers;
    std::unique_ptr<CallDispatcher> m_dispatcher;
    std::unique_ptr<SystemVariables> m_variables;
    std::unique_ptr<FunctionTable> m_table;
    std::vector<std::string_view> m_placeholders;
};

} // namespace runtime
