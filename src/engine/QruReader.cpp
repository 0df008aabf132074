// Quorva run-time. Licensed under the MIT licence.
#include "engine/QruReader.h"

#include <cstring>
#include <fmt/format.h>
#include <utility>

namespace engine {
namespace {

// Smallest encodings of the records, used to refuse counts that the remaining bytes cannot hold
// before anything is allocated for them.
constexpr std::size_t kMinTypeRecord = 1 + 4 + 4;
constexpr std::size_t kMinFieldRecord = 1 + 1 + 1 + 4 + 1 + 4 + 4;
constexpr std::size_t kMinVariableRecord = 1 + 4 + 4 + 1 + 1 + 4 + 4 + 4 + 1 + 1 + 1 + 1;
constexpr std::size_t kMinFunctionRecord = 1 + 4 + 1 + 4 + 1 + 1 + 1 + 1 + 1 + 1 + 1 + 4;
constexpr std::size_t kMinParameterRecord = 1 + 1 + 1;
constexpr std::size_t kMinAccessorRecord = 1 + 1 + 1 + 1;
constexpr std::size_t kMinUsesEntry = 1;
constexpr std::size_t kHeaderSize = 23;
constexpr std::uint8_t kEndOfList = 255;
constexpr std::uint8_t kSameName = 0;

std::string Printable(std::string_view bytes) {
    std::string text;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7f && c != '\\' && c != '"')
            text += static_cast<char>(c);
        else
            text += fmt::format("\\x{:02x}", c);
    }
    return text;
}

// Reads little-endian fields front to back, never past the end. The first failure sticks: later
// reads give zeros and empty texts, and the message keeps the section and offset of the first.
class Cursor {
public:
    explicit Cursor(std::string_view bytes) : m_bytes(bytes) {}

    void Enter(std::string section) { m_section = std::move(section); }
    bool Ok() const { return m_message.empty(); }
    std::size_t Position() const { return m_position; }
    std::size_t Remaining() const { return m_bytes.size() - m_position; }
    const std::string& Message() const { return m_message; }

    void Fail(std::size_t offset, std::string_view what) {
        if (Ok())
            m_message =
                fmt::format("unit module damaged: {} at offset {}: {}", m_section, offset, what);
    }

    std::uint8_t U8(const char* what) {
        if (!Need(1, what))
            return 0;
        return static_cast<std::uint8_t>(m_bytes[m_position++]);
    }

    std::int32_t I32(const char* what) {
        if (!Need(4, what))
            return 0;
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i)
            value = (value << 8) | static_cast<std::uint8_t>(m_bytes[m_position + i]);
        m_position += 4;
        return static_cast<std::int32_t>(value);
    }

    double F64(const char* what) {
        if (!Need(8, what))
            return 0;
        std::uint64_t bits = 0;
        for (int i = 7; i >= 0; --i)
            bits = (bits << 8) | static_cast<std::uint8_t>(m_bytes[m_position + i]);
        m_position += 8;
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    std::string Bytes(std::size_t count, const char* what) {
        if (!Need(count, what))
            return {};
        std::string bytes(m_bytes.substr(m_position, count));
        m_position += count;
        return bytes;
    }

    std::string ShortString(const char* what) {
        std::size_t start = m_position;
        std::uint8_t length = U8(what);
        if (Ok() && Remaining() < length) {
            Fail(start, fmt::format("{} of {} bytes runs past the end ({} left)", what, length,
                                    Remaining()));
            return {};
        }
        return Bytes(length, what);
    }

    // An i32 count of records of at least `minimumSize` bytes each; refused when negative or when
    // the remaining bytes cannot hold that many records.
    std::int32_t Count(std::size_t minimumSize, const char* what) {
        std::size_t start = m_position;
        std::int32_t count = I32(what);
        if (!Ok())
            return 0;
        if (count < 0) {
            Fail(start, fmt::format("{} {} is negative", what, count));
            return 0;
        }
        if (static_cast<std::uint64_t>(count) * minimumSize > Remaining()) {
            Fail(start,
                 fmt::format("{} {} cannot fit in the {} bytes left", what, count, Remaining()));
            return 0;
        }
        return count;
    }

    // A non-negative i32 size of a block that must fit in the remaining bytes.
    std::int32_t BlockSize(const char* what) {
        std::size_t start = m_position;
        std::int32_t size = I32(what);
        if (Ok() && (size < 0 || static_cast<std::size_t>(size) > Remaining()))
            Fail(start,
                 fmt::format("{} {} does not fit in the {} bytes left", what, size, Remaining()));
        return Ok() ? size : 0;
    }

private:
    bool Need(std::size_t count, const char* what) {
        if (!Ok())
            return false;
        if (Remaining() < count) {
            Fail(m_position, fmt::format("{} needs {} bytes, the module ends after {}", what, count,
                                         Remaining()));
            return false;
        }
        return true;
    }

    std::string_view m_bytes;
    std::size_t m_position = 0;
    std::string m_section = "header";
    std::string m_message;
};

void ReadHeader(Cursor& in, QruModule& module) {
    in.Enter("header");
    in.Bytes(kQruMagic.size(), "magic");
    module.header.stamp = in.F64("stamp");
    module.header.debug = in.U8("debug flag") != 0;
    module.header.hasAttachments = in.U8("attachments flag") != 0;
    module.header.dataSize = in.I32("data size");
    module.header.codeSize = in.I32("code size");
    if (in.Ok() && module.header.dataSize < 0)
        in.Fail(15, fmt::format("data size {} is negative", module.header.dataSize));
    if (in.Ok() && module.header.codeSize < 0)
        in.Fail(19, fmt::format("code size {} is negative", module.header.codeSize));
}

void ReadTypes(Cursor& in, QruModule& module) {
    in.Enter("type table");
    std::int32_t count = in.Count(kMinTypeRecord, "type count");
    for (std::int32_t i = 0; i < count && in.Ok(); ++i) {
        in.Enter(fmt::format("type table, record {}", i));
        QruType& type = module.types.emplace_back();
        type.name = in.ShortString("type name");
        type.size = in.I32("type size");
        std::int32_t fields = in.Count(kMinFieldRecord, "field count");
        for (std::int32_t f = 0; f < fields && in.Ok(); ++f) {
            QruField& field = type.fields.emplace_back();
            field.name = in.ShortString("field name");
            field.type = in.U8("field type code");
            field.typeName = in.ShortString("field type name");
            field.size = in.I32("field size");
            field.elementType = in.U8("field element type");
            field.low = in.I32("field low bound");
            field.high = in.I32("field high bound");
        }
    }
}

void ReadVariables(Cursor& in, QruModule& module) {
    in.Enter("variable table");
    std::int32_t count = in.Count(kMinVariableRecord, "variable count");
    for (std::int32_t i = 0; i < count && in.Ok(); ++i) {
        in.Enter(fmt::format("variable table, record {}", i));
        QruVariable& variable = module.variables.emplace_back();
        variable.name = in.ShortString("variable name");
        variable.offset = in.I32("offset");
        std::size_t sizeAt = in.Position();
        variable.size = in.I32("size");
        if (in.Ok() && variable.size < 0)
            in.Fail(sizeAt, fmt::format("size {} of {} is negative", variable.size,
                                        Printable(variable.name)));
        variable.type = in.U8("type code");
        variable.elementType = in.U8("element type");
        variable.elementSize = in.I32("element size");
        variable.low = in.I32("low bound");
        variable.high = in.I32("high bound");
        variable.exported = in.U8("exported flag") != 0;
        variable.objectName = in.ShortString("object name");
        variable.initialValue = in.ShortString("initial value");
        variable.typeName = in.ShortString("type name");
    }
}

void ReadFunctions(Cursor& in, QruModule& module) {
    in.Enter("function table");
    std::int32_t count = in.Count(kMinFunctionRecord, "function count");
    for (std::int32_t i = 0; i < count && in.Ok(); ++i) {
        in.Enter(fmt::format("function table, record {}", i));
        QruFunction& function = module.functions.emplace_back();
        function.name = in.ShortString("function name");
        function.codeOffset = in.I32("code offset");
        function.handler = in.U8("handler flag");
        function.spare = in.I32("spare value");
        function.kind = in.U8("kind");
        function.resultType = in.U8("result type");
        function.exported = in.U8("exported flag") != 0;
        function.convention = in.U8("convention flag");
        function.external = in.U8("external flag") != 0;
        function.dllName = in.ShortString("DLL name");
        function.entryName = in.ShortString("entry name");
        std::int32_t parameters = in.Count(kMinParameterRecord, "parameter count");
        for (std::int32_t p = 0; p < parameters && in.Ok(); ++p) {
            QruParameter& parameter = function.parameters.emplace_back();
            parameter.mode = in.U8("passing mode");
            parameter.type = in.U8("parameter type code");
            parameter.name = in.ShortString("parameter name");
        }
    }
}

void ReadAccessorsAndTrailer(Cursor& in, QruModule& module) {
    in.Enter("accessor table");
    std::int32_t count = in.Count(kMinAccessorRecord, "accessor count");
    for (std::int32_t i = 0; i < count && in.Ok(); ++i) {
        QruAccessor& accessor = module.accessors.emplace_back();
        accessor.name = in.ShortString("accessor name");
        accessor.reader = in.ShortString("reader name");
        accessor.writer = in.ShortString("writer name");
        accessor.flag = in.U8("accessor flag");
    }
    in.Enter("unit trailer");
    module.spareFlag = in.U8("spare flag");
    module.period = in.I32("period");
    module.nonCyclic = in.U8("non-cyclic flag") != 0;
    std::int32_t uses = in.Count(kMinUsesEntry, "uses count");
    for (std::int32_t i = 0; i < uses && in.Ok(); ++i)
        module.uses.push_back(in.ShortString("used unit name"));
}

void ReadEntriesAndCode(Cursor& in, QruModule& module) {
    in.Enter("entry offsets");
    std::int32_t* entries[] = {&module.initEntry, &module.mainEntry, &module.exitEntry};
    const char* names[] = {"init entry", "main entry", "exit entry"};
    for (int i = 0; i < 3; ++i) {
        std::size_t at = in.Position();
        *entries[i] = in.I32(names[i]);
        if (in.Ok() && *entries[i] >= module.header.codeSize)
            in.Fail(at, fmt::format("{} {} lies outside the {}-byte code block", names[i],
                                    *entries[i], module.header.codeSize));
    }
    in.Enter("code block");
    module.code = in.Bytes(static_cast<std::size_t>(module.header.codeSize), "code block");
}

// The name of the next fix-up entry; false at the end of the list (or on a failure).
bool NextFixupName(Cursor& in, std::string& name) {
    std::size_t at = in.Position();
    std::uint8_t length = in.U8("fix-up name");
    if (!in.Ok() || length == kEndOfList)
        return false;
    if (length == kSameName)
        return true;
    if (in.Remaining() < length) {
        in.Fail(at, fmt::format("fix-up name of {} bytes runs past the end ({} left)", length,
                                in.Remaining()));
        return false;
    }
    name = in.Bytes(length, "fix-up name");
    return in.Ok();
}

void CheckSite(Cursor& in, const QruModule& module, std::size_t at, std::int32_t site) {
    if (in.Ok() && (site < 0 || static_cast<std::int64_t>(site) + 4 > module.header.codeSize))
        in.Fail(at, fmt::format("site {} does not leave 4 bytes inside the {}-byte code block",
                                site, module.header.codeSize));
}

void ReadFixups(Cursor& in, QruModule& module) {
    in.Enter("variable fix-ups");
    std::string name;
    while (NextFixupName(in, name)) {
        QruVariableFixup& fixup = module.variableFixups.emplace_back();
        fixup.name = name;
        std::size_t at = in.Position();
        fixup.site = in.I32("site");
        fixup.addend = in.I32("addend");
        CheckSite(in, module, at, fixup.site);
    }
    in.Enter("function fix-ups");
    name.clear();
    while (NextFixupName(in, name)) {
        QruFunctionFixup& fixup = module.functionFixups.emplace_back();
        fixup.name = name;
        std::size_t at = in.Position();
        fixup.site = in.I32("site");
        CheckSite(in, module, at, fixup.site);
    }
}

// Walks the module from the header to the end of the function fix-ups.
std::optional<QruError> ReadBody(std::string_view bytes, Cursor& in, QruModule& module) {
    std::string_view magic = bytes.substr(0, kQruMagic.size());
    if (magic != kQruMagic && !(bytes.size() < kQruMagic.size() && kQruMagic.starts_with(magic)))
        return QruError{QruErrorKind::BadMagic,
                        fmt::format("not a unit module of this version: the magic at offset 0 "
                                    "is \"{}\", not \"{}\"",
                                    Printable(magic), kQruMagic)};
    if (bytes.size() < kHeaderSize)
        in.Fail(bytes.size(), fmt::format("the module ends after {} of the {} header bytes",
                                          bytes.size(), kHeaderSize));
    ReadHeader(in, module);
    ReadTypes(in, module);
    ReadVariables(in, module);
    ReadFunctions(in, module);
    if (in.Ok()) {
        std::int64_t required = RequiredDataSize(module);
        if (module.header.dataSize < required) {
            in.Enter("header");
            in.Fail(15, fmt::format("data size {} is smaller than the {} bytes that the "
                                    "variables and entry cells need",
                                    module.header.dataSize, required));
        }
    }
    ReadAccessorsAndTrailer(in, module);
    ReadEntriesAndCode(in, module);
    ReadFixups(in, module);
    if (!in.Ok())
        return QruError{QruErrorKind::Damaged, in.Message()};
    return std::nullopt;
}

constexpr std::string_view kBitmapMarker = "BITMAP";

// True when the bytes at the cursor are the "BITMAP" marker; steps past it.
bool SkipBitmapMarker(std::string_view bytes, Cursor& in) {
    std::string_view rest = bytes.substr(in.Position());
    if (rest.size() < 1 + kBitmapMarker.size() ||
        static_cast<std::uint8_t>(rest[0]) != kBitmapMarker.size() ||
        rest.substr(1, kBitmapMarker.size()) != kBitmapMarker)
        return false;
    in.Bytes(1 + kBitmapMarker.size(), "marker");
    return true;
}

std::string Block(Cursor& in, const char* what) {
    std::int32_t size = in.BlockSize(what);
    return in.Bytes(static_cast<std::size_t>(size), what);
}

QruAttachments ReadAttachments(Cursor& in) {
    QruAttachments attachments;
    in.Enter("attachment section");
    attachments.bitmap = Block(in, "BITMAP block size");
    std::string name;
    bool more = in.Ok() && in.Remaining() > 0;
    if (more)
        name = in.ShortString("block name");
    if (more && name == "DATA") {
        attachments.data = Block(in, "DATA block size");
        more = in.Ok() && in.Remaining() > 0;
        if (more)
            name = in.ShortString("block name");
    }
    if (more && name == "DESCR") {
        attachments.descr = Block(in, "DESCR block size");
        more = in.Ok() && in.Remaining() > 0;
        if (more)
            name = in.ShortString("attached file name");
    }
    // Attached files run to the end of the stream; an empty name also ends them.
    while (more && in.Ok() && !name.empty()) {
        QruAttachedFile& file = attachments.files.emplace_back();
        std::size_t blank = name.find(' ');
        file.kind = name.substr(0, blank);
        if (blank != std::string::npos)
            file.fileName = name.substr(blank + 1);
        file.bytes = Block(in, "attached file size");
        more = in.Ok() && in.Remaining() > 0;
        if (more)
            name = in.ShortString("attached file name");
    }
    return attachments;
}

} // namespace

std::variant<QruModule, QruError> ReadQruModule(std::string_view bytes) {
    QruModule module;
    Cursor in(bytes);
    if (auto error = ReadBody(bytes, in, module))
        return std::move(*error);
    if (module.header.hasAttachments && SkipBitmapMarker(bytes, in)) {
        module.attachments = ReadAttachments(in);
        if (!in.Ok())
            return QruError{QruErrorKind::Damaged, in.Message()};
    }
    return module;
}

std::optional<std::size_t> FindAttachmentSection(std::string_view bytes) {
    QruModule module;
    Cursor in(bytes);
    if (ReadBody(bytes, in, module) || !module.header.hasAttachments ||
        !SkipBitmapMarker(bytes, in))
        return std::nullopt;
    return in.Position();
}

} // namespace engine
