// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

#include <cstdint>
#include <span>

namespace runtime {

class Implementations;

// Ladder power flow on the power word POTENTIEL (bit i: power present in branch i). The plain
// functions compute the new word from the old; the bound ones read and write the POTENTIEL cell
// of `Services::systemVariables` (without it they do nothing and ISET answers false). The word
// is unlocked shared state: unit code using it must not run on two threads at once.
namespace ladder {

// mask = B0 + 2*B1 + ...; any non-zero Boolean byte counts as power.
std::uint32_t ComputeMask(std::span<const bool> branches);
// The word after COMPUTEn: the word and the mask (every bit from n upward cleared).
std::uint32_t Compute(std::uint32_t power, std::uint32_t mask);
// The word after DIFFUSE: or'ed with Value when they share a bit, else unchanged.
std::uint32_t Diffuse(std::uint32_t power, std::uint32_t value);
// ISET's result: every bit of Value present; `power` loses Value's bits.
bool ISet(std::uint32_t& power, std::uint32_t value);

} // namespace ladder

// Binds COMPUTE2 ... COMPUTE16, DIFFUSE and ISET.
platform::Status AddLadderFunctions(Implementations& implementations);

} // namespace runtime
