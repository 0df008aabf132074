// Quorva run-time. Licensed under the MIT licence.
#include "runtime/LadderFunctions.h"

#include "runtime/RuntimeLibrary.h"
#include "runtime/SystemVariables.h"

#include <array>
#include <string>
#include <utility>

namespace runtime {

namespace ladder {

std::uint32_t ComputeMask(std::span<const bool> branches) {
    std::uint32_t mask = 0;
    for (std::size_t i = 0; i < branches.size() && i < 32; ++i) {
        if (branches[i])
            mask |= 1u << i;
    }
    return mask;
}

std::uint32_t Compute(std::uint32_t power, std::uint32_t mask) {
    return power & mask;
}

std::uint32_t Diffuse(std::uint32_t power, std::uint32_t value) {
    return (power & value) != 0 ? power | value : power;
}

bool ISet(std::uint32_t& power, std::uint32_t value) {
    const bool set = (power & value) == value;
    power &= ~value;
    return set;
}

} // namespace ladder

namespace {

SystemVariables* Cells(const CallFrame& frame) {
    return frame.Subsystems().systemVariables;
}

std::uint32_t Power(const SystemVariables& cells) {
    return static_cast<std::uint32_t>(cells.Integer(SystemVariableId::POTENTIEL));
}

void SetPower(SystemVariables& cells, std::uint32_t power) {
    cells.SetInteger(SystemVariableId::POTENTIEL, static_cast<std::int32_t>(power));
}

template <std::size_t> using Branch = bool;

// COMPUTEn for one n: a function with n Boolean parameters, as the binding needs.
template <typename Indices> struct ComputeN;
template <std::size_t... I> struct ComputeN<std::index_sequence<I...>> {
    static void Call(CallFrame& frame, Branch<I>... branches) {
        SystemVariables* cells = Cells(frame);
        if (!cells)
            return;
        const std::array<bool, sizeof...(I)> values{branches...};
        SetPower(*cells, ladder::Compute(Power(*cells), ladder::ComputeMask(values)));
    }
};

template <std::size_t N> platform::Status AddCompute(Implementations& implementations) {
    return implementations.Add<&ComputeN<std::make_index_sequence<N>>::Call>("COMPUTE" +
                                                                             std::to_string(N));
}

template <std::size_t... N>
platform::Status AddComputes(Implementations& implementations, std::index_sequence<N...>) {
    platform::Status status;
    // Stops at the first failure.
    ((status = status ? AddCompute<N + 2>(implementations) : status), ...);
    return status;
}

void DiffuseCall(CallFrame& frame, std::int32_t value) {
    if (SystemVariables* cells = Cells(frame))
        SetPower(*cells, ladder::Diffuse(Power(*cells), static_cast<std::uint32_t>(value)));
}

bool ISetCall(CallFrame& frame, std::int32_t value) {
    SystemVariables* cells = Cells(frame);
    if (!cells)
        return false;
    std::uint32_t power = Power(*cells);
    const bool set = ladder::ISet(power, static_cast<std::uint32_t>(value));
    SetPower(*cells, power);
    return set;
}

} // namespace

platform::Status AddLadderFunctions(Implementations& implementations) {
    if (auto added = AddComputes(implementations, std::make_index_sequence<15>{}); !added)
        return added;
    if (auto added = implementations.Add<&DiffuseCall>("DIFFUSE"); !added)
        return added;
    return implementations.Add<&ISetCall>("ISET");
}

} // namespace runtime
