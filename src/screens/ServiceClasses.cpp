// Quorva run-time. Licensed under the MIT licence.
#include "screens/ServiceClasses.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/Log.h"
#include "platform/PathMap.h"
#include "screens/ClassFields.h"
#include "screens/DdeConversations.h"
#include "screens/RecipeFiles.h"
#include "screens/ScreenGlobals.h"
#include "shell/Package.h"
#include "shell/Stream.h"

namespace screens {
namespace {

// The bytes of a stream, or none when there is no stream or it is too large to be a recipe file
// (logged).
std::optional<std::string> ReadLimited(std::unique_ptr<shell::Stream> stream, std::string_view name)
{
    if (stream == nullptr)
        return std::nullopt;
    if (stream->Size() > recipes::kMaxFileBytes) {
        platform::LogWarning("recipe file {} refused: {} bytes, more than {}", name, stream->Size(),
                             recipes::kMaxFileBytes);
        return std::nullopt;
    }
    return stream->ReadAll();
}

std::unique_ptr<shell::Stream> OpenFromPackage(std::string_view name)
{
    const shell::ProjectPackage* package = Globals().package;
    if (package == nullptr || !package->Contains(name))
        return nullptr;
    return package->Open(name);
}

// The template of `formula`: from the package, else the disk.
std::optional<std::vector<std::string>> ReadTemplateOf(std::string_view formula)
{
    const std::string name = std::string(formula) + ".Rct";
    std::unique_ptr<shell::Stream> stream = OpenFromPackage(name);
    if (stream == nullptr)
        stream = shell::FileStream::Open(RecipeHostPath(name));
    std::optional<std::string> bytes = ReadLimited(std::move(stream), name);
    if (!bytes)
        return std::nullopt;
    auto names = recipes::ReadTemplate(*bytes);
    if (!names) {
        platform::LogWarning("recipe template {} refused: {}", name, names.Error());
        return std::nullopt;
    }
    return std::move(names).Value();
}

} // namespace

std::string RecipeHostPath(std::string_view name)
{
    const bool absolute =
        !name.empty() && (name[0] == '\\' || name[0] == '/' || (name.size() > 1 && name[1] == ':'));
    const std::string& directory = Globals().projectDirectory;
    if (absolute || directory.empty())
        return platform::HostPath(name);
    return platform::ResolveCase(
        (std::filesystem::path(directory) / platform::HostPath(name)).string());
}

// ---- DDE link ----

TCDDE::TCDDE() : Component("TCDDE", 133) {}

void TCDDE::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    m_server = TextField(data, "dde.n1");
    m_item = TextField(data, "dde.n2");
    m_topic = TextField(data, "dde.n3");
    m_macro = TextField(data, "dde.n4");
    m_request = NumberField(data, "dde.b1") != 0;
    m_secondSwitch = static_cast<std::uint8_t>(NumberField(data, "dde.b2"));
    m_variable = TextField(data, "dde.n5");
    m_condition = TextField(data, "dde.n6");
    m_resolved = false;
}

void TCDDE::Resolve(ScreenVariables* variables)
{
    m_resolved = true;
    m_conditionBinding.reset();
    m_variableBinding.reset();
    if (variables != nullptr && !m_condition.empty())
        m_conditionBinding = variables->Resolve(m_condition);
    m_conditionOff = !m_condition.empty() && !m_conditionBinding;
    if (variables != nullptr && !m_variable.empty())
        m_variableBinding = variables->Resolve(m_variable);
}

void TCDDE::Run()
{
    if (m_server.empty())
        return;
    DdeConversationList& conversations = DdeConversations();
    if (conversations.Ending()) {
        conversations.Close(m_server);
        return;
    }
    ScreenVariables* variables = Globals().variables;
    if (!m_resolved)
        Resolve(variables);
    if (m_conditionOff)
        return;
    if (m_conditionBinding &&
        (variables == nullptr || ReadNumber(*variables, *m_conditionBinding) == 0))
        return;

    DdeConversation& conversation = conversations.Open(m_server, m_topic, m_item);
    if (!m_macro.empty()) {
        conversation.Execute(m_macro);
        return;
    }
    if (!m_variableBinding || variables == nullptr)
        return;
    if (m_request) {
        if (std::optional<std::string> answer = conversation.Request(m_topic, m_item))
            variables->SetText(m_variable, *answer);
        return;
    }
    conversation.Poke(m_topic, m_item, ValueText(*variables));
}

std::string TCDDE::ValueText(ScreenVariables& variables) const
{
    const VariableBinding& binding = *m_variableBinding;
    switch (binding.type) {
    case 9:
        return variables.ReadShortString(binding.address);
    case 4:
        return std::to_string(variables.ReadInteger(binding.address));
    case 20:
        return std::to_string(variables.ReadWord(binding.address));
    case 5: {
        char text[64];
        std::snprintf(text, sizeof text, "%.15Lg", variables.ReadReal(binding.address));
        return text;
    }
    default:
        return variables.Text(m_variable).value_or(std::string());
    }
}

// ---- Recipes ----

void RecipeBinding::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    m_formula = TextField(data, "formula.n1");
    m_destination = TextField(data, "formula.n2");
    m_trigger = TextField(data, "formula.n3");
    m_resolved = false;
}

void RecipeBinding::Run()
{
    ScreenVariables* variables = Globals().variables;
    if (variables == nullptr)
        return;
    if (!m_resolved) {
        m_resolved = true;
        m_triggerBinding = m_trigger.empty() ? std::nullopt : variables->Resolve(m_trigger);
        if (m_triggerBinding)
            m_lastTrigger = ReadNumber(*variables, *m_triggerBinding) != 0;
        return;
    }
    if (!m_triggerBinding)
        return;
    const bool trigger = ReadNumber(*variables, *m_triggerBinding) != 0;
    const bool rising = trigger && !m_lastTrigger;
    m_lastTrigger = trigger;
    if (rising)
        Act(*variables);
}

std::optional<std::string> RecipeBinding::FileName(ScreenVariables& variables) const
{
    const recipes::Destination destination = recipes::ParseDestination(m_destination);
    std::string name = destination.text;
    if (!destination.literal && !name.empty())
        name = recipes::Trim(variables.Text(name).value_or(std::string()));
    if (name.empty())
        return std::nullopt;
    return name + ".For";
}

void TCFormule::Act(ScreenVariables& variables)
{
    const std::string formula = recipes::Trim(Formula());
    const std::optional<std::string> file = FileName(variables);
    if (formula.empty() || !file)
        return;
    const std::optional<std::vector<std::string>> names = ReadTemplateOf(formula);
    if (!names)
        return;
    recipes::Recipe recipe{formula, {}};
    recipe.values.reserve(names->size());
    for (const std::string& name : *names)
        recipe.values.push_back(name.empty() ? std::string()
                                             : variables.Text(name).value_or(std::string()));
    const std::string path = RecipeHostPath(*file);
    if (platform::Status written = recipes::WriteFileAtomically(path, recipes::WriteRecipe(recipe));
        !written)
        platform::LogWarning("recipe {} not saved: {}", *file, written.Error());
}

void TCGFormule::Act(ScreenVariables& variables)
{
    const std::optional<std::string> file = FileName(variables);
    if (!file)
        return;
    std::unique_ptr<shell::Stream> stream = shell::FileStream::Open(RecipeHostPath(*file));
    if (stream == nullptr)
        stream = OpenFromPackage(*file);
    const std::optional<std::string> bytes = ReadLimited(std::move(stream), *file);
    if (!bytes)
        return;
    auto recipe = recipes::ReadRecipe(*bytes);
    if (!recipe) {
        platform::LogWarning("recipe {} refused: {}", *file, recipe.Error());
        return;
    }
    if (recipe->formula.empty())
        return;
    const std::optional<std::vector<std::string>> names = ReadTemplateOf(recipe->formula);
    if (!names)
        return;
    const std::size_t count = std::min(names->size(), recipe->values.size());
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& name = (*names)[i];
        if (!name.empty() && !variables.SetText(name, recipe->values[i]))
            platform::LogWarning("recipe {}: variable \"{}\" not set to \"{}\"", *file, name,
                                 recipe->values[i]);
    }
}

} // namespace screens
