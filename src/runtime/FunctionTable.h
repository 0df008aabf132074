// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "engine/FunctionCollection.h"
#include "engine/TypeCodes.h"
#include "engine/VariableCollection.h"
#include "platform/GuestMemory.h"
#include "platform/Result.h"
#include "runtime/FunctionSpec.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace runtime {

class SystemVariables;

// One registered helper or function, kept for diagnostics and for the argument marshaller.
struct FunctionTableRow {
    std::string name; // upper case, as stored in the function collection
    engine::FunctionKind kind;
    engine::TypeCode result;
    // The registered signature; null for a helper.
    const FunctionSpec* spec = nullptr;
    platform::GuestAddress entry = 0;
    // The row's entry cell; 0 until the entry cells exist.
    platform::GuestAddress cell = 0;
    // Index of the row's item in the function collection.
    std::size_t itemIndex = 0;

    bool IsHelper() const { return spec == nullptr; }
};

// Registers the run-time's helpers, functions and system variables under the unit "SYSTEM"
// into the loader's collections, then gives every helper and function its 4-byte entry cell.
// The collections keep only name, unit and address; the table keeps every row's signature.
//
// Contract: the collections are owned by the loader and must outlive the table; registered
// FunctionSpecs must outlive it too (the system rows are static data). Registration and the
// entry cells happen once, on the thread that initialises the run-time, before any unit code
// runs; afterwards the table is read-only and any thread may read it.
class FunctionTable {
public:
    // The entry of a helper's code, or of a function's call stub. `rowIndex` is the index
    // that the row gets in this table (see Row).
    using HelperEntry = std::function<platform::GuestAddress(const HelperSpec&)>;
    using FunctionEntry =
        std::function<platform::GuestAddress(const FunctionSpec&, std::size_t rowIndex)>;

    FunctionTable(engine::FunctionCollection& functions, engine::VariableCollection& variables);
    FunctionTable(const FunctionTable&) = delete;
    FunctionTable& operator=(const FunctionTable&) = delete;

    // Each appends one item with unit "SYSTEM" and its entry address. They fail, with nothing
    // registered, for an empty name, a name with a blank (a lookup could never find it) or once
    // the entry cells exist (the cells are sized for the rows present when they are made).
    platform::Status RegisterHelper(std::string_view name, engine::FunctionKind kind,
                                    platform::GuestAddress entry, engine::TypeCode resultType);
    platform::Status RegisterFunction(const FunctionSpec& spec, platform::GuestAddress entry);
    // A system variable: name as given, type, cell address (not 0).
    platform::Status RegisterVariable(std::string_view name, engine::TypeCode type,
                                      platform::GuestAddress cellAddress);

    // Registers the 23 helpers, then every function row, in registration order, on a table that
    // holds no rows yet. A row that shares another row's implementation ("@" and "ADDR", "GO2"
    // and "COMMUT_FIG") gets that row's entry without a call to `functionEntry`.
    platform::Status RegisterSystemFunctions(const HelperEntry& helperEntry,
                                             const FunctionEntry& functionEntry);
    // Registers every system variable's cell, in registration order.
    platform::Status RegisterSystemVariables(const SystemVariables& variables);

    // Allocates one contiguous array of 4-byte cells in guest memory, one per row in row
    // order, writes each row's entry into its cell and makes the row's collection item hold the
    // cell address. Once only.
    platform::Status CreateEntryCells(platform::GuestMemory& memory);

    bool EntryCellsCreated() const { return m_cellBase != 0; }
    // Guest address of the first entry cell (0 before they exist).
    platform::GuestAddress EntryCellBase() const { return m_cellBase; }

    std::size_t RowCount() const { return m_rows.size(); }
    const FunctionTableRow& Row(std::size_t index) const { return m_rows.at(index); }
    // The newest row of that name (letter case ignored), or none.
    std::optional<std::size_t> FindRow(std::string_view name) const;
    // The row whose entry cell is at `cell`, or none.
    std::optional<std::size_t> RowOfCell(platform::GuestAddress cell) const;

private:
    platform::Status CheckName(std::string_view name) const;
    void AddRow(std::string name, engine::FunctionKind kind, engine::TypeCode result,
                const FunctionSpec* spec, platform::GuestAddress entry);

    engine::FunctionCollection& m_functions;
    engine::VariableCollection& m_variables;
    std::vector<FunctionTableRow> m_rows;
    platform::GuestAddress m_cellBase = 0;
};

} // namespace runtime
