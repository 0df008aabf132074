// Quorva run-time. Licensed under the MIT licence.
#include "ToolFiles.h"
#include "engine/QruReader.h"
#include "engine/TypeCodes.h"
#include "platform/CodePage.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fmt/format.h>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace {

constexpr int kFailure = 1;
constexpr int kUsage = 2;

constexpr const char* kDescription =
    "qrudump - show the tables of a Quorva unit module (.QRU).\n\n"
    "Prints the header, the type, variable, function and accessor tables, the unit trailer,\n"
    "the entry offsets, the code, both fix-up lists and the attachments of FILE, as text or,\n"
    "with --json, as one JSON object. Texts are converted from the system code page to UTF-8.\n\n"
    "Exit codes: 0 done, 1 the file cannot be read or is not a valid module (the message says\n"
    "which section and byte offset is wrong), 2 bad usage.";

using Json = nlohmann::ordered_json;

std::string Text(const std::string& bytes) {
    return platform::CodePageToUtf8(bytes);
}

std::string Quoted(const std::string& bytes) {
    return fmt::format("\"{}\"", Text(bytes));
}

std::string TypeLabel(std::uint8_t code) {
    std::string_view name = engine::TypeCodeName(code);
    return name.empty() ? fmt::format("{}", code) : fmt::format("{} ({})", name, code);
}

// The stamp is a day count from 1899-12-30 with the time of day as its fraction.
std::optional<std::string> StampDate(double stamp) {
    constexpr double kUnixEpochDay = 25569;
    if (!std::isfinite(stamp) || stamp < 0 || stamp > 2958466) // up to the year 9999
        return std::nullopt;
    auto seconds = static_cast<std::time_t>(std::llround((stamp - kUnixEpochDay) * 86400.0));
    std::tm parts{};
    if (::gmtime_r(&seconds, &parts) == nullptr)
        return std::nullopt;
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return std::string(text);
}

std::string Hex(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (unsigned char c : bytes)
        text += fmt::format("{:02x}", c);
    return text;
}

std::string EntryText(std::int32_t entry) {
    return entry < 0 ? fmt::format("absent ({})", entry) : fmt::format("{}", entry);
}

std::string ArrayText(std::uint8_t elementType, std::int32_t elementSize, std::int32_t low,
                      std::int32_t high) {
    return fmt::format("array [{}..{}] of {}, element size {}", low, high, TypeLabel(elementType),
                       elementSize);
}

void PrintText(const std::string& file, std::size_t fileSize, const engine::QruModule& module) {
    const engine::QruHeader& header = module.header;
    fmt::print("unit module {} ({} bytes)\n", file, fileSize);
    std::optional<std::string> date = StampDate(header.stamp);
    fmt::print("stamp: {}{}\n", header.stamp, date ? " (" + *date + " UTC)" : "");
    fmt::print("debug information: {}\n", header.debug ? "yes" : "no");
    fmt::print("attachments flag: {}\n", header.hasAttachments ? "set" : "clear");
    fmt::print("data size: {}\ncode size: {}\n", header.dataSize, header.codeSize);

    fmt::print("\ntypes: {}\n", module.types.size());
    for (const engine::QruType& type : module.types) {
        fmt::print("  {} size {}, {} fields\n", Text(type.name), type.size, type.fields.size());
        for (const engine::QruField& field : type.fields) {
            fmt::print("    {}: {}, size {}", Text(field.name), TypeLabel(field.type), field.size);
            if (!field.typeName.empty())
                fmt::print(", type name {}", Quoted(field.typeName));
            if (field.elementType != engine::ToByte(engine::TypeCode::None) || field.low ||
                field.high)
                fmt::print(", element {}, bounds {}..{}", TypeLabel(field.elementType), field.low,
                           field.high);
            fmt::print("\n");
        }
    }

    fmt::print("\nvariables: {}\n", module.variables.size());
    for (const engine::QruVariable& variable : module.variables) {
        fmt::print("  {}: {}, offset {}, size {}", Text(variable.name), TypeLabel(variable.type),
                   variable.offset, variable.size);
        if (variable.elementType || variable.elementSize || variable.low || variable.high)
            fmt::print(", {}", ArrayText(variable.elementType, variable.elementSize, variable.low,
                                         variable.high));
        if (variable.exported)
            fmt::print(", exported");
        if (!variable.objectName.empty())
            fmt::print(", object {}", Quoted(variable.objectName));
        if (!variable.typeName.empty())
            fmt::print(", type name {}", Quoted(variable.typeName));
        if (!variable.initialValue.empty())
            fmt::print(", initial value {}", Quoted(variable.initialValue));
        fmt::print("\n");
    }

    fmt::print("\nfunctions: {}\n", module.functions.size());
    for (const engine::QruFunction& function : module.functions) {
        bool isFunction =
            function.kind == static_cast<std::uint8_t>(engine::FunctionKind::Function);
        fmt::print("  {}: {} (kind {})", Text(function.name),
                   isFunction ? "function returning " + TypeLabel(function.resultType)
                              : std::string(function.kind == 12 ? "procedure" : "unknown kind"),
                   function.kind);
        if (function.IsExternal())
            fmt::print(", external {} entry {}", Quoted(function.dllName),
                       Quoted(function.entryName));
        else
            fmt::print(", code offset {}, source name {}", function.codeOffset,
                       Quoted(function.entryName));
        if (function.external && !function.IsExternal())
            fmt::print(", external flag set with a blank DLL name (bound as internal)");
        if (function.exported)
            fmt::print(", exported");
        if (function.convention)
            fmt::print(", convention flag {}", function.convention);
        if (function.handler)
            fmt::print(", handler flag {}", function.handler);
        if (function.spare)
            fmt::print(", spare value {}", function.spare);
        fmt::print("\n");
        for (const engine::QruParameter& parameter : function.parameters)
            fmt::print("    {} {}: {}\n",
                       parameter.mode == 0   ? "by reference"
                       : parameter.mode == 1 ? "by value"
                                             : fmt::format("mode {}", parameter.mode),
                       Text(parameter.name), TypeLabel(parameter.type));
    }

    fmt::print("\naccessors: {}\n", module.accessors.size());
    for (const engine::QruAccessor& accessor : module.accessors)
        fmt::print("  {}: reader {}, writer {}, flag {}\n", Text(accessor.name),
                   Text(accessor.reader), Text(accessor.writer), accessor.flag);

    fmt::print("\nspare flag: {}\nperiod: {} ms\nnon-cyclic: {}\nuses: {}\n", module.spareFlag,
               module.period, module.nonCyclic ? "yes (library unit)" : "no", module.uses.size());
    for (const std::string& unit : module.uses)
        fmt::print("  {}\n", Text(unit));
    fmt::print("\ninit entry: {}\nmain entry: {}\nexit entry: {}\n", EntryText(module.initEntry),
               EntryText(module.mainEntry), EntryText(module.exitEntry));

    fmt::print("\ncode: {} bytes\n", module.code.size());
    for (std::size_t at = 0; at < module.code.size(); at += 16) {
        fmt::print("  {:06x} ", at);
        for (std::size_t i = at; i < at + 16 && i < module.code.size(); ++i)
            fmt::print(" {:02x}", static_cast<unsigned char>(module.code[i]));
        fmt::print("\n");
    }

    fmt::print("\nvariable fix-ups: {}\n", module.variableFixups.size());
    for (const engine::QruVariableFixup& fixup : module.variableFixups)
        fmt::print("  site {}: {} {:+}\n", fixup.site, Quoted(fixup.name), fixup.addend);
    fmt::print("\nfunction fix-ups: {}\n", module.functionFixups.size());
    for (const engine::QruFunctionFixup& fixup : module.functionFixups)
        fmt::print("  site {}: {}\n", fixup.site, Quoted(fixup.name));

    if (!module.attachments) {
        fmt::print("\nattachments: {}\n",
                   header.hasAttachments ? "none (flag set, no BITMAP marker)" : "none");
        return;
    }
    const engine::QruAttachments& attachments = *module.attachments;
    fmt::print("\nattachments:\n  BITMAP: {} bytes\n  DATA: {} bytes\n  DESCR: {} bytes\n",
               attachments.bitmap.size(), attachments.data.size(), attachments.descr.size());
    fmt::print("  files: {}\n", attachments.files.size());
    for (const engine::QruAttachedFile& attached : attachments.files)
        fmt::print("    {} {}: {} bytes\n", Text(attached.kind), Quoted(attached.fileName),
                   attached.bytes.size());
}

Json Entry(std::int32_t entry) {
    return Json{{"offset", entry}, {"present", entry >= 0}};
}

Json TypeJson(std::uint8_t code) {
    return Json{{"code", code}, {"name", engine::TypeCodeName(code)}};
}

Json ToJson(const std::string& file, std::size_t fileSize, const engine::QruModule& module) {
    Json json;
    json["file"] = file;
    json["fileSize"] = fileSize;
    const engine::QruHeader& header = module.header;
    std::optional<std::string> date = StampDate(header.stamp);
    json["header"] = {
        {"stamp", header.stamp},       {"stampDateUtc", date ? Json(*date) : Json(nullptr)},
        {"debug", header.debug},       {"attachmentsFlag", header.hasAttachments},
        {"dataSize", header.dataSize}, {"codeSize", header.codeSize}};
    Json& types = json["types"] = Json::array();
    for (const engine::QruType& type : module.types) {
        Json fields = Json::array();
        for (const engine::QruField& field : type.fields)
            fields.push_back({{"name", Text(field.name)},
                              {"type", TypeJson(field.type)},
                              {"typeName", Text(field.typeName)},
                              {"size", field.size},
                              {"elementType", TypeJson(field.elementType)},
                              {"low", field.low},
                              {"high", field.high}});
        types.push_back({{"name", Text(type.name)}, {"size", type.size}, {"fields", fields}});
    }
    Json& variables = json["variables"] = Json::array();
    for (const engine::QruVariable& variable : module.variables)
        variables.push_back({{"name", Text(variable.name)},
                             {"offset", variable.offset},
                             {"size", variable.size},
                             {"type", TypeJson(variable.type)},
                             {"elementType", TypeJson(variable.elementType)},
                             {"elementSize", variable.elementSize},
                             {"low", variable.low},
                             {"high", variable.high},
                             {"exported", variable.exported},
                             {"objectName", Text(variable.objectName)},
                             {"initialValue", Text(variable.initialValue)},
                             {"typeName", Text(variable.typeName)}});
    Json& functions = json["functions"] = Json::array();
    for (const engine::QruFunction& function : module.functions) {
        Json parameters = Json::array();
        for (const engine::QruParameter& parameter : function.parameters)
            parameters.push_back({{"name", Text(parameter.name)},
                                  {"passingMode", parameter.mode},
                                  {"byValue", parameter.mode == 1},
                                  {"type", TypeJson(parameter.type)}});
        functions.push_back({{"name", Text(function.name)},
                             {"kind", function.kind},
                             {"isFunction", function.kind == 11},
                             {"resultType", TypeJson(function.resultType)},
                             {"codeOffset", function.codeOffset},
                             {"exported", function.exported},
                             {"externalFlag", function.external},
                             {"boundToDll", function.IsExternal()},
                             {"dllName", Text(function.dllName)},
                             {"entryName", Text(function.entryName)},
                             {"conventionFlag", function.convention},
                             {"handlerFlag", function.handler},
                             {"spareValue", function.spare},
                             {"parameters", parameters}});
    }
    Json& accessors = json["accessors"] = Json::array();
    for (const engine::QruAccessor& accessor : module.accessors)
        accessors.push_back({{"name", Text(accessor.name)},
                             {"reader", Text(accessor.reader)},
                             {"writer", Text(accessor.writer)},
                             {"flag", accessor.flag}});
    Json uses = Json::array();
    for (const std::string& unit : module.uses)
        uses.push_back(Text(unit));
    json["trailer"] = {{"spareFlag", module.spareFlag},
                       {"periodMs", module.period},
                       {"nonCyclic", module.nonCyclic},
                       {"uses", uses}};
    json["entries"] = {{"init", Entry(module.initEntry)},
                       {"main", Entry(module.mainEntry)},
                       {"exit", Entry(module.exitEntry)}};
    json["code"] = {{"size", module.code.size()}, {"hex", Hex(module.code)}};
    Json& variableFixups = json["variableFixups"] = Json::array();
    for (const engine::QruVariableFixup& fixup : module.variableFixups)
        variableFixups.push_back(
            {{"name", Text(fixup.name)}, {"site", fixup.site}, {"addend", fixup.addend}});
    Json& functionFixups = json["functionFixups"] = Json::array();
    for (const engine::QruFunctionFixup& fixup : module.functionFixups)
        functionFixups.push_back({{"name", Text(fixup.name)}, {"site", fixup.site}});
    if (module.attachments) {
        Json files = Json::array();
        for (const engine::QruAttachedFile& attached : module.attachments->files)
            files.push_back({{"kind", Text(attached.kind)},
                             {"fileName", Text(attached.fileName)},
                             {"size", attached.bytes.size()}});
        json["attachments"] = {{"bitmapSize", module.attachments->bitmap.size()},
                               {"dataSize", module.attachments->data.size()},
                               {"descrText", Text(module.attachments->descr)},
                               {"files", files}};
    } else {
        json["attachments"] = nullptr;
    }
    return json;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{kDescription, "qrudump"};
    app.failure_message([](const CLI::App*, const CLI::Error& error) {
        return fmt::format("qrudump: {}\nRun 'qrudump --help' for the options.\n", error.what());
    });
    bool json = false;
    std::string file;
    app.add_flag("--json", json, "print one JSON object instead of text");
    app.add_option("FILE", file, "unit module to show")->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        int code = app.exit(error);
        return code == 0 ? 0 : kUsage;
    }

    auto bytes = toolfiles::ReadWholeFile(file);
    if (!bytes) {
        fmt::print(stderr, "qrudump: {}\n", bytes.Error());
        return kFailure;
    }
    auto read = engine::ReadQruModule(bytes.Value());
    if (const auto* error = std::get_if<engine::QruError>(&read)) {
        fmt::print(stderr, "qrudump: {}: {}\n", file, error->message);
        return kFailure;
    }
    const auto& module = std::get<engine::QruModule>(read);
    if (json)
        fmt::print(
            "{}\n",
            ToJson(file, bytes->size(), module).dump(2, ' ', false, Json::error_handler_t::replace));
    else
        PrintText(file, bytes->size(), module);
    std::fflush(stdout);
    return std::ferror(stdout) ? kFailure : 0;
}
