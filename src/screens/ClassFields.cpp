// Quorva run-time. Licensed under the MIT licence.
#include "screens/ClassFields.h"

#include "screens/Figure.h"
#include "screens/ScreenGlobals.h"

namespace screens {
namespace {

const FieldValue* FieldOf(const ClassData* data, std::string_view name)
{
    return data != nullptr ? data->Find(name) : nullptr;
}

} // namespace

std::string TextField(const ClassData* data, std::string_view name)
{
    const FieldValue* value = FieldOf(data, name);
    return value != nullptr ? value->bytes : std::string();
}

std::int64_t NumberField(const ClassData* data, std::string_view name, std::int64_t fallback)
{
    const FieldValue* value = FieldOf(data, name);
    return value != nullptr && value->present ? value->number : fallback;
}

std::vector<std::string> ItemsField(const ClassData* data, std::string_view name)
{
    const FieldValue* value = FieldOf(data, name);
    return value != nullptr ? value->items : std::vector<std::string>();
}

void ApplyHintField(const ClassData* data)
{
    const std::string hint = TextField(data, "hint");
    Figure* figure = CurrentFigure();
    if (hint.empty() || figure == nullptr)
        return;
    figure->ApplyHint(hint);
}

} // namespace screens
