// Quorva run-time. Licensed under the MIT licence.
#include "viewers/LadderFile.h"

#include <algorithm>
#include <charconv>
#include <fmt/format.h>

namespace viewers {
namespace {

struct KindName {
    std::uint8_t kind;
    std::string_view name;
};

constexpr KindName kKindNames[] = {
    {ladderkind::kContact, "contact"},
    {ladderkind::kClosedContact, "closedContact"},
    {ladderkind::kCoil, "coil"},
    {ladderkind::kBoxTop, "boxTop"},
    {ladderkind::kWire, "wire"},
    {ladderkind::kNamed, "named"},
    {ladderkind::kLink, "link"},
    {ladderkind::kSegment, "segment"},
    {ladderkind::kBoxInput, "boxInput"},
    {ladderkind::kBoxOutput, "boxOutput"},
    {ladderkind::kComment, "comment"},
    {ladderkind::kBoxOutputAlt, "boxOutputAlt"},
    {ladderkind::kRisingContact, "risingContact"},
    {ladderkind::kFallingContact, "fallingContact"},
    {ladderkind::kSetCoil, "setCoil"},
    {ladderkind::kResetCoil, "resetCoil"},
    {ladderkind::kProgram, "program"},
    {ladderkind::kEmpty, "empty"},
};

// Reads the file front to back; every read checks what is left, so no length in the file can
// make it read or reserve beyond the bytes it was given.
class LadderCursor {
public:
    explicit LadderCursor(std::string_view bytes) : m_bytes(bytes) {}

    std::size_t Offset() const { return m_offset; }
    std::size_t Left() const { return m_bytes.size() - m_offset; }
    const std::string& Error() const { return m_error; }
    bool Failed() const { return !m_error.empty(); }

    std::uint8_t U8(std::string_view what) {
        if (!Need(1, what))
            return 0;
        return static_cast<std::uint8_t>(m_bytes[m_offset++]);
    }
    std::int32_t I32(std::string_view what) {
        if (!Need(4, what))
            return 0;
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i)
            value = (value << 8) | static_cast<std::uint8_t>(m_bytes[m_offset + i]);
        m_offset += 4;
        return static_cast<std::int32_t>(value);
    }
    std::string Text(std::string_view what) {
        const std::size_t start = m_offset;
        const std::int32_t length = I32(what);
        if (Failed() || length <= 0)
            return {};
        if (length > kMaxLadderTextBytes) {
            Fail(start, fmt::format("{} is {} bytes long, above the limit of {}", what, length,
                                    kMaxLadderTextBytes));
            return {};
        }
        if (static_cast<std::size_t>(length) > Left()) {
            Fail(start, fmt::format("{} is {} bytes long but only {} bytes are left", what,
                                    length, Left()));
            return {};
        }
        std::string text(m_bytes.substr(m_offset, static_cast<std::size_t>(length)));
        m_offset += static_cast<std::size_t>(length);
        return text;
    }

    void Fail(std::size_t offset, std::string message) {
        if (Failed())
            return;
        m_error = fmt::format("{}at offset {}: {}", m_context, offset, message);
    }
    // Names the place in the file that later failures refer to.
    void SetContext(std::string context) { m_context = std::move(context); }

private:
    bool Need(std::size_t count, std::string_view what) {
        if (Failed())
            return false;
        if (Left() < count) {
            Fail(m_offset, fmt::format("{} needs {} bytes, {} left", what, count, Left()));
            return false;
        }
        return true;
    }

    std::string_view m_bytes;
    std::size_t m_offset = 0;
    std::string m_error;
    std::string m_context;
};

LadderCellRecord ReadCell(LadderCursor& in) {
    LadderCellRecord cell;
    cell.kind = in.U8("the kind");
    cell.flags[0] = in.U8("flag A");
    cell.variable = in.Text("the variable name");
    cell.flags[1] = in.U8("flag B");
    cell.boxName = in.Text("the box name");
    cell.flags[2] = in.U8("flag C");
    cell.flags[3] = in.U8("flag D");
    cell.leftLabel = in.Text("the left label");
    cell.rightLabel = in.Text("the right label");
    cell.flags[4] = in.U8("flag E");
    cell.flags[5] = in.U8("flag F");
    cell.frameBottom = in.U8("the frame bottom flag");
    cell.labelStyle = in.U8("the label style");
    cell.mnemonic1 = in.Text("mnemonic 1");
    cell.mnemonic2 = in.Text("mnemonic 2");
    cell.segment = in.I32("the segment number");
    cell.spare = in.U8("the spare byte");
    cell.negation = in.U8("the negation mark");
    cell.program = in.I32("the program number");
    cell.spareText = in.Text("the spare text");
    return cell;
}

void PutI32(std::string& out, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
}

void PutText(std::string& out, std::string_view text) {
    text = text.substr(0, static_cast<std::size_t>(kMaxLadderTextBytes));
    PutI32(out, static_cast<std::int32_t>(text.size()));
    out.append(text);
}

void WriteCell(std::string& out, const LadderCellRecord& cell) {
    out.push_back(static_cast<char>(cell.kind));
    out.push_back(static_cast<char>(cell.flags[0]));
    PutText(out, cell.variable);
    out.push_back(static_cast<char>(cell.flags[1]));
    PutText(out, cell.boxName);
    out.push_back(static_cast<char>(cell.flags[2]));
    out.push_back(static_cast<char>(cell.flags[3]));
    PutText(out, cell.leftLabel);
    PutText(out, cell.rightLabel);
    out.push_back(static_cast<char>(cell.flags[4]));
    out.push_back(static_cast<char>(cell.flags[5]));
    out.push_back(static_cast<char>(cell.frameBottom));
    out.push_back(static_cast<char>(cell.labelStyle));
    PutText(out, cell.mnemonic1);
    PutText(out, cell.mnemonic2);
    PutI32(out, cell.segment);
    out.push_back(static_cast<char>(cell.spare));
    out.push_back(static_cast<char>(cell.negation));
    PutI32(out, cell.program);
    PutText(out, cell.spareText);
}

} // namespace

bool IsBooleanKind(std::uint8_t kind) {
    switch (kind) {
    case ladderkind::kContact:
    case ladderkind::kClosedContact:
    case ladderkind::kCoil:
    case ladderkind::kRisingContact:
    case ladderkind::kFallingContact:
    case ladderkind::kSetCoil:
    case ladderkind::kResetCoil:
        return true;
    default:
        return false;
    }
}

std::string LadderKindName(std::uint8_t kind) {
    for (const KindName& entry : kKindNames)
        if (entry.kind == kind)
            return std::string(entry.name);
    return fmt::format("kind{}", kind);
}

bool LadderKindFromName(std::string_view name, std::uint8_t& kind) {
    for (const KindName& entry : kKindNames) {
        if (entry.name == name) {
            kind = entry.kind;
            return true;
        }
    }
    if (name.size() <= 4 || name.substr(0, 4) != "kind")
        return false;
    unsigned value = 0;
    const char* first = name.data() + 4;
    const char* last = name.data() + name.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || value > 255)
        return false;
    kind = static_cast<std::uint8_t>(value);
    return true;
}

platform::Result<LadderDiagram> ReadLadderFile(std::string_view bytes) {
    if (bytes.size() > kMaxLadderFileBytes)
        return platform::Fail(fmt::format("the file is {} bytes long, above the limit of {}",
                                          bytes.size(), kMaxLadderFileBytes));
    LadderCursor in(bytes);
    LadderDiagram diagram;
    diagram.version = in.I32("the version");
    if (in.Failed())
        return platform::Fail(in.Error());
    if (diagram.version == 1)
        return platform::Fail(
            "version 1 ladder files are not supported: their networks of elements have no "
            "documented layout to convert into the grid; save the diagram again as version 2");
    if (diagram.version != 2)
        return platform::Fail(fmt::format(
            "not a ladder file of a known version: version {} at offset 0, 2 is read", diagram.version));

    diagram.rows = in.I32("the row count");
    diagram.columns = in.I32("the column count");
    if (in.Failed())
        return platform::Fail(in.Error());
    if (diagram.rows < 0 || diagram.rows > kMaxLadderRows)
        return platform::Fail(fmt::format("at offset 4: row count {} is outside 0 to {}",
                                          diagram.rows, kMaxLadderRows));
    if (diagram.columns < 1 || diagram.columns > kMaxLadderColumns)
        return platform::Fail(fmt::format("at offset 8: column count {} is outside 1 to {}",
                                          diagram.columns, kMaxLadderColumns));
    const std::int64_t count = std::int64_t{diagram.rows} * diagram.columns;
    if (count > kMaxLadderCells)
        return platform::Fail(fmt::format("{} rows of {} columns make {} cells, above the limit "
                                          "of {}",
                                          diagram.rows, diagram.columns, count, kMaxLadderCells));
    // Each record takes at least kMinLadderCellBytes: a count the rest cannot hold is refused
    // before anything is reserved for it.
    if (static_cast<std::uint64_t>(count) * kMinLadderCellBytes > in.Left())
        return platform::Fail(fmt::format("at offset 12: {} cells need at least {} bytes, only {} "
                                          "are left",
                                          count, static_cast<std::uint64_t>(count) *
                                                     kMinLadderCellBytes,
                                          in.Left()));

    diagram.cells.reserve(static_cast<std::size_t>(count));
    for (std::int64_t i = 0; i < count; ++i) {
        in.SetContext(fmt::format("cell {} (row {}, column {}) ", i, i / diagram.columns,
                                  i % diagram.columns));
        diagram.cells.push_back(ReadCell(in));
        if (in.Failed())
            return platform::Fail(in.Error());
    }
    return diagram;
}

std::string WriteLadderFile(const LadderDiagram& diagram) {
    const std::int32_t rows = std::max(diagram.rows, 0);
    const std::int32_t columns = std::max(diagram.columns, 0);
    std::string out;
    PutI32(out, 2);
    PutI32(out, rows);
    PutI32(out, columns);
    const std::size_t count = static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns);
    const LadderCellRecord empty;
    for (std::size_t i = 0; i < count; ++i)
        WriteCell(out, i < diagram.cells.size() ? diagram.cells[i] : empty);
    return out;
}

} // namespace viewers
