// Quorva run-time. Licensed under the MIT licence.
#include "runtime/RuntimeLibrary.h"

#include "HelperCaller.inc"
#include "platform/CpuEngine.h"
#include "runtime/SystemFunctionSpecs.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using platform::GuestAddress;

// The whole library over fresh guest memory, with one real implementation among the
// placeholders.
struct Library {
    Library() {
        memory = std::move(platform::GuestMemory::Create().Value());
        runtime::Implementations implementations;
        EXPECT_TRUE(implementations.Add<&Upcase>("UPCASES").IsOk());
        auto created = runtime::RuntimeLibrary::Create(*memory, functions, variables,
                                                       implementations);
        EXPECT_TRUE(created.IsOk()) << (created.IsOk() ? "" : created.Error());
        library = std::move(created.Value());
        cpu = std::move(platform::CpuEngine::Create(*memory).Value());
    }

    static runtime::ShortString Upcase(runtime::ShortString text) {
        std::string upper = text.Str();
        std::transform(upper.begin(), upper.end(), upper.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        return runtime::ShortString(upper);
    }

    // The entry a unit finds in the cell the linker gives it for `name`.
    GuestAddress EntryOf(std::string_view name) {
        const engine::TFuncRun* item = functions.FindFunction(name);
        EXPECT_NE(item, nullptr) << name;
        return item ? *memory->Read<std::uint32_t>(item->address) : 0;
    }

    std::unique_ptr<platform::GuestMemory> memory;
    engine::FunctionCollection functions;
    engine::VariableCollection variables;
    std::unique_ptr<runtime::RuntimeLibrary> library;
    std::unique_ptr<platform::CpuEngine> cpu;
};

} // namespace

TEST(RuntimeLibrary, EveryRowIsCallableThroughItsCell) {
    Library lib;
    EXPECT_EQ(lib.library->Table().RowCount(), 23u + 497u);
    // Every row but the one that has an implementation is a placeholder; "@" and "GO2" take
    // the entries of "ADDR" and "COMMUT_FIG" and are not counted again.
    EXPECT_EQ(lib.library->Placeholders().size(), 497u - 1u - 2u);
    EXPECT_EQ(std::count(lib.library->Placeholders().begin(), lib.library->Placeholders().end(),
                         "UPCASES"),
              0);

    // A String function through its cell: argument in EAX, the result buffer in EDX.
    const GuestAddress text = *lib.memory->Allocate(256);
    const GuestAddress buffer = *lib.memory->Allocate(256);
    runtime::WriteGuestString(*lib.memory, text, runtime::ShortString("mixed Case"));
    platform::GuestRegisters in;
    in.eax = text;
    in.edx = buffer;
    ASSERT_TRUE(lib.cpu->Call(lib.EntryOf("upcases"), in).IsOk());
    EXPECT_EQ(runtime::ReadGuestString(*lib.memory, buffer).Str(), "MIXED CASE");

    // A placeholder answers with its result type's default, here the empty String.
    runtime::WriteGuestString(*lib.memory, buffer, runtime::ShortString("left over"));
    in.eax = 12345;
    ASSERT_TRUE(lib.cpu->Call(lib.EntryOf("INTTOSTR"), in).IsOk());
    EXPECT_EQ(runtime::ReadGuestString(*lib.memory, buffer).Str(), "");
    // A placeholder with stack arguments still removes them: SCALE takes five Reals (60 bytes).
    std::vector<std::uint32_t> reals(15, 0);
    auto scaled = lib.cpu->Call(lib.EntryOf("SCALE"), {}, reals);
    ASSERT_TRUE(scaled.IsOk()) << scaled.Error();
    EXPECT_EQ(lib.cpu->ReturnedSt0().value_or(-1), 0.0L);

    // "@" and "ADDR" share one entry; helpers are real code behind their cells.
    EXPECT_EQ(lib.EntryOf("@"), lib.EntryOf("ADDR"));
    in.eax = 17;
    in.esi = 5;
    auto mod = lib.cpu->Call(lib.EntryOf("MOD"), in);
    ASSERT_TRUE(mod.IsOk());
    EXPECT_EQ(mod.Value().eax, 2u);
}

TEST(RuntimeLibrary, SystemVariablesAreFoundWithTheirInitialValues) {
    Library lib;
    const engine::TVarRun* power = lib.variables.FindVariable("POTENTIEL");
    ASSERT_NE(power, nullptr);
    EXPECT_EQ(power->unit, "SYSTEM");
    EXPECT_EQ(*lib.memory->Read<std::int32_t>(power->address), -1);
    const engine::TVarRun* scan = lib.variables.FindVariable("SCANFORMS");
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(*lib.memory->Read<std::int32_t>(scan->address), 10);
}

TEST(RuntimeLibrary, UnitStoresToSystemVariablesStayInTranslatedCode) {
    Library lib;
    // Translated code in the runtime area first: a helper and the call stub placed last, the
    // nearest to the cells. Stack room for any arguments it removes; no result buffer.
    platform::GuestRegisters in;
    in.eax = 17;
    in.esi = 5;
    ASSERT_TRUE(lib.cpu->Call(lib.EntryOf("MOD"), in).IsOk());
    GuestAddress lastStub = 0;
    for (std::size_t i = 0; i < lib.functions.Size(); ++i) {
        const GuestAddress entry = *lib.memory->Read<std::uint32_t>(lib.functions.At(i).address);
        lastStub = std::max(lastStub, entry);
    }
    const std::vector<std::uint32_t> room(32, 0);
    ASSERT_TRUE(lib.cpu->Call(lastStub, {}, room).IsOk());

    const GuestAddress loop = *lib.memory->Allocate(
        static_cast<std::uint32_t>(guest_asm::helper_caller::kCode.size()));
    ASSERT_TRUE(lib.memory->PlaceCode(loop, guest_asm::helper_caller::kCode,
                                      guest_asm::helper_caller::kRelocations));
    // The lowest and the highest system variable cell, nearest to that code.
    GuestAddress lowest = ~GuestAddress{0}, highest = 0;
    for (std::size_t i = 0; i < lib.variables.Size(); ++i) {
        lowest = std::min(lowest, lib.variables.At(i).address);
        highest = std::max(highest, lib.variables.At(i).address);
    }
    constexpr std::uint32_t kStores = 10000;
    for (GuestAddress cell : {lowest, highest}) {
        const std::uint64_t before = lib.cpu->HelperCalls();
        ASSERT_TRUE(lib.cpu->Call(loop + guest_asm::helper_caller::kStoreLoop,
                                  {.ecx = kStores, .edx = cell})
                        .IsOk());
        // One exit check a step (the loop is one translated block) and the first store; a
        // cell on a page with translated code would add a checked store every step.
        EXPECT_LT(lib.cpu->HelperCalls() - before, kStores + 16) << std::hex << cell;
        EXPECT_EQ(lib.memory->Read<std::uint32_t>(cell), 1u);
    }
}
