// Quorva run-time. Licensed under the MIT licence.
#include "runtime/HelperCode.h"

#include "HelperCaller.inc"
#include "platform/CpuEngine.h"
#include "platform/Extended.h"
#include "platform/GuestMemory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {

using platform::GuestAddress;

// Runs one helper through the caller routine with chosen registers and x87 inputs, and keeps
// what came back.
class HelperBench {
public:
    struct Registers {
        std::uint32_t eax = 0x0A0A0A0A, ebx = 0x0B0B0B0B, ecx = 0x0C0C0C0C, edx = 0x0D0D0D0D,
                      esi = 0x05050505, edi = 0x0D1D1D1D;
    };
    struct Outcome {
        Registers out;
        std::uint32_t ebp = 0;
        std::int32_t stackDelta = 0;
        int x87Depth = 0;
        std::optional<long double> st0;
    };

    HelperBench() {
        auto memory = platform::GuestMemory::Create();
        EXPECT_TRUE(memory.IsOk());
        m_memory = std::move(memory.Value());
        auto helpers = runtime::HelperCode::Place(*m_memory);
        EXPECT_TRUE(helpers.IsOk());
        m_helpers.emplace(helpers.Value());
        m_caller = *m_memory->AllocateRuntime(guest_asm::helper_caller::kCode.size());
        EXPECT_TRUE(m_memory->PlaceCode(m_caller, guest_asm::helper_caller::kCode,
                                        guest_asm::helper_caller::kRelocations));
        m_block = *m_memory->Allocate(128);
        m_data = *m_memory->Allocate(1024);
        auto cpu = platform::CpuEngine::Create(*m_memory);
        EXPECT_TRUE(cpu.IsOk());
        m_cpu = std::move(cpu.Value());
    }

    platform::GuestMemory& Memory() { return *m_memory; }
    // 1 KiB of scratch guest memory for the helpers' operands.
    GuestAddress Data(std::uint32_t offset = 0) const { return m_data + offset; }

    Outcome Run(std::string_view helper, const Registers& in, std::vector<long double> x87 = {}) {
        const GuestAddress entry = m_helpers->EntryOf(helper);
        EXPECT_NE(entry, 0u) << helper;
        std::uint32_t words[8] = {entry, in.eax, in.ebx, in.ecx, in.edx, in.esi, in.edi,
                                  static_cast<std::uint32_t>(x87.size())};
        m_memory->WriteBytes(m_block, words, sizeof(words));
        if (x87.size() == 2)
            WriteReal(m_block + 32, x87[0]);
        if (!x87.empty())
            WriteReal(m_block + 48, x87.back());
        platform::GuestRegisters registers;
        registers.ebp = m_block;
        auto result = m_cpu->Call(m_caller, registers);
        EXPECT_TRUE(result.IsOk()) << (result.IsOk() ? "" : result.Error());
        Outcome outcome;
        std::uint32_t after[8] = {};
        m_memory->ReadBytes(m_block + 64, after, sizeof(after));
        outcome.out = {after[0], after[1], after[2], after[3], after[4], after[5]};
        outcome.ebp = after[6];
        outcome.stackDelta = static_cast<std::int32_t>(after[7]);
        outcome.x87Depth = m_cpu->X87Depth();
        outcome.st0 = m_cpu->ReturnedSt0();
        return outcome;
    }

    void WriteString(GuestAddress at, std::string_view text) {
        std::uint8_t bytes[256] = {};
        bytes[0] = static_cast<std::uint8_t>(text.size());
        std::memcpy(bytes + 1, text.data(), text.size());
        m_memory->WriteBytes(at, bytes, 256);
    }
    std::string ReadString(GuestAddress at) {
        std::uint8_t bytes[256] = {};
        m_memory->ReadBytes(at, bytes, 256);
        return std::string(reinterpret_cast<const char*>(bytes + 1), bytes[0]);
    }

private:
    void WriteReal(GuestAddress at, long double value) {
        const platform::ExtendedBytes bytes = platform::ToExtended(value);
        m_memory->WriteBytes(at, bytes.data(), bytes.size());
    }

    std::unique_ptr<platform::GuestMemory> m_memory;
    std::optional<runtime::HelperCode> m_helpers;
    std::unique_ptr<platform::CpuEngine> m_cpu;
    GuestAddress m_caller = 0, m_block = 0, m_data = 0;
};

using Registers = HelperBench::Registers;

// Every helper keeps EBP and the stack balanced.
void ExpectBalanced(const HelperBench::Outcome& outcome) {
    EXPECT_EQ(outcome.stackDelta, 0);
}

} // namespace

TEST(HelperCode, IntegerHelpersComputeAndKeepTheirRegisters) {
    HelperBench bench;
    auto mod = [&](std::int32_t a, std::int32_t b) {
        Registers in;
        in.eax = static_cast<std::uint32_t>(a);
        in.esi = static_cast<std::uint32_t>(b);
        auto out = bench.Run("MOD", in);
        ExpectBalanced(out);
        EXPECT_EQ(out.out.edx, in.edx) << "MOD keeps EDX";
        EXPECT_EQ(out.out.esi, in.esi);
        EXPECT_EQ(out.out.ebx, in.ebx);
        EXPECT_EQ(out.out.edi, in.edi);
        return static_cast<std::int32_t>(out.out.eax);
    };
    EXPECT_EQ(mod(7, 3), 1);
    EXPECT_EQ(mod(-7, 3), -1);
    EXPECT_EQ(mod(7, -3), 1);
    EXPECT_EQ(mod(std::numeric_limits<std::int32_t>::min(), -1), 0);

    Registers in;
    in.eax = 1;
    in.esi = 33; // shift counts are taken mod 32
    auto shl = bench.Run("SHL", in);
    EXPECT_EQ(shl.out.eax, 2u);
    EXPECT_EQ(shl.out.ecx, in.ecx) << "SHL keeps ECX";
    in.eax = 0x80000000u;
    in.esi = 31;
    auto shr = bench.Run("SHR", in);
    EXPECT_EQ(shr.out.eax, 1u) << "SHR is logical";
    EXPECT_EQ(shr.out.ecx, in.ecx);

    in.eax = 0xF0F0;
    in.esi = 0x0FF0;
    for (auto [name, expected] : {std::pair{"ORINT", 0xFFF0u}, std::pair{"ANDINT", 0x00F0u},
                                  std::pair{"XORINT", 0xFF00u}}) {
        auto out = bench.Run(name, in);
        EXPECT_EQ(out.out.eax, expected) << name;
        EXPECT_EQ(out.out.ecx, in.ecx) << name << " keeps every other register";
        EXPECT_EQ(out.out.edx, in.edx) << name;
        EXPECT_EQ(out.out.esi, in.esi) << name;
        ExpectBalanced(out);
    }
}

TEST(HelperCode, RealHelpersRoundHalvesToEvenAndMoveBetweenRegistersAndTheX87Stack) {
    HelperBench bench;
    Registers in;
    auto quotient = bench.Run("DIVZERO", in, {7.0L, 2.0L});
    ASSERT_TRUE(quotient.st0.has_value());
    EXPECT_EQ(*quotient.st0, 3.5L);
    EXPECT_EQ(quotient.x87Depth, 1) << "both operands popped, the quotient pushed";
    EXPECT_EQ(quotient.out.ebx, in.ebx);
    EXPECT_EQ(quotient.out.ecx, in.ecx);
    EXPECT_EQ(quotient.out.edx, in.edx);
    auto byZero = bench.Run("DIVZERO", in, {7.0L, 0.0L});
    EXPECT_EQ(byZero.st0.value_or(-1), 0.0L);
    EXPECT_EQ(byZero.x87Depth, 1);

    for (auto [value, expected] : {std::pair{2.5L, 2}, std::pair{3.5L, 4}, std::pair{-2.5L, -2},
                                   std::pair{2.4999L, 2}, std::pair{-7.6L, -8}}) {
        auto out = bench.Run("EXT2INT", in, {value});
        EXPECT_EQ(static_cast<std::int32_t>(out.out.eax), expected) << static_cast<double>(value);
        EXPECT_EQ(out.x87Depth, 0);
        EXPECT_EQ(out.out.ecx, in.ecx);
        auto intoEsi = bench.Run("EXT2INTESI", in, {value});
        EXPECT_EQ(static_cast<std::int32_t>(intoEsi.out.esi), expected);
        EXPECT_EQ(intoEsi.out.eax, in.eax);
    }
    auto toByte = bench.Run("INT2BYTE", in, {200.5L});
    EXPECT_EQ(toByte.out.eax & 0xFF, 200u);

    bench.Memory().Write<std::uint16_t>(bench.Data(), 0xBEEF);
    in.esi = bench.Data();
    auto byte = bench.Run("BYTE2INT", in);
    EXPECT_EQ(byte.out.eax, 0xEFu);
    EXPECT_EQ(byte.st0.value_or(0), 239.0L);
    auto word = bench.Run("WORD2INT", in);
    EXPECT_EQ(word.out.eax, 0xBEEFu);
    EXPECT_EQ(word.st0.value_or(0), 48879.0L);
    EXPECT_EQ(word.out.esi, in.esi);

    in.eax = static_cast<std::uint32_t>(-5);
    auto fromEax = bench.Run("EAX2REAL", in);
    EXPECT_EQ(fromEax.st0.value_or(0), -5.0L);
    EXPECT_EQ(fromEax.out.eax, in.eax);
    in.esi = static_cast<std::uint32_t>(-9);
    auto fromEsi = bench.Run("ESI2REAL", in);
    EXPECT_EQ(fromEsi.st0.value_or(0), -9.0L);
    EXPECT_EQ(fromEsi.out.esi, in.esi);
}

TEST(HelperCode, ClampedStoresClampRoundAndKeepEax) {
    HelperBench bench;
    Registers in;
    in.esi = bench.Data();
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    auto store = [&](std::string_view helper, long double value) {
        bench.Memory().Write<std::uint32_t>(bench.Data(), 0xAAAAAAAA);
        auto out = bench.Run(helper, in, {value});
        EXPECT_EQ(out.out.eax, in.eax) << helper << " keeps EAX";
        EXPECT_EQ(out.x87Depth, 0) << helper << " pops its value";
        ExpectBalanced(out);
        return *bench.Memory().Read<std::uint32_t>(bench.Data());
    };
    // Bytes: the upper bytes of the word stay as they were.
    for (auto [value, expected] : {std::pair{254.6L, 255u}, std::pair{255.0L, 255u},
                                   std::pair{-0.4L, 0u}, std::pair{0.5L, 0u}, std::pair{1.5L, 2u},
                                   std::pair{300.0L, 255u}, std::pair{nan, 255u}}) {
        EXPECT_EQ(store("STOREBYTEORMAXBYTE", value), 0xAAAAAA00u | expected)
            << static_cast<double>(value);
    }
    for (auto [value, expected] : {std::pair{65535.4L, 65535u}, std::pair{70000.0L, 65535u},
                                   std::pair{-1.0L, 0u}, std::pair{2.5L, 2u}}) {
        EXPECT_EQ(store("STOREWORDORMAXWORD", value), 0xAAAA0000u | expected)
            << static_cast<double>(value);
    }
    for (auto [value, expected] : {std::pair{3e9L, 2147483647}, std::pair{-3e9L, -2147483647 - 1},
                                   std::pair{nan, 2147483647}, std::pair{-2.5L, -2}}) {
        EXPECT_EQ(static_cast<std::int32_t>(store("STOREINTORMAXINTEGER", value)), expected)
            << static_cast<double>(value);
    }
}

TEST(HelperCode, StringHelpersCopyAppendCompareAndIndex) {
    HelperBench bench;
    const GuestAddress dest = bench.Data(0);
    const GuestAddress source = bench.Data(256);
    const GuestAddress guard = bench.Data(512);
    Registers in;
    in.eax = dest;
    in.edx = source;

    bench.WriteString(source, "hello");
    auto copy = bench.Run("PSTRCPY", in);
    EXPECT_EQ(bench.ReadString(dest), "hello");
    EXPECT_EQ(copy.out.edx, dest);
    EXPECT_EQ(copy.out.esi, in.esi);
    EXPECT_EQ(copy.out.edi, in.edi);

    bench.WriteString(dest, std::string(200, 'a'));
    bench.WriteString(source, std::string(100, 'b'));
    bench.WriteString(guard, "guard");
    auto cat = bench.Run("PSTRCAT", in);
    EXPECT_EQ(bench.ReadString(dest), std::string(200, 'a') + std::string(55, 'b'));
    EXPECT_EQ(bench.ReadString(guard), "guard") << "nothing written past the String";
    EXPECT_EQ(cat.out.edx, dest);
    EXPECT_EQ(cat.out.esi, in.esi);
    EXPECT_EQ(cat.out.edi, in.edi);
    bench.WriteString(dest, "ab");
    bench.WriteString(source, "cd");
    bench.Run("PSTRCAT", in);
    EXPECT_EQ(bench.ReadString(dest), "abcd");

    auto compare = [&](std::string_view a, std::string_view b) {
        bench.WriteString(dest, a);
        bench.WriteString(source, b);
        auto out = bench.Run("PSTRCMP", in);
        EXPECT_EQ(out.out.esi, in.esi);
        EXPECT_EQ(out.out.edi, in.edi);
        return out.out.eax & 0xFF;
    };
    EXPECT_EQ(compare("abc", "ABC"), 0u);
    EXPECT_EQ(compare("abc", "abc"), 1u);
    EXPECT_EQ(compare("abc", "abcd"), 0u);
    EXPECT_EQ(compare("", ""), 1u);

    bench.WriteString(source, "hello");
    Registers indexed = in;
    indexed.ebx = 0x12345602;
    auto pick = bench.Run("PSTRCPYX", indexed);
    EXPECT_EQ(bench.ReadString(dest), "e");
    EXPECT_EQ(pick.out.ebx, 0x02u) << "EBX keeps only its low 8 bits";
    EXPECT_EQ(pick.out.ecx, in.ecx);
    EXPECT_EQ(pick.out.edx, dest);
    indexed.ebx = 0;
    bench.Run("PSTRCPYX", indexed);
    EXPECT_EQ(bench.ReadString(dest), "\x05") << "index 0 gives the length byte";

    bench.WriteString(dest, "ab");
    indexed.ebx = 5;
    auto append = bench.Run("PSTRCATX", indexed);
    EXPECT_EQ(bench.ReadString(dest), "abo");
    EXPECT_EQ(append.out.ecx, in.ecx);
    EXPECT_EQ(append.out.edi, in.edi);
    EXPECT_EQ(append.out.edx, dest);
    bench.WriteString(dest, std::string(255, 'x'));
    bench.Run("PSTRCATX", indexed);
    EXPECT_EQ(bench.ReadString(dest), std::string(255, 'x')) << "a full String takes nothing";

    bench.WriteString(dest, "abc");
    bench.WriteString(source, "Z");
    indexed.ebx = 0x0000FF02;
    auto assign = bench.Run("PSTRAFFECTX", indexed);
    EXPECT_EQ(bench.ReadString(dest), "aZc");
    EXPECT_EQ(assign.out.ebx, 0x02u) << "BH cleared";
    indexed.ebx = 5;
    bench.Run("PSTRAFFECTX", indexed);
    std::string extended = bench.ReadString(dest);
    ASSERT_EQ(extended.size(), 5u) << "the length grows to the index";
    EXPECT_EQ(extended[4], 'Z');
}
