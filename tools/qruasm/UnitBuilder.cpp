// Quorva run-time. Licensed under the MIT licence.
#include "UnitBuilder.h"

#include "DirectiveTokens.h"
#include "engine/QruWriter.h"

#include <algorithm>
#include <fmt/format.h>
#include <limits>
#include <map>

namespace qruasm {
namespace {

// "12: text" when the line is known, else the text alone.
platform::Failure At(int line, std::string text) {
    return line > 0 ? platform::Fail(fmt::format("{}: {}", line, text))
                    : platform::Fail(std::move(text));
}

std::int32_t ReadI32(const std::string& code, std::uint32_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<std::uint8_t>(code[at + i]);
    return static_cast<std::int32_t>(value);
}

struct CodeLabels {
    std::map<std::string, std::uint32_t> offsets;   // symbols defined in .text
    std::map<std::string, std::uint16_t> elsewhere; // defined in another section
};

CodeLabels LabelsOf(const Elf32Object& object, std::uint32_t text) {
    CodeLabels labels;
    for (const Elf32Object::Symbol& symbol : object.Symbols()) {
        if (symbol.name.empty() || symbol.type == Elf32Object::kSectionSymbol ||
            symbol.section == Elf32Object::kUndefinedSection)
            continue;
        if (symbol.section == text)
            labels.offsets[symbol.name] = symbol.value;
        else
            labels.elsewhere[symbol.name] = symbol.section;
    }
    return labels;
}

platform::Result<std::int32_t> LabelOffset(const CodeLabels& labels, const LabelUse& use,
                                           std::size_t codeSize, std::string_view what) {
    auto found = labels.offsets.find(use.label);
    if (found == labels.offsets.end()) {
        if (labels.elsewhere.count(use.label))
            return At(use.line, fmt::format("label {} of the {} is not in .text", use.label, what));
        return At(use.line, fmt::format("label {} of the {} is not defined in the code "
                                        "(labels are case-sensitive; .L labels are not kept)",
                                        use.label, what));
    }
    if (found->second >= codeSize)
        return At(use.line, fmt::format("label {} of the {} is at the end of the code, where "
                                        "there is nothing to run",
                                        use.label, what));
    return static_cast<std::int32_t>(found->second);
}

platform::Status CheckSections(const Elf32Object& object, std::uint32_t text) {
    for (std::size_t i = 1; i < object.Sections().size(); ++i) {
        const Elf32Object::Section& section = object.Sections()[i];
        if (i != text && (section.flags & Elf32Object::kAllocFlag) && section.size > 0)
            return platform::Fail(fmt::format(
                "section {} holds {} bytes: a unit has only its code (.text); declare data with "
                "@var and @const",
                section.name, section.size));
    }
    return {};
}

platform::Status Relocate(engine::QruModule& module, const UnitSource& source,
                          const Elf32Object& object, std::uint32_t text, const LineMap& lines) {
    for (const Elf32Object::RelocationSection& table : object.Relocations()) {
        if (table.target != text)
            continue;
        if (table.withAddends)
            return platform::Fail("the object's .text relocations carry explicit addends "
                                  "(RELA); qruasm reads only GNU as --32 objects");
        for (const Elf32Object::Relocation& relocation : table.relocations) {
            int line = lines.LineOf(relocation.offset);
            const Elf32Object::Symbol& symbol = object.Symbols()[relocation.symbol];
            std::string name = symbol.name.empty() ? "(no symbol)" : symbol.name;
            if (symbol.section != Elf32Object::kUndefinedSection)
                return At(line,
                          fmt::format("absolute reference to {}, an address in the unit's own "
                                      "code or sections, cannot be fixed up; reach code by "
                                      "relative jumps and calls, data through @var",
                                      name));
            auto declared = source.references.find(UpperCase(name));
            if (declared == source.references.end())
                return At(line, fmt::format("undeclared symbol {}: declare it with @var, "
                                            "@const, @function, @procedure, @external or "
                                            "@import",
                                            name));
            const Reference& reference = declared->second;
            if (relocation.type != Elf32Object::kRelocation32)
                return At(line,
                          fmt::format("{} relocation against {} {}: only 32-bit absolute "
                                      "references can be fixed up{}",
                                      RelocationTypeName(relocation.type), reference.what, name,
                                      reference.kind == ReferenceKind::Function
                                          ? fmt::format("; call functions through their entry "
                                                        "cell: call dword ptr [{}]",
                                                        name)
                                          : ""));
            if (static_cast<std::uint64_t>(relocation.offset) + 4 > module.code.size())
                return At(line, fmt::format("reference to {} runs past the end of the code", name));
            std::int32_t addend = ReadI32(module.code, relocation.offset);
            module.code.replace(relocation.offset, 4, 4, '\0');
            auto site = static_cast<std::int32_t>(relocation.offset);
            if (reference.kind == ReferenceKind::Variable) {
                module.variableFixups.push_back({reference.fixupName, site, addend});
            } else {
                if (addend != 0)
                    return At(line, fmt::format("function {} is referenced with an offset ({:+}); "
                                                "only its entry cell itself can be fixed up",
                                                name, addend));
                module.functionFixups.push_back({reference.fixupName, site});
            }
        }
    }
    return {};
}

} // namespace

platform::Result<engine::QruModule> BuildUnitModule(UnitSource source, const Elf32Object& object,
                                                    const LineMap& lines) {
    engine::QruModule module = std::move(source.module);
    std::uint32_t text = object.FindSection(".text");
    if (text != 0) {
        if (auto checked = CheckSections(object, text); !checked)
            return platform::Fail(checked.Error());
        module.code = std::string(object.Sections()[text].Bytes(object.Bytes()));
    }
    CodeLabels labels = LabelsOf(object, text);
    for (const auto& [symbol, reference] : source.references) {
        for (const auto& [label, offset] : labels.offsets) {
            if (UpperCase(label) == symbol)
                return At(reference.line, fmt::format("{} is declared as a {} but is also a "
                                                      "label in the code",
                                                      label, reference.what));
        }
    }
    for (const auto& [index, use] : source.functionLabels) {
        auto offset = LabelOffset(labels, use, module.code.size(), "function");
        if (!offset)
            return platform::Fail(offset.Error());
        module.functions[index].codeOffset = offset.Value();
    }
    const std::pair<const std::optional<LabelUse>*, std::int32_t*> entries[] = {
        {&source.initEntry, &module.initEntry},
        {&source.mainEntry, &module.mainEntry},
        {&source.exitEntry, &module.exitEntry}};
    const char* entryNames[] = {"init entry", "main entry", "exit entry"};
    for (int i = 0; i < 3; ++i) {
        *entries[i].second = -1;
        if (!*entries[i].first)
            continue;
        auto offset = LabelOffset(labels, **entries[i].first, module.code.size(), entryNames[i]);
        if (!offset)
            return platform::Fail(offset.Error());
        *entries[i].second = offset.Value();
    }
    if (auto relocated = Relocate(module, source, object, text, lines); !relocated)
        return platform::Fail(relocated.Error());

    module.header.codeSize = static_cast<std::int32_t>(module.code.size());
    std::int64_t required = engine::RequiredDataSize(module);
    if (required > std::numeric_limits<std::int32_t>::max())
        return platform::Fail(fmt::format("the variables and entry cells need {} bytes, more "
                                          "than a data area can hold",
                                          required));
    if (source.requestedDataSize != 0 && source.requestedDataSize < required)
        return At(source.dataSizeLine,
                  fmt::format("@datasize {} is smaller than the {} bytes that the variables "
                              "and entry cells need",
                              source.requestedDataSize, required));
    module.header.dataSize =
        static_cast<std::int32_t>(std::max<std::int64_t>(required, source.requestedDataSize));
    module.header.hasAttachments = module.attachments.has_value();
    if (auto checked = engine::CheckQruModule(module); !checked)
        return platform::Fail(checked.Error());
    return module;
}

} // namespace qruasm
