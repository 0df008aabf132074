// Quorva run-time. Licensed under the MIT licence.
#include "engine/QruWriter.h"

#include <cstring>
#include <fmt/format.h>
#include <limits>
#include <string_view>

namespace engine {
namespace {

constexpr std::size_t kMaxShortString = 255;
constexpr std::size_t kMaxFixupName = 254;
constexpr char kEndOfList = static_cast<char>(255);
constexpr char kSameName = 0;

std::string StoredFileName(const QruAttachedFile& file) {
    return file.fileName.empty() ? file.kind : file.kind + " " + file.fileName;
}

class Output {
public:
    void U8(std::uint8_t value) { m_bytes += static_cast<char>(value); }
    void Flag(bool value) { U8(value ? 1 : 0); }
    void I32(std::int32_t value) {
        auto bits = static_cast<std::uint32_t>(value);
        for (int i = 0; i < 4; ++i)
            m_bytes += static_cast<char>((bits >> (8 * i)) & 0xff);
    }
    void F64(double value) {
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        for (int i = 0; i < 8; ++i)
            m_bytes += static_cast<char>((bits >> (8 * i)) & 0xff);
    }
    void Count(std::size_t count) { I32(static_cast<std::int32_t>(count)); }
    void ShortString(std::string_view text, std::size_t limit = kMaxShortString) {
        text = text.substr(0, limit);
        U8(static_cast<std::uint8_t>(text.size()));
        m_bytes += text;
    }
    void Block(std::string_view bytes) {
        Count(bytes.size());
        m_bytes += bytes;
    }
    void Raw(std::string_view bytes) { m_bytes += bytes; }
    std::string Take() { return std::move(m_bytes); }

private:
    std::string m_bytes;
};

// Writes one fix-up name: the 0 byte when it repeats the previous one, else the short string.
void FixupName(Output& out, const std::string& name, std::string& previous) {
    std::string stored = name.substr(0, kMaxFixupName);
    if (stored == previous || stored.empty()) {
        out.U8(static_cast<std::uint8_t>(kSameName));
    } else {
        out.ShortString(stored);
        previous = stored;
    }
}

platform::Status CheckText(std::string_view text, std::string_view what) {
    if (text.size() > kMaxShortString)
        return platform::Fail(fmt::format("{} \"{}...\" is {} bytes long; at most {} fit", what,
                                          text.substr(0, 20), text.size(), kMaxShortString));
    return {};
}

platform::Status CheckFixupName(std::string_view name, const std::string& previous,
                                std::string_view list) {
    if (name.size() > kMaxFixupName)
        return platform::Fail(fmt::format("{} name \"{}...\" is {} bytes long; at most {} fit",
                                          list, name.substr(0, 20), name.size(), kMaxFixupName));
    if (name.empty() && !previous.empty())
        return platform::Fail(
            fmt::format("{} entry after \"{}\" has an empty name", list, previous));
    return {};
}

platform::Status CheckSite(std::int32_t site, std::size_t codeSize, std::string_view what) {
    if (site < 0 || static_cast<std::uint64_t>(site) + 4 > codeSize)
        return platform::Fail(fmt::format("{} site {} does not leave 4 bytes inside the "
                                          "{}-byte code block",
                                          what, site, codeSize));
    return {};
}

#define QRU_CHECK(expression)                                                                      \
    if (platform::Status status = (expression); !status)                                           \
        return status;

platform::Status CheckTables(const QruModule& module) {
    for (const QruType& type : module.types) {
        QRU_CHECK(CheckText(type.name, "type name"));
        for (const QruField& field : type.fields) {
            QRU_CHECK(CheckText(field.name, "field name"));
            QRU_CHECK(CheckText(field.typeName, "field type name"));
        }
    }
    for (const QruVariable& variable : module.variables) {
        QRU_CHECK(CheckText(variable.name, "variable name"));
        QRU_CHECK(CheckText(variable.objectName, "object name"));
        QRU_CHECK(CheckText(variable.initialValue, "initial value"));
        QRU_CHECK(CheckText(variable.typeName, "type name"));
        if (variable.size < 0)
            return platform::Fail(
                fmt::format("variable {} has the negative size {}", variable.name, variable.size));
    }
    for (const QruFunction& function : module.functions) {
        QRU_CHECK(CheckText(function.name, "function name"));
        QRU_CHECK(CheckText(function.dllName, "DLL name"));
        QRU_CHECK(CheckText(function.entryName, "entry name"));
        for (const QruParameter& parameter : function.parameters)
            QRU_CHECK(CheckText(parameter.name, "parameter name"));
    }
    for (const QruAccessor& accessor : module.accessors) {
        QRU_CHECK(CheckText(accessor.name, "accessor name"));
        QRU_CHECK(CheckText(accessor.reader, "accessor reader"));
        QRU_CHECK(CheckText(accessor.writer, "accessor writer"));
    }
    for (const std::string& unit : module.uses)
        QRU_CHECK(CheckText(unit, "used unit name"));
    return {};
}

} // namespace

platform::Status CheckQruModule(const QruModule& module) {
    QRU_CHECK(CheckTables(module));
    if (module.header.dataSize < RequiredDataSize(module))
        return platform::Fail(fmt::format("data size {} is smaller than the {} bytes that the "
                                          "variables and entry cells need",
                                          module.header.dataSize, RequiredDataSize(module)));
    if (module.code.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return platform::Fail(
            fmt::format("code block of {} bytes is too large", module.code.size()));
    const std::int32_t entries[] = {module.initEntry, module.mainEntry, module.exitEntry};
    const char* names[] = {"init entry", "main entry", "exit entry"};
    for (int i = 0; i < 3; ++i) {
        if (entries[i] >= 0 && static_cast<std::size_t>(entries[i]) >= module.code.size())
            return platform::Fail(fmt::format("{} {} lies outside the {}-byte code block", names[i],
                                              entries[i], module.code.size()));
    }
    std::string previous;
    for (const QruVariableFixup& fixup : module.variableFixups) {
        QRU_CHECK(CheckFixupName(fixup.name, previous, "variable fix-up"));
        QRU_CHECK(CheckSite(fixup.site, module.code.size(), "variable fix-up"));
        previous = fixup.name;
    }
    previous.clear();
    for (const QruFunctionFixup& fixup : module.functionFixups) {
        QRU_CHECK(CheckFixupName(fixup.name, previous, "function fix-up"));
        QRU_CHECK(CheckSite(fixup.site, module.code.size(), "function fix-up"));
        previous = fixup.name;
    }
    if (module.attachments) {
        for (const QruAttachedFile& file : module.attachments->files) {
            if (file.kind.find(' ') != std::string::npos)
                return platform::Fail(
                    fmt::format("attached file kind \"{}\" holds a blank", file.kind));
            std::string stored = StoredFileName(file);
            if (stored.empty())
                return platform::Fail("an attached file has neither kind nor file name");
            QRU_CHECK(CheckText(stored, "attached file name"));
        }
    }
    return {};
}

#undef QRU_CHECK

std::string WriteQruModule(const QruModule& module) {
    Output out;
    out.Raw("QRU02");
    out.F64(module.header.stamp);
    out.Flag(module.header.debug);
    out.Flag(module.header.hasAttachments || module.attachments.has_value());
    out.I32(module.header.dataSize);
    out.Count(module.code.size());

    out.Count(module.types.size());
    for (const QruType& type : module.types) {
        out.ShortString(type.name);
        out.I32(type.size);
        out.Count(type.fields.size());
        for (const QruField& field : type.fields) {
            out.ShortString(field.name);
            out.U8(field.type);
            out.ShortString(field.typeName);
            out.I32(field.size);
            out.U8(field.elementType);
            out.I32(field.low);
            out.I32(field.high);
        }
    }
    out.Count(module.variables.size());
    for (const QruVariable& variable : module.variables) {
        out.ShortString(variable.name);
        out.I32(variable.offset);
        out.I32(variable.size);
        out.U8(variable.type);
        out.U8(variable.elementType);
        out.I32(variable.elementSize);
        out.I32(variable.low);
        out.I32(variable.high);
        out.Flag(variable.exported);
        out.ShortString(variable.objectName);
        out.ShortString(variable.initialValue);
        out.ShortString(variable.typeName);
    }
    out.Count(module.functions.size());
    for (const QruFunction& function : module.functions) {
        out.ShortString(function.name);
        out.I32(function.codeOffset);
        out.U8(function.handler);
        out.I32(function.spare);
        out.U8(function.kind);
        out.U8(function.resultType);
        out.Flag(function.exported);
        out.U8(function.convention);
        out.Flag(function.external);
        out.ShortString(function.dllName);
        out.ShortString(function.entryName);
        out.Count(function.parameters.size());
        for (const QruParameter& parameter : function.parameters) {
            out.U8(parameter.mode);
            out.U8(parameter.type);
            out.ShortString(parameter.name);
        }
    }
    out.Count(module.accessors.size());
    for (const QruAccessor& accessor : module.accessors) {
        out.ShortString(accessor.name);
        out.ShortString(accessor.reader);
        out.ShortString(accessor.writer);
        out.U8(accessor.flag);
    }
    out.U8(module.spareFlag);
    out.I32(module.period);
    out.Flag(module.nonCyclic);
    out.Count(module.uses.size());
    for (const std::string& unit : module.uses)
        out.ShortString(unit);
    out.I32(module.initEntry);
    out.I32(module.mainEntry);
    out.I32(module.exitEntry);
    out.Raw(module.code);

    std::string previous;
    for (const QruVariableFixup& fixup : module.variableFixups) {
        FixupName(out, fixup.name, previous);
        out.I32(fixup.site);
        out.I32(fixup.addend);
    }
    out.U8(static_cast<std::uint8_t>(kEndOfList));
    previous.clear();
    for (const QruFunctionFixup& fixup : module.functionFixups) {
        FixupName(out, fixup.name, previous);
        out.I32(fixup.site);
    }
    out.U8(static_cast<std::uint8_t>(kEndOfList));

    if (module.attachments) {
        out.ShortString("BITMAP");
        out.Block(module.attachments->bitmap);
        out.ShortString("DATA");
        out.Block(module.attachments->data);
        out.ShortString("DESCR");
        out.Block(module.attachments->descr);
        for (const QruAttachedFile& file : module.attachments->files) {
            std::string stored = StoredFileName(file);
            if (stored.empty())
                continue;
            out.ShortString(stored);
            out.Block(file.bytes);
        }
    }
    return out.Take();
}

} // namespace engine
