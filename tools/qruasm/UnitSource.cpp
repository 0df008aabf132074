// Quorva run-time. Licensed under the MIT licence.
#include "UnitSource.h"

#include "DirectiveTokens.h"
#include "ToolFiles.h"
#include "engine/TypeCodes.h"
#include "platform/CodePage.h"

#include <charconv>
#include <cstdlib>
#include <fmt/format.h>
#include <limits>

namespace qruasm {
namespace {

using engine::ToByte;
using engine::TypeCode;

constexpr std::size_t kMaxName = 254; // a fix-up name must leave 255 to the end marker
constexpr std::int64_t kMaxInt32 = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kMinInt32 = std::numeric_limits<std::int32_t>::min();

// Thrown by the directive handlers and caught in ParseUnitSource; never leaves this file.
struct SourceError {
    std::string message;
};

[[noreturn]] void Throw(std::string message) {
    throw SourceError{std::move(message)};
}

// A resolved type: what a variable, field, element or parameter of it stores.
struct TypeSpec {
    std::uint8_t code = 0;
    std::int32_t size = 0;
    std::uint8_t elementType = 0;
    std::int32_t elementSize = 0, low = 0, high = 0;
    std::string typeName;   // record types: the name as written
    std::string objectName; // object references: the object
};

struct Scalar {
    std::string_view name;
    TypeCode code;
    std::int32_t size;
};

constexpr Scalar kScalars[] = {
    {"Boolean", TypeCode::Boolean, 1}, {"Integer", TypeCode::Integer, 4},
    {"Real", TypeCode::Real, 10},      {"Byte", TypeCode::Byte, 1},
    {"String", TypeCode::String, 256}, {"Word", TypeCode::Word, 2},
    {"Single", TypeCode::Single, 4},   {"Double", TypeCode::Double, 8},
};

const Scalar* FindScalar(std::string_view name) {
    for (const Scalar& scalar : kScalars) {
        if (EqualsIgnoringCase(scalar.name, name))
            return &scalar;
    }
    return nullptr;
}

enum class TypeUse { Variable, Field, Element, Parameter };

std::string Identifier(TokenReader& in, std::string_view what) {
    const Token& token = in.Peek();
    if (token.kind != TokenKind::Word)
        Throw(fmt::format("expected {}, found {}", what, Describe(token)));
    if (token.text.size() > kMaxName)
        Throw(fmt::format("{} `{}...` is longer than {} characters", what, token.text.substr(0, 20),
                          kMaxName));
    return in.Next().text;
}

std::int64_t Integer(TokenReader& in, std::string_view what, std::int64_t low, std::int64_t high) {
    const Token& token = in.Peek();
    std::int64_t value = 0;
    auto [end, error] =
        std::from_chars(token.text.data(), token.text.data() + token.text.size(), value);
    if (token.kind != TokenKind::Number || error == std::errc::invalid_argument ||
        end != token.text.data() + token.text.size())
        Throw(fmt::format("expected {} (an integer), found {}", what, Describe(token)));
    if (error == std::errc::result_out_of_range || value < low || value > high)
        Throw(fmt::format("{} {} is outside {}..{}", what, token.text, low, high));
    in.Next();
    return value;
}

bool IsReal(const std::string& text) {
    if (text.empty())
        return false;
    char* end = nullptr;
    std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size();
}

// A quoted text, converted from UTF-8 to the system code page.
std::string Text(TokenReader& in, std::string_view what) {
    const Token& token = in.Peek();
    if (token.kind != TokenKind::Text)
        Throw(fmt::format("expected {} (a quoted text), found {}", what, Describe(token)));
    std::string bytes = platform::Utf8ToCodePage(in.Next().text);
    if (bytes.size() > 255)
        Throw(fmt::format("{} is {} bytes long; at most 255 fit", what, bytes.size()));
    return bytes;
}

void Mark(TokenReader& in, std::string_view mark) {
    if (!in.AcceptMark(mark))
        Throw(fmt::format("expected `{}`, found {}", mark, Describe(in.Peek())));
}

void Keyword(TokenReader& in, std::string_view word) {
    if (!in.AcceptWord(word))
        Throw(fmt::format("expected `{}`, found {}", word, Describe(in.Peek())));
}

void End(TokenReader& in) {
    if (!in.AtEnd())
        Throw(fmt::format("unexpected {} at the end of the directive", Describe(in.Peek())));
}

LabelUse Label(TokenReader& in, int line) {
    return LabelUse{Identifier(in, "a code label"), line};
}

class Parser {
public:
    explicit Parser(const std::filesystem::path& baseDirectory) : m_base(baseDirectory) {}

    void Directive(std::string_view text, int line) {
        m_line = line;
        auto tokens = TokenizeDirective(text);
        if (!tokens)
            Throw(tokens.Error());
        TokenReader in(std::move(tokens.Value()));
        std::string name = UpperCase(Identifier(in, "a directive name after `@`"));
        UnitSource& unit = m_unit;
        engine::QruModule& module = unit.module;
        if (name == "PERIOD") {
            module.period =
                static_cast<std::int32_t>(Integer(in, "the period", kMinInt32, kMaxInt32));
        } else if (name == "NONCYCLIC") {
            module.nonCyclic = true;
        } else if (name == "DEBUG") {
            module.header.debug = true;
        } else if (name == "STAMP") {
            const Token& token = in.Peek();
            if (token.kind != TokenKind::Number || !IsReal(token.text))
                Throw(fmt::format("expected the stamp (a day count such as 45123.5), found {}",
                                  Describe(token)));
            module.header.stamp = std::strtod(in.Next().text.c_str(), nullptr);
            unit.stampGiven = true;
        } else if (name == "DATASIZE") {
            unit.requestedDataSize =
                static_cast<std::int32_t>(Integer(in, "the data size", 0, kMaxInt32));
            unit.dataSizeLine = line;
        } else if (name == "SPARE") {
            module.spareFlag = static_cast<std::uint8_t>(Integer(in, "the spare flag", 0, 255));
        } else if (name == "USES") {
            do {
                module.uses.push_back(Identifier(in, "a unit name"));
            } while (in.AcceptMark(","));
        } else if (name == "INIT" || name == "MAIN" || name == "EXIT") {
            std::optional<LabelUse>& entry = name == "INIT"   ? unit.initEntry
                                             : name == "MAIN" ? unit.mainEntry
                                                              : unit.exitEntry;
            if (entry)
                Throw(fmt::format("the {} entry is already given on line {}",
                                  name == "INIT"   ? "init"
                                  : name == "MAIN" ? "main"
                                                   : "exit",
                                  entry->line));
            entry = Label(in, line);
        } else if (name == "TYPE") {
            TypeDirective(in);
        } else if (name == "VAR") {
            VarDirective(in);
        } else if (name == "CONST") {
            ConstDirective(in);
        } else if (name == "FUNCTION" || name == "PROCEDURE") {
            FunctionDirective(in, name == "FUNCTION");
        } else if (name == "EXTERNAL") {
            ExternalDirective(in);
        } else if (name == "IMPORT") {
            ImportDirective(in);
        } else if (name == "ACCESSOR") {
            engine::QruAccessor& accessor = module.accessors.emplace_back();
            accessor.name = UpperCase(Identifier(in, "the accessor name"));
            accessor.reader = UpperCase(Identifier(in, "the reader function"));
            accessor.writer = UpperCase(Identifier(in, "the writer function"));
            accessor.flag = static_cast<std::uint8_t>(Integer(in, "the accessor flag", 0, 255));
        } else if (name == "ATTACH") {
            AttachDirective(in);
        } else {
            Throw(fmt::format("unknown directive @{}", text.substr(0, text.find_first_of(" \t"))));
        }
        End(in);
    }

    UnitSource Finish() { return std::move(m_unit); }

private:
    TypeSpec ParseType(TokenReader& in, TypeUse use) {
        const Token& token = in.Peek();
        if (token.kind != TokenKind::Word)
            Throw(fmt::format("expected a type, found {}", Describe(token)));
        std::string name = in.Next().text;
        TypeSpec spec;
        if (EqualsIgnoringCase(name, "Array")) {
            Mark(in, "[");
            std::int64_t low = Integer(in, "the low bound", kMinInt32, kMaxInt32);
            Mark(in, "..");
            std::int64_t high = Integer(in, "the high bound", kMinInt32, kMaxInt32);
            Mark(in, "]");
            Keyword(in, "of");
            TypeSpec element = ParseType(in, TypeUse::Element);
            std::int64_t count = high - low + 1;
            if (count < 1)
                Throw(fmt::format("array bounds {}..{} hold no element", low, high));
            if (count * element.size > kMaxInt32)
                Throw(fmt::format("array of {} elements of {} bytes is too large", count,
                                  element.size));
            spec.code = ToByte(TypeCode::Array);
            spec.size = static_cast<std::int32_t>(count * element.size);
            spec.elementType = element.code;
            spec.elementSize = element.size;
            spec.low = static_cast<std::int32_t>(low);
            spec.high = static_cast<std::int32_t>(high);
        } else if (EqualsIgnoringCase(name, "Object") && use == TypeUse::Variable) {
            spec.code = ToByte(TypeCode::ObjectReference);
            spec.size = 4;
            spec.objectName = UpperCase(Identifier(in, "the screen object's name"));
        } else if (EqualsIgnoringCase(name, "Bit") && use == TypeUse::Parameter) {
            spec.code = ToByte(TypeCode::Bit);
        } else if (const Scalar* scalar = FindScalar(name)) {
            spec.code = ToByte(scalar->code);
            spec.size = scalar->size;
        } else if (auto found = m_types.find(UpperCase(name)); found != m_types.end()) {
            spec = found->second;
        } else {
            Throw(fmt::format("unknown type `{}`", name));
        }
        if (use == TypeUse::Element && spec.code == ToByte(TypeCode::Array))
            Throw("an array element cannot be an array; use a record type as the element");
        return spec;
    }

    // `@type NAME = record FIELD : TYPE; ... end` or `@type NAME = TYPE`.
    void TypeDirective(TokenReader& in) {
        std::string written = Identifier(in, "the type name");
        std::string name = UpperCase(written);
        if (m_types.count(name) || FindScalar(name))
            Throw(fmt::format("type {} is already declared", written));
        Mark(in, "=");
        engine::QruType type;
        type.name = name;
        TypeSpec spec;
        if (in.AcceptWord("record")) {
            std::int64_t size = 0;
            while (!in.AcceptWord("end")) {
                std::vector<std::string> names{UpperCase(Identifier(in, "a field name"))};
                while (in.AcceptMark(","))
                    names.push_back(UpperCase(Identifier(in, "a field name")));
                Mark(in, ":");
                TypeSpec field = ParseType(in, TypeUse::Field);
                for (const std::string& fieldName : names) {
                    type.fields.push_back(FieldOf(fieldName, field));
                    size += field.size;
                }
                if (!in.AcceptMark(";") && !in.IsWord("end"))
                    Throw(fmt::format("expected `;` or `end`, found {}", Describe(in.Peek())));
            }
            if (type.fields.empty())
                Throw(fmt::format("record {} has no fields", written));
            if (size > kMaxInt32)
                Throw(fmt::format("record {} is too large", written));
            spec.code = ToByte(TypeCode::Record);
            spec.size = static_cast<std::int32_t>(size);
        } else {
            spec = ParseType(in, TypeUse::Field);
            type.fields.push_back(FieldOf(name, spec));
        }
        if (spec.code == ToByte(TypeCode::Record))
            spec.typeName = written;
        type.size = spec.size;
        m_unit.module.types.push_back(std::move(type));
        m_types[name] = spec;
    }

    static engine::QruField FieldOf(const std::string& name, const TypeSpec& spec) {
        engine::QruField field;
        field.name = name;
        field.type = spec.code;
        field.typeName = spec.code == ToByte(TypeCode::Record) ? spec.typeName : std::string();
        bool array = spec.code == ToByte(TypeCode::Array);
        field.size = array ? spec.elementSize : spec.size;
        field.elementType = array ? spec.elementType : ToByte(TypeCode::None);
        field.low = spec.low;
        field.high = spec.high;
        return field;
    }

    std::string InitialValue(TokenReader& in, const TypeSpec& spec) {
        const Token& token = in.Peek();
        switch (static_cast<TypeCode>(spec.code)) {
        case TypeCode::Boolean:
            if (!(token.kind == TokenKind::Word && (EqualsIgnoringCase(token.text, "True") ||
                                                    EqualsIgnoringCase(token.text, "False"))) &&
                !(token.kind == TokenKind::Number && (token.text == "0" || token.text == "1")))
                Throw(fmt::format("a Boolean is True, False, 1 or 0, not {}", Describe(token)));
            return in.Next().text;
        case TypeCode::Integer:
            return std::to_string(Integer(in, "the initial value", kMinInt32, kMaxInt32));
        case TypeCode::Byte:
            return std::to_string(Integer(in, "the initial value", 0, 255));
        case TypeCode::Word:
            return std::to_string(Integer(in, "the initial value", 0, 65535));
        case TypeCode::Real:
        case TypeCode::Single:
        case TypeCode::Double:
            if (token.kind != TokenKind::Number || !IsReal(token.text))
                Throw(fmt::format("expected a number as the initial value, found {}",
                                  Describe(token)));
            return in.Next().text;
        case TypeCode::String:
            return Text(in, "the initial value");
        default:
            Throw(fmt::format("a variable of type {} takes no initial value",
                              engine::TypeCodeName(spec.code)));
        }
    }

    void AddRecord(engine::QruVariable variable) {
        if (auto [it, added] = m_recordNames.emplace(variable.name, m_line); !added)
            Throw(fmt::format("{} is already in the variable table (line {})", variable.name,
                              it->second));
        if (variable.type != ToByte(TypeCode::IntegerLiteral)) {
            variable.offset = static_cast<std::int32_t>(m_dataPosition);
            m_dataPosition += variable.size;
            if (m_dataPosition > kMaxInt32)
                Throw("the variables need more than 2 GiB");
        }
        m_unit.module.variables.push_back(std::move(variable));
    }

    void AddReference(const std::string& symbol, ReferenceKind kind, std::string fixupName,
                      std::string what) {
        if (fixupName.size() > kMaxName)
            Throw(fmt::format("the reference `{}` is longer than {} bytes", fixupName, kMaxName));
        Reference reference{kind, std::move(fixupName), std::move(what), m_line};
        if (auto [it, added] = m_unit.references.emplace(UpperCase(symbol), reference); !added)
            Throw(fmt::format("symbol {} is already declared on line {} (symbols ignore letter "
                              "case)",
                              symbol, it->second.line));
    }

    // `@var NAME : TYPE [= VALUE] [export]`
    void VarDirective(TokenReader& in) {
        std::string written = Identifier(in, "the variable name");
        Mark(in, ":");
        TypeSpec spec = ParseType(in, TypeUse::Variable);
        engine::QruVariable variable;
        variable.name = UpperCase(written);
        variable.size = spec.size;
        variable.type = spec.code;
        if (spec.code == ToByte(TypeCode::Array)) {
            variable.elementType = spec.elementType;
            variable.elementSize = spec.elementSize;
            variable.low = spec.low;
            variable.high = spec.high;
        }
        variable.objectName = spec.objectName;
        variable.typeName = spec.code == ToByte(TypeCode::Record) ? spec.typeName : "";
        if (in.AcceptMark("="))
            variable.initialValue = InitialValue(in, spec);
        variable.exported = in.AcceptWord("export");
        AddRecord(variable);
        AddReference(written, ReferenceKind::Variable, variable.name, "variable");
    }

    // `@const INTEGER` or `@const SYMBOL = 'TEXT'`
    void ConstDirective(TokenReader& in) {
        engine::QruVariable constant;
        if (in.Peek().kind == TokenKind::Number) {
            std::string raw = in.Peek().raw;
            Integer(in, "the integer constant", kMinInt32, kMaxInt32);
            constant.name = raw;
            constant.type = ToByte(TypeCode::IntegerLiteral);
            constant.size = 4;
            AddRecord(constant);
            return;
        }
        std::string symbol = Identifier(in, "an integer or a symbol for a text constant");
        Mark(in, "=");
        std::string text = Text(in, "the text constant");
        std::string literal = "'";
        for (char c : text)
            literal += c == '\'' ? std::string("''") : std::string(1, c);
        literal += "'";
        if (literal.size() > kMaxName)
            Throw("the text constant is too long to be named by its own text");
        constant.name = literal;
        constant.type = ToByte(TypeCode::StringLiteral);
        constant.size = 256;
        constant.initialValue = text;
        AddRecord(constant);
        AddReference(symbol, ReferenceKind::Variable, literal, "text constant");
    }

    void Parameters(TokenReader& in, engine::QruFunction& function) {
        if (!in.AcceptMark("("))
            return;
        if (in.AcceptMark(")"))
            return;
        do {
            bool byReference = in.AcceptWord("var");
            std::vector<std::string> names{UpperCase(Identifier(in, "a parameter name"))};
            while (in.AcceptMark(","))
                names.push_back(UpperCase(Identifier(in, "a parameter name")));
            std::uint8_t type = ToByte(TypeCode::Untyped);
            if (in.AcceptMark(":"))
                type = ParseType(in, TypeUse::Parameter).code;
            else if (!byReference)
                Throw(fmt::format("parameter {} needs a type; only var parameters may be "
                                  "untyped",
                                  names.front()));
            for (const std::string& name : names)
                function.parameters.push_back(engine::QruParameter{
                    static_cast<std::uint8_t>(byReference ? 0 : 1), type, name});
        } while (in.AcceptMark(";"));
        Mark(in, ")");
    }

    // The name, parameters and result type shared by own and external functions.
    engine::QruFunction Signature(TokenReader& in, bool isFunction, std::string& written) {
        written = Identifier(in, "the function name");
        engine::QruFunction function;
        function.name = UpperCase(written);
        function.entryName = written;
        function.kind = static_cast<std::uint8_t>(isFunction ? engine::FunctionKind::Function
                                                             : engine::FunctionKind::Procedure);
        Parameters(in, function);
        if (isFunction) {
            Mark(in, ":");
            std::string result = Identifier(in, "the result type");
            const Scalar* scalar = FindScalar(result);
            if (scalar == nullptr)
                Throw(fmt::format("result type `{}` is not one of Boolean, Integer, Real, Byte, "
                                  "String, Word, Single, Double",
                                  result));
            function.resultType = ToByte(scalar->code);
        }
        if (auto [it, added] = m_functionNames.emplace(function.name, m_line); !added)
            Throw(fmt::format("function {} is already declared on line {}", written, it->second));
        return function;
    }

    // `@function NAME(PARAMS) : RESULT = LABEL [export] [handler]`, `@procedure` without result.
    void FunctionDirective(TokenReader& in, bool isFunction) {
        std::string written;
        engine::QruFunction function = Signature(in, isFunction, written);
        Mark(in, "=");
        LabelUse label = Label(in, m_line);
        for (;;) {
            if (in.AcceptWord("export"))
                function.exported = true;
            else if (in.AcceptWord("handler"))
                function.handler = 1;
            else
                break;
        }
        m_unit.functionLabels.emplace_back(m_unit.module.functions.size(), label);
        AddReference(written, ReferenceKind::Function, function.name, "function");
        m_unit.module.functions.push_back(std::move(function));
    }

    // `@external function|procedure NAME(PARAMS) [: RESULT] from 'DLL' [name 'ENTRY']
    // [convention N] [export]`
    void ExternalDirective(TokenReader& in) {
        bool isFunction = in.AcceptWord("function");
        if (!isFunction && !in.AcceptWord("procedure"))
            Throw(fmt::format("expected `function` or `procedure`, found {}", Describe(in.Peek())));
        std::string written;
        engine::QruFunction function = Signature(in, isFunction, written);
        Keyword(in, "from");
        function.external = true;
        function.dllName = Text(in, "the DLL name");
        if (!function.IsExternal())
            Throw("the DLL name is blank");
        for (;;) {
            if (in.AcceptWord("name"))
                function.entryName = Text(in, "the entry name");
            else if (in.AcceptWord("convention"))
                function.convention =
                    static_cast<std::uint8_t>(Integer(in, "the convention flag", 0, 255));
            else if (in.AcceptWord("export"))
                function.exported = true;
            else
                break;
        }
        if (function.entryName.empty())
            Throw("the entry name is empty");
        AddReference(written, ReferenceKind::Function, function.name, "external function");
        m_unit.module.functions.push_back(std::move(function));
    }

    // `@import function|variable NAME [UNIT] [as SYMBOL]`
    void ImportDirective(TokenReader& in) {
        bool isFunction = in.AcceptWord("function");
        if (!isFunction && !in.AcceptWord("variable"))
            Throw(fmt::format("expected `function` or `variable`, found {}", Describe(in.Peek())));
        std::string name = Identifier(in, "the imported name");
        std::string fixupName = UpperCase(name);
        if (in.Peek().kind == TokenKind::Word && !in.IsWord("as"))
            fixupName += " " + UpperCase(Identifier(in, "the unit name"));
        std::string symbol = name;
        if (in.AcceptWord("as"))
            symbol = Identifier(in, "the symbol");
        AddReference(symbol, isFunction ? ReferenceKind::Function : ReferenceKind::Variable,
                     fixupName, isFunction ? "imported function" : "imported variable");
    }

    std::string ReadAttachedFile(const std::string& utf8Path) {
        auto bytes = toolfiles::ReadWholeFile((m_base / std::filesystem::path(utf8Path)).string());
        if (!bytes)
            Throw(fmt::format("attached file {}", bytes.Error()));
        if (bytes->size() > static_cast<std::size_t>(kMaxInt32))
            Throw(fmt::format("the attached file {} is larger than 2 GiB", utf8Path));
        return std::move(bytes.Value());
    }

    // `@attach bitmap|data|descr 'PATH'` or `@attach file KIND 'PATH' [as 'NAME']`
    void AttachDirective(TokenReader& in) {
        engine::QruModule& module = m_unit.module;
        if (!module.attachments)
            module.attachments.emplace();
        engine::QruAttachments& attachments = *module.attachments;
        std::string* block = in.AcceptWord("bitmap")  ? &attachments.bitmap
                             : in.AcceptWord("data")  ? &attachments.data
                             : in.AcceptWord("descr") ? &attachments.descr
                                                      : nullptr;
        if (block != nullptr) {
            if (in.Peek().kind != TokenKind::Text)
                Throw(fmt::format("expected the file's path (a quoted text), found {}",
                                  Describe(in.Peek())));
            *block = ReadAttachedFile(in.Next().text);
            return;
        }
        if (!in.AcceptWord("file"))
            Throw(
                fmt::format("expected bitmap, data, descr or file, found {}", Describe(in.Peek())));
        engine::QruAttachedFile file;
        file.kind = Identifier(in, "the kind of the attached file");
        if (in.Peek().kind != TokenKind::Text)
            Throw(fmt::format("expected the file's path (a quoted text), found {}",
                              Describe(in.Peek())));
        std::string path = in.Next().text;
        file.bytes = ReadAttachedFile(path);
        file.fileName =
            in.AcceptWord("as")
                ? Text(in, "the stored file name")
                : platform::Utf8ToCodePage(std::filesystem::path(path).filename().string());
        if (file.fileName.empty())
            Throw("the stored file name is empty");
        if (file.kind.size() + 1 + file.fileName.size() > 255)
            Throw("kind and file name together are longer than 255 bytes");
        attachments.files.push_back(std::move(file));
    }

    std::filesystem::path m_base;
    UnitSource m_unit;
    std::map<std::string, TypeSpec> m_types;
    std::map<std::string, int> m_recordNames;
    std::map<std::string, int> m_functionNames;
    std::int64_t m_dataPosition = 0;
    int m_line = 0;
};

std::string_view Trimmed(std::string_view line) {
    std::size_t start = line.find_first_not_of(" \t");
    return start == std::string_view::npos ? std::string_view() : line.substr(start);
}

} // namespace

platform::Result<UnitSource> ParseUnitSource(std::string_view text,
                                             const std::filesystem::path& baseDirectory) {
    Parser parser(baseDirectory);
    std::string assembly;
    int line = 0;
    try {
        std::size_t start = 0;
        while (start < text.size()) {
            ++line;
            std::size_t end = text.find('\n', start);
            std::string_view current =
                text.substr(start, end == std::string_view::npos ? text.npos : end - start);
            start = end == std::string_view::npos ? text.size() : end + 1;
            std::string_view trimmed = Trimmed(current);
            if (!trimmed.empty() && trimmed.front() == '@') {
                parser.Directive(trimmed.substr(1), line);
                assembly += '\n';
                continue;
            }
            if (EqualsIgnoringCase(trimmed.substr(0, 8), ".include"))
                Throw("`.include` is not supported: a unit is one source file");
            assembly += current;
            assembly += '\n';
        }
    } catch (const SourceError& error) {
        return platform::Fail(fmt::format("{}: {}", line, error.message));
    }
    UnitSource unit = parser.Finish();
    unit.assembly = std::move(assembly);
    return unit;
}

} // namespace qruasm
