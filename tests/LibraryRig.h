// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <initializer_list>
#include <memory>

#include "engine/FunctionCollection.h"
#include "engine/VariableCollection.h"
#include "platform/GuestMemory.h"
#include "platform/Result.h"
#include "runtime/RuntimeLibrary.h"

namespace testsupport {

// What tests that run unit code against the run-time's functions share: fresh guest memory, the
// loader's collections and the runtime library with the chosen functions bound (every other row
// a placeholder). Only for targets that link the runtime library. One thread.
struct LibraryRig {
    using Binder = platform::Status (*)(runtime::Implementations&);

    platform::Status BuildLibrary(std::initializer_list<Binder> binders) {
        auto created = platform::GuestMemory::Create();
        if (!created)
            return platform::Fail(created.Error());
        memory = std::move(created.Value());
        runtime::Implementations implementations;
        for (Binder bind : binders) {
            if (platform::Status bound = bind(implementations); !bound)
                return bound;
        }
        auto made = runtime::RuntimeLibrary::Create(*memory, functions, variables, implementations);
        if (!made)
            return platform::Fail(made.Error());
        library = std::move(made.Value());
        return {};
    }

    std::unique_ptr<platform::GuestMemory> memory;
    engine::FunctionCollection functions;
    engine::VariableCollection variables;
    std::unique_ptr<runtime::RuntimeLibrary> library;
};

} // namespace testsupport
