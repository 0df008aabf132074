// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Result.h"

// Ladder diagram files (".lad"): a grid of cells, row by row. Pure byte work (no Qt, no globals)
// so that it can be fuzzed; any thread.
//
// Version-2 layout, little-endian: i32 version (2), i32 rows, i32 columns, then rows x columns
// cell records in row-major order. A cell record: kind u8, flag A u8, variable name (long text),
// flag B u8, box name, flag C u8, flag D u8, left label, right label, flag E u8, flag F u8,
// frame bottom u8, label style u8, mnemonic 1, mnemonic 2, segment number i32, spare u8,
// negation mark u8, program number i32, spare text. A long text is an i32 length and that many
// bytes; a length of 0 or less is the empty text with no bytes.
namespace viewers {

// Cell kinds. Kinds that no constant names are kept as read and draw nothing.
namespace ladderkind {
inline constexpr std::uint8_t kContact = 0;
inline constexpr std::uint8_t kClosedContact = 1; // normally closed
inline constexpr std::uint8_t kCoil = 2;
inline constexpr std::uint8_t kBoxTop = 3;
inline constexpr std::uint8_t kWire = 4;
inline constexpr std::uint8_t kNamed = 5; // writes its variable name only
inline constexpr std::uint8_t kLink = 6;  // no state, nothing drawn
inline constexpr std::uint8_t kSegment = 9;
inline constexpr std::uint8_t kBoxInput = 15;
inline constexpr std::uint8_t kBoxOutput = 17;
inline constexpr std::uint8_t kComment = 18;
inline constexpr std::uint8_t kBoxOutputAlt = 19;
inline constexpr std::uint8_t kRisingContact = 20;
inline constexpr std::uint8_t kFallingContact = 21;
inline constexpr std::uint8_t kSetCoil = 22;
inline constexpr std::uint8_t kResetCoil = 23;
inline constexpr std::uint8_t kProgram = 24;
// What the viewer fills a new row with, and the writer's default: draws nothing.
inline constexpr std::uint8_t kEmpty = 255;
} // namespace ladderkind

// Contacts and coils: their state is the Boolean value of their variable.
bool IsBooleanKind(std::uint8_t kind);
// A short English name of a kind ("contact", "setCoil" ...), "kind<N>" for unnamed kinds.
std::string LadderKindName(std::uint8_t kind);
// The kind a name stands for (the names above, or "kind<N>"); false for anything else.
bool LadderKindFromName(std::string_view name, std::uint8_t& kind);

// One cell as the file stores it. Texts are code-page bytes.
struct LadderCellRecord {
    std::uint8_t kind = ladderkind::kEmpty;
    std::array<std::uint8_t, 6> flags{}; // A to F, kept as read
    std::string variable;                // the comment text for a comment cell
    std::string boxName;
    std::string leftLabel;
    std::string rightLabel;
    std::uint8_t frameBottom = 0;
    std::uint8_t labelStyle = 0;
    std::string mnemonic1;
    std::string mnemonic2;
    std::int32_t segment = 0;
    std::uint8_t spare = 0;
    std::uint8_t negation = 0;
    std::int32_t program = 0;
    std::string spareText;

    bool operator==(const LadderCellRecord&) const = default;
};

struct LadderDiagram {
    std::int32_t version = 2;
    std::int32_t rows = 0;
    std::int32_t columns = 0;
    std::vector<LadderCellRecord> cells; // rows x columns, row-major

    bool operator==(const LadderDiagram&) const = default;
};

// What the reader accepts; beyond these a file is refused as damaged.
inline constexpr std::size_t kMaxLadderFileBytes = 64u * 1024 * 1024;
inline constexpr std::int32_t kMaxLadderRows = 100000;
inline constexpr std::int32_t kMaxLadderColumns = 1000;
inline constexpr std::int64_t kMaxLadderCells = 1000000;
inline constexpr std::int32_t kMaxLadderTextBytes = 65536;
// The smallest cell record: every text empty.
inline constexpr std::size_t kMinLadderCellBytes = 47;

// Reads a whole ladder file. The failure text says what is wrong and where (the cell by row and
// column and the byte offset). Version 1 files are refused: see the message.
platform::Result<LadderDiagram> ReadLadderFile(std::string_view bytes);

// The version-2 file of a diagram; the cell list must hold rows x columns cells (missing ones
// are written empty, extra ones dropped). Texts longer than the reader's limit are cut to it.
std::string WriteLadderFile(const LadderDiagram& diagram);

} // namespace viewers
