// Quorva run-time. Licensed under the MIT licence.

#include "runtime/SystemVariables.h"

#include "platform/Log.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace runtime {
namespace {

using engine::TypeCode;
using platform::GuestAddress;

struct Cells {
    std::unique_ptr<platform::GuestMemory> memory;
    std::unique_ptr<SystemVariables> variables;

    explicit Cells(const SystemVariableStart& start = {}) {
        auto created = platform::GuestMemory::Create();
        EXPECT_TRUE(created.IsOk());
        if (!created.IsOk())
            return;
        memory = std::move(created).Value();
        auto made = SystemVariables::Create(*memory, start);
        EXPECT_TRUE(made.IsOk()) << (made.IsOk() ? "" : made.Error());
        if (made.IsOk())
            variables = std::move(made).Value();
    }
};

TEST(SystemVariables, CellsHoldTheirInitialValues) {
    Cells cells(SystemVariableStart{4, true});
    ASSERT_NE(cells.variables, nullptr);
    const SystemVariables& v = *cells.variables;
    const platform::GuestMemory& memory = *cells.memory;

    EXPECT_EQ(memory.Read<std::uint32_t>(v.Address(SystemVariableId::POTENTIEL)),
              std::optional<std::uint32_t>(0xFFFFFFFFu));
    EXPECT_EQ(v.Integer(SystemVariableId::POTENTIEL), -1);
    EXPECT_EQ(v.Integer(SystemVariableId::NTBUSTYPE), 1);
    EXPECT_EQ(v.Integer(SystemVariableId::NTVENDORID), 0);
    EXPECT_EQ(v.Integer(SystemVariableId::SCANFORMS), 10);
    EXPECT_EQ(v.Integer(SystemVariableId::FORMMSGS), 0);
    EXPECT_EQ(v.Integer(SystemVariableId::NUMLANG), 4);
    EXPECT_TRUE(v.Boolean(SystemVariableId::DOTRANSLATE));
    EXPECT_FALSE(v.Boolean(SystemVariableId::END_PROG));
    EXPECT_EQ(v.Real(SystemVariableId::CDATE), 0.0L);
    EXPECT_EQ(v.String(SystemVariableId::STR_SYS10), "");
    EXPECT_EQ(v.Word(SystemVariableId::CYEAR), 0);

    Cells off(SystemVariableStart{2, false});
    ASSERT_NE(off.variables, nullptr);
    EXPECT_FALSE(off.variables->Boolean(SystemVariableId::DOTRANSLATE));
    EXPECT_EQ(off.variables->Integer(SystemVariableId::NUMLANG), 2);
}

TEST(SystemVariables, CellsAreAlignedAndDoNotOverlap) {
    Cells cells;
    ASSERT_NE(cells.variables, nullptr);
    struct Range {
        GuestAddress start;
        std::uint32_t size;
    };
    std::vector<Range> ranges;
    for (std::size_t i = 0; i < SystemVariableCount; ++i) {
        const auto id = static_cast<SystemVariableId>(i);
        const SystemVariableSpec& spec = SystemVariableSpecOf(id);
        const GuestAddress address = cells.variables->Address(id);
        const std::uint32_t size = CellSize(spec.type);
        ASSERT_GT(size, 0u) << spec.name;
        ASSERT_NE(cells.memory->Translate(address, size), nullptr) << spec.name;
        const std::uint32_t alignment = spec.type == TypeCode::Real ? 16 : std::min(size, 4u);
        EXPECT_EQ(address % alignment, 0u) << spec.name;
        ranges.push_back({address, size});
    }
    std::sort(ranges.begin(), ranges.end(),
              [](const Range& a, const Range& b) { return a.start < b.start; });
    for (std::size_t i = 1; i < ranges.size(); ++i)
        EXPECT_GE(ranges[i].start, ranges[i - 1].start + ranges[i - 1].size);
}

TEST(SystemVariables, TypedAccessRoundTripsThroughGuestMemory) {
    Cells cells;
    ASSERT_NE(cells.variables, nullptr);
    SystemVariables& v = *cells.variables;

    v.SetReal(SystemVariableId::CDATE, 45000.25L);
    EXPECT_EQ(v.Real(SystemVariableId::CDATE), 45000.25L);
    v.SetWord(SystemVariableId::CYEAR, 2024);
    EXPECT_EQ(cells.memory->Read<std::uint16_t>(v.Address(SystemVariableId::CYEAR)),
              std::optional<std::uint16_t>(2024));
    v.SetByte(SystemVariableId::CHSEC, 200);
    EXPECT_EQ(v.Byte(SystemVariableId::CHSEC), 200);

    // A String cell is a length byte and the characters; longer texts are cut to 255.
    v.SetString(SystemVariableId::SCDATE, "31/12/2024");
    const std::byte* host = v.HostCell(SystemVariableId::SCDATE);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(std::to_integer<int>(host[0]), 10);
    EXPECT_EQ(v.String(SystemVariableId::SCDATE), "31/12/2024");
    v.SetString(SystemVariableId::STR_SYS1, std::string(300, 'x'));
    EXPECT_EQ(v.String(SystemVariableId::STR_SYS1), std::string(255, 'x'));
    EXPECT_EQ(v.String(SystemVariableId::STR_SYS2), ""); // the neighbour is untouched

    // Unit code may store any byte in a Boolean; non-zero reads as true.
    ASSERT_TRUE(cells.memory->Write<std::uint8_t>(v.Address(SystemVariableId::BOOL_SYS3), 2));
    EXPECT_TRUE(v.Boolean(SystemVariableId::BOOL_SYS3));
}

TEST(SystemVariables, AccessWithTheWrongTypeIsLoggedAndChangesNothing) {
    Cells cells;
    ASSERT_NE(cells.variables, nullptr);
    SystemVariables& v = *cells.variables;
    std::vector<std::string> lines;
    auto previous = platform::log::SetSink(
        [&lines](platform::LogLevel, std::string_view line) { lines.emplace_back(line); });

    v.SetInteger(SystemVariableId::SCDATE, 0x41414141);
    EXPECT_EQ(v.String(SystemVariableId::SCDATE), "");
    EXPECT_EQ(v.Integer(SystemVariableId::CDATE), 0);
    EXPECT_EQ(v.Real(SystemVariableId::POTENTIEL), 0.0L);
    EXPECT_EQ(v.Integer(SystemVariableId::POTENTIEL), -1);
    platform::log::SetSink(previous);

    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("SCDATE"), std::string::npos);
}

} // namespace
} // namespace runtime
