// Quorva run-time. Licensed under the MIT licence.

#include "runtime/FunctionTable.h"

#include "runtime/SystemFunctionSpecs.h"
#include "runtime/SystemHelperSpecs.h"
#include "runtime/SystemVariables.h"

#include <gtest/gtest.h>
#include <memory>
#include <set>

namespace runtime {
namespace {

using platform::GuestAddress;

constexpr GuestAddress HelperBase = 0x00700000;
constexpr GuestAddress StubBase = 0x00800000;

std::unique_ptr<platform::GuestMemory> NewMemory() {
    auto memory = platform::GuestMemory::Create();
    EXPECT_TRUE(memory.IsOk()) << (memory.IsOk() ? "" : memory.Error());
    return memory.IsOk() ? std::move(memory).Value() : nullptr;
}

// A table with every system row registered and the entry cells made. Helper i gets entry
// HelperBase + 16 i, a function row StubBase + 16 rowIndex; the calls are counted.
struct RegisteredTable {
    engine::FunctionCollection functions;
    engine::VariableCollection variables;
    FunctionTable table{functions, variables};
    std::unique_ptr<platform::GuestMemory> memory = NewMemory();
    std::set<std::string_view> entriesAskedFor;

    RegisteredTable() {
        GuestAddress nextHelper = HelperBase;
        const platform::Status status = table.RegisterSystemFunctions(
            [&](const HelperSpec&) {
                nextHelper += 16;
                return nextHelper - 16;
            },
            [&](const FunctionSpec& spec, std::size_t rowIndex) {
                EXPECT_EQ(table.RowCount(), rowIndex) << spec.name;
                entriesAskedFor.insert(spec.name);
                return StubBase + static_cast<GuestAddress>(rowIndex * 16);
            });
        EXPECT_TRUE(status.IsOk()) << status.Error();
    }
};

TEST(FunctionTable, SystemRowsGetContiguousEntryCells) {
    RegisteredTable t;
    ASSERT_NE(t.memory, nullptr);
    ASSERT_EQ(t.table.RowCount(), 23u + 497u);
    ASSERT_EQ(t.functions.Size(), 23u + 497u);
    // Shared implementations are not asked for twice.
    EXPECT_EQ(t.entriesAskedFor.size(), 497u - 2u);
    EXPECT_EQ(t.entriesAskedFor.count("@"), 0u);
    EXPECT_EQ(t.entriesAskedFor.count("GO2"), 0u);

    // Before the cells exist the items hold the entries themselves.
    EXPECT_EQ(t.functions.FindFunction("MOD")->address, HelperBase);

    ASSERT_TRUE(t.table.CreateEntryCells(*t.memory).IsOk());
    const GuestAddress base = t.table.EntryCellBase();
    ASSERT_NE(base, 0u);
    for (std::size_t i = 0; i < t.table.RowCount(); ++i) {
        const FunctionTableRow& row = t.table.Row(i);
        const GuestAddress cell = base + static_cast<GuestAddress>(4 * i);
        ASSERT_EQ(row.cell, cell) << row.name;
        EXPECT_EQ(t.memory->Read<std::uint32_t>(cell), std::optional<std::uint32_t>(row.entry));
        EXPECT_EQ(t.functions.At(i).address, cell);
        EXPECT_EQ(t.functions.At(i).unit, "SYSTEM");
        EXPECT_EQ(t.table.RowOfCell(cell), std::optional<std::size_t>(i));
    }
    EXPECT_EQ(t.table.RowOfCell(base + 2), std::nullopt);
    EXPECT_EQ(t.table.RowOfCell(base + 4 * 520), std::nullopt);

    const FunctionTableRow& first = t.table.Row(0);
    EXPECT_TRUE(first.IsHelper());
    EXPECT_EQ(first.name, "MOD");
    const FunctionTableRow& intToStr = t.table.Row(23);
    ASSERT_FALSE(intToStr.IsHelper());
    EXPECT_EQ(intToStr.spec, &SystemFunctionSpecs()[0]);
    EXPECT_EQ(intToStr.entry, StubBase + 23 * 16);
}

TEST(FunctionTable, LookupThroughTheCollectionFindsTheCells) {
    RegisteredTable t;
    ASSERT_NE(t.memory, nullptr);
    ASSERT_TRUE(t.table.CreateEntryCells(*t.memory).IsOk());

    const engine::TFuncRun* notRow = t.functions.FindFunction("not");
    ASSERT_NE(notRow, nullptr);
    EXPECT_EQ(t.functions.FindFunction("Not"), notRow);
    EXPECT_EQ(t.functions.FindFunction("NOT"), notRow);
    EXPECT_EQ(t.table.RowOfCell(notRow->address), t.table.FindRow("NOT"));

    // "@" has its own cell holding the entry of ADDR; GO2 likewise with COMMUT_FIG.
    const engine::TFuncRun* at = t.functions.FindFunction("@");
    const engine::TFuncRun* addr = t.functions.FindFunction("addr");
    ASSERT_NE(at, nullptr);
    ASSERT_NE(addr, nullptr);
    EXPECT_NE(at->address, addr->address);
    EXPECT_EQ(t.memory->Read<std::uint32_t>(at->address),
              t.memory->Read<std::uint32_t>(addr->address));
    EXPECT_EQ(t.memory->Read<std::uint32_t>(t.functions.FindFunction("GO2")->address),
              t.memory->Read<std::uint32_t>(t.functions.FindFunction("COMMUT_FIG")->address));

    // A unit exporting a runtime function's name shadows it for bare references only.
    const GuestAddress systemCell = t.functions.FindFunction("INTTOSTR")->address;
    t.functions.AddFunction("IntToStr", 0x5000, "Mine");
    EXPECT_EQ(t.functions.FindFunction("INTTOSTR")->address, 0x5000u);
    EXPECT_EQ(t.functions.FindFunction("INTTOSTR SYSTEM")->address, systemCell);
    EXPECT_EQ(t.functions.FindFunction("INTTOSTR NOBODY")->address, 0x5000u);
    t.functions.RemoveUnit("MINE");
    EXPECT_EQ(t.functions.FindFunction("INTTOSTR")->address, systemCell);
    EXPECT_EQ(t.functions.FindFunction("NOSUCHFUNCTION"), nullptr);
}

TEST(FunctionTable, RejectsRowsThatCouldNotWork) {
    engine::FunctionCollection functions;
    engine::VariableCollection variables;
    FunctionTable table(functions, variables);
    auto memory = NewMemory();
    ASSERT_NE(memory, nullptr);

    EXPECT_FALSE(table.CreateEntryCells(*memory).IsOk()); // nothing registered
    EXPECT_FALSE(
        table.RegisterHelper("", engine::FunctionKind::Procedure, 1, engine::TypeCode::Integer)
            .IsOk());
    EXPECT_FALSE(table
                     .RegisterHelper("TWO WORDS", engine::FunctionKind::Procedure, 1,
                                     engine::TypeCode::Integer)
                     .IsOk());
    EXPECT_FALSE(table.RegisterVariable("CELLLESS", engine::TypeCode::Integer, 0).IsOk());
    EXPECT_EQ(functions.Size(), 0u);
    EXPECT_EQ(variables.Size(), 0u);

    ASSERT_TRUE(table
                    .RegisterHelper("mod", engine::FunctionKind::Procedure, 0x1234,
                                    engine::TypeCode::Integer)
                    .IsOk());
    EXPECT_EQ(functions.At(0).name, "MOD");
    // The system rows go into an empty table only.
    EXPECT_FALSE(table
                     .RegisterSystemFunctions(
                         [](const HelperSpec&) { return GuestAddress{1}; },
                         [](const FunctionSpec&, std::size_t) { return GuestAddress{2}; })
                     .IsOk());

    ASSERT_TRUE(table.CreateEntryCells(*memory).IsOk());
    EXPECT_FALSE(table.CreateEntryCells(*memory).IsOk());
    EXPECT_FALSE(table.RegisterFunction(SystemFunctionSpecs()[0], 0x2000).IsOk());
    EXPECT_EQ(table.RowCount(), 1u);
    EXPECT_EQ(memory->Read<std::uint32_t>(functions.At(0).address),
              std::optional<std::uint32_t>(0x1234));
}

TEST(FunctionTable, EntryCellsRefuseWhenAnItemWasRemoved) {
    engine::FunctionCollection functions;
    engine::VariableCollection variables;
    FunctionTable table(functions, variables);
    auto memory = NewMemory();
    ASSERT_NE(memory, nullptr);
    ASSERT_TRUE(
        table
            .RegisterHelper("SHL", engine::FunctionKind::Procedure, 0x10, engine::TypeCode::Integer)
            .IsOk());
    functions.RemoveUnit("SYSTEM");
    functions.AddFunction("OTHER", 0x20, "UNIT");
    const platform::Status status = table.CreateEntryCells(*memory);
    EXPECT_FALSE(status.IsOk());
    EXPECT_NE(status.Error().find("SHL"), std::string::npos);
    EXPECT_EQ(functions.At(0).address, 0x20u);
}

TEST(FunctionTable, SystemVariablesBecomeSystemItems) {
    engine::FunctionCollection functions;
    engine::VariableCollection variables;
    FunctionTable table(functions, variables);
    auto memory = NewMemory();
    ASSERT_NE(memory, nullptr);
    auto cells = SystemVariables::Create(*memory);
    ASSERT_TRUE(cells.IsOk()) << cells.Error();

    ASSERT_TRUE(table.RegisterSystemVariables(*cells.Value()).IsOk());
    ASSERT_EQ(variables.Size(), SystemVariableCount);
    EXPECT_EQ(variables.At(0).name, "NTVENDORID");
    EXPECT_EQ(variables.At(SystemVariableCount - 1).name, "CALLBACKALARMEX");
    const engine::TVarRun* potentiel = variables.FindVariable("POTENTIEL");
    ASSERT_NE(potentiel, nullptr);
    EXPECT_EQ(potentiel->unit, "SYSTEM");
    EXPECT_EQ(potentiel->type, engine::TypeCode::Integer);
    EXPECT_EQ(potentiel->address, cells.Value()->Address(SystemVariableId::POTENTIEL));
    EXPECT_EQ(potentiel->elementType, engine::TypeCode::None);
    EXPECT_EQ(potentiel->elementSize, 0);
    EXPECT_EQ(variables.FindVariable("CDATE")->type, engine::TypeCode::Real);
}

} // namespace
} // namespace runtime
