// Quorva run-time. Licensed under the MIT licence.
#include "runtime/BitFunctions.h"

#include "runtime/RuntimeLibrary.h"

namespace runtime {

namespace bits {

namespace {
std::uint32_t Mask(std::int32_t bitNumber) {
    return 1u << (static_cast<std::uint32_t>(bitNumber) & 31u);
}
std::uint32_t Unsigned(std::int32_t value) {
    return static_cast<std::uint32_t>(value);
}
std::int32_t Signed(std::uint32_t value) {
    return static_cast<std::int32_t>(value);
}
} // namespace

std::int32_t SetBit(std::int32_t word, std::int32_t bitNumber) {
    return Signed(Unsigned(word) | Mask(bitNumber));
}

std::int32_t ResetBit(std::int32_t word, std::int32_t bitNumber) {
    return Signed(Unsigned(word) & ~Mask(bitNumber));
}

std::int32_t FixBit(std::int32_t word, std::int32_t bitNumber, std::uint8_t value) {
    return value == 1 ? SetBit(word, bitNumber) : ResetBit(word, bitNumber);
}

bool TestBit(std::int32_t word, std::int32_t bitNumber) {
    return (Unsigned(word) & Mask(bitNumber)) != 0;
}

std::uint8_t NotByte(std::uint8_t value) {
    return static_cast<std::uint8_t>(value ^ 1u);
}

std::int32_t LoWord(std::int32_t value) {
    return Signed(Unsigned(value) & 0xFFFFu);
}
std::int32_t HiWord(std::int32_t value) {
    return Signed(Unsigned(value) >> 16);
}
std::int32_t Lo(std::int32_t value) {
    return Signed(Unsigned(value) & 0xFFu);
}
std::int32_t Hi(std::int32_t value) {
    return Signed((Unsigned(value) >> 8) & 0xFFu);
}

} // namespace bits

namespace {

void SetBitCall(Ref<std::int32_t> word, std::int32_t bitNumber) {
    if (auto value = word.Get())
        word.Set(bits::SetBit(*value, bitNumber));
}

void ResetBitCall(Ref<std::int32_t> word, std::int32_t bitNumber) {
    if (auto value = word.Get())
        word.Set(bits::ResetBit(*value, bitNumber));
}

// FIXBIT and NOT look at the whole Boolean byte, which the typed binding reduces to true/false:
// they read their arguments from the frame themselves.
void FixBitCall(CallFrame& frame) {
    const Ref<std::int32_t> word = frame.Reference<std::int32_t>(0);
    if (auto value = word.Get())
        word.Set(bits::FixBit(*value, frame.Integer(1), frame.Byte(2)));
}

void NotCall(CallFrame& frame) {
    frame.ReturnByte(bits::NotByte(frame.Byte(0)));
}

} // namespace

platform::Status AddBitFunctions(Implementations& implementations) {
    for (auto added :
         {implementations.Add<&SetBitCall>("SETBIT"),
          implementations.Add<&ResetBitCall>("RESETBIT"),
          implementations.AddRaw("FIXBIT", &FixBitCall),
          implementations.Add<&bits::TestBit>("TESTBIT"), implementations.AddRaw("NOT", &NotCall),
          implementations.Add<&bits::LoWord>("LOWORD"),
          implementations.Add<&bits::HiWord>("HIWORD"), implementations.Add<&bits::Lo>("LO"),
          implementations.Add<&bits::Hi>("HI")}) {
        if (!added)
            return added;
    }
    return {};
}

} // namespace runtime
