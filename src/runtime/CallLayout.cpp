// Quorva run-time. Licensed under the MIT licence.
#include "runtime/CallLayout.h"

namespace runtime {

using engine::PassingMode;
using engine::TypeCode;

ArgumentClass ClassOf(const ParameterSpec& parameter) {
    const bool byValue = parameter.mode == PassingMode::ByValue;
    switch (parameter.type) {
    case TypeCode::ValueList:
        return ArgumentClass::ValueList;
    case TypeCode::Untyped:
        return ArgumentClass::Untyped;
    case TypeCode::String:
    case TypeCode::StringLiteral:
        return byValue ? ArgumentClass::StringValue : ArgumentClass::StringRef;
    case TypeCode::Bit:
        return byValue ? ArgumentClass::Boolean : ArgumentClass::BitRef;
    default:
        break;
    }
    if (!byValue)
        return ArgumentClass::Reference;
    switch (parameter.type) {
    case TypeCode::Boolean:
    case TypeCode::Boolean6:
        return ArgumentClass::Boolean;
    case TypeCode::Byte:
        return ArgumentClass::Byte;
    case TypeCode::Word:
        return ArgumentClass::Word;
    case TypeCode::Real:
    case TypeCode::RealValue:
        return ArgumentClass::Real;
    case TypeCode::Double:
        return ArgumentClass::Double;
    case TypeCode::Single:
        return ArgumentClass::Single;
    default:
        return ArgumentClass::Integer;
    }
}

namespace {

std::uint32_t StackSize(ArgumentClass argumentClass) {
    switch (argumentClass) {
    case ArgumentClass::Real:
        return 12;
    case ArgumentClass::Double:
        return 8;
    default:
        return 4;
    }
}

// Hands out argument places in call order; stack places get their offsets once every argument
// is known, since the last one pushed lies nearest the return address.
class PlaceAllocator {
public:
    // Returns a handle to the place given to the next argument word or stack real.
    std::size_t Next(bool registerClass, std::uint32_t stackSize) {
        ArgumentLocation location;
        if (registerClass && m_registersUsed < 3) {
            static constexpr ArgumentLocation::Place kOrder[] = {
                ArgumentLocation::Place::Eax, ArgumentLocation::Place::Edx,
                ArgumentLocation::Place::Ecx};
            location.place = kOrder[m_registersUsed++];
        } else {
            m_stackSizes.push_back({m_locations.size(), stackSize});
        }
        m_locations.push_back(location);
        return m_locations.size() - 1;
    }

    // Gives the stack places their offsets; returns the bytes the callee removes.
    std::uint32_t Finish() {
        std::uint32_t offset = 4;
        for (auto it = m_stackSizes.rbegin(); it != m_stackSizes.rend(); ++it) {
            m_locations[it->first].stackOffset = offset;
            offset += it->second;
        }
        return offset - 4;
    }

    const ArgumentLocation& At(std::size_t handle) const { return m_locations[handle]; }

private:
    int m_registersUsed = 0;
    std::vector<ArgumentLocation> m_locations;
    std::vector<std::pair<std::size_t, std::uint32_t>> m_stackSizes;
};

bool IsStackReal(ArgumentClass argumentClass) {
    return argumentClass == ArgumentClass::Real || argumentClass == ArgumentClass::Double ||
           argumentClass == ArgumentClass::Single;
}

bool HasHidden(ArgumentClass argumentClass) {
    return argumentClass == ArgumentClass::StringRef || argumentClass == ArgumentClass::BitRef ||
           argumentClass == ArgumentClass::ValueList;
}

} // namespace

namespace {

// Everything on the stack, the first argument nearest the return address.
CallLayout StdCallLayout(const FunctionSpec& spec) {
    CallLayout layout;
    std::uint32_t offset = 4;
    for (const ParameterSpec& parameter : spec.parameters) {
        ArgumentClass argumentClass = ClassOf(parameter);
        ArgumentLocation location;
        location.stackOffset = offset;
        offset += StackSize(argumentClass);
        layout.parameters.push_back({argumentClass, location, std::nullopt});
    }
    layout.stackBytes = offset - 4;
    return layout;
}

} // namespace

CallLayout ComputeCallLayout(const FunctionSpec& spec) {
    if (spec.convention == CallingConvention::StdCall)
        return StdCallLayout(spec);
    PlaceAllocator places;
    struct Pending {
        ArgumentClass argumentClass;
        std::size_t value;
        std::optional<std::size_t> hidden;
    };
    std::vector<Pending> pending;
    for (const ParameterSpec& parameter : spec.parameters) {
        ArgumentClass argumentClass = ClassOf(parameter);
        Pending entry{argumentClass, 0, std::nullopt};
        entry.value = places.Next(!IsStackReal(argumentClass), StackSize(argumentClass));
        if (HasHidden(argumentClass))
            entry.hidden = places.Next(true, 4);
        pending.push_back(entry);
    }
    std::optional<std::size_t> buffer;
    if (spec.kind == engine::FunctionKind::Function && (spec.result == TypeCode::String ||
                                                        spec.result == TypeCode::StringLiteral))
        buffer = places.Next(true, 4);

    CallLayout layout;
    layout.stackBytes = places.Finish();
    for (const Pending& entry : pending) {
        ParameterLayout parameter{entry.argumentClass, places.At(entry.value), std::nullopt};
        if (entry.hidden)
            parameter.hidden = places.At(*entry.hidden);
        layout.parameters.push_back(parameter);
    }
    if (buffer)
        layout.resultBuffer = places.At(*buffer);
    return layout;
}

} // namespace runtime
