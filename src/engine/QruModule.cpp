// Quorva run-time. Licensed under the MIT licence.
#include "engine/QruModule.h"

#include "engine/TypeCodes.h"

namespace engine {

// Blanks here are spaces and control characters, the ones a trim removes.
bool QruFunction::IsExternal() const {
    if (!external)
        return false;
    for (char c : dllName) {
        if (static_cast<unsigned char>(c) > ' ')
            return true;
    }
    return false;
}

std::int64_t RequiredDataSize(const QruModule& module) {
    std::int64_t room = 0;
    for (const QruVariable& variable : module.variables) {
        if (variable.type != ToByte(TypeCode::IntegerLiteral))
            room += variable.size;
    }
    return room + 4 * static_cast<std::int64_t>(module.functions.size());
}

} // namespace engine
