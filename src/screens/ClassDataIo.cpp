// Quorva run-time. Licensed under the MIT licence.
#include "screens/ClassDataIo.h"

#include "screens/ClassLayouts.h"

#include <fmt/format.h>
#include <limits>

namespace screens {
namespace {

// `count` short strings after their count; a negative count holds none.
std::vector<std::string> ReadTexts(SynCursor& cursor, std::int64_t count, std::size_t countAt,
                                   std::string_view label) {
    std::vector<std::string> items;
    if (count <= 0 || !cursor.Ok())
        return items;
    // Each text takes at least its length byte: refuse counts the bytes left cannot hold before
    // allocating for them.
    if (static_cast<std::size_t>(count) > cursor.Remaining()) {
        cursor.Fail(countAt, fmt::format("{}: {} texts cannot fit in the {} bytes left", label,
                                         count, cursor.Remaining()));
        return items;
    }
    items.reserve(static_cast<std::size_t>(count));
    for (std::int64_t i = 0; i < count && cursor.Ok(); ++i)
        items.push_back(cursor.ShortString(label));
    return items;
}

platform::Status CheckNumber(const FieldSpec& field, std::int64_t value, std::int64_t low,
                             std::int64_t high) {
    if (value < low || value > high)
        return platform::Fail(fmt::format("field {}: {} is outside {}..{}", field.name, value,
                                          low, high));
    return {};
}

platform::Status CheckText(const FieldSpec& field, const std::string& text, std::size_t limit) {
    if (text.size() > limit)
        return platform::Fail(fmt::format("field {}: text of {} characters, at most {} fit",
                                          field.name, text.size(), limit));
    return {};
}

platform::Status CheckTexts(const FieldSpec& field, const std::vector<std::string>& items) {
    if (items.size() > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max()))
        return platform::Fail(fmt::format("field {}: {} texts, at most 32767 fit", field.name,
                                          items.size()));
    for (const std::string& item : items)
        if (auto status = CheckText(field, item, 255); !status)
            return status;
    return {};
}

platform::Status CheckRaw(const FieldSpec& field, const std::string& bytes) {
    if (bytes.size() != field.size)
        return platform::Fail(fmt::format("field {}: {} bytes, it holds exactly {}", field.name,
                                          bytes.size(), field.size));
    return {};
}

platform::Status CheckField(const FieldSpec& field, const FieldValue& value) {
    if (!value.present && field.type != FieldType::PageTabStyle)
        return platform::Fail(fmt::format("field {} is missing", field.name));
    switch (field.type) {
    case FieldType::Byte:
    case FieldType::PageTabStyle: return CheckNumber(field, value.number, 0, 255);
    case FieldType::Int16: return CheckNumber(field, value.number, -32768, 32767);
    case FieldType::Int32:
        return CheckNumber(field, value.number, std::numeric_limits<std::int32_t>::min(),
                           std::numeric_limits<std::int32_t>::max());
    case FieldType::ColumnCount:
        return CheckNumber(field, value.number, 0, std::numeric_limits<std::int32_t>::max());
    case FieldType::Raw:
    case FieldType::SettingsBlock: return CheckRaw(field, value.bytes);
    case FieldType::Name:
    case FieldType::String256: return CheckText(field, value.bytes, 255);
    case FieldType::FixedString: return CheckText(field, value.bytes, field.size);
    case FieldType::List:
    case FieldType::PageCaptions: return CheckTexts(field, value.items);
    case FieldType::ColumnList:
        for (const std::string& item : value.items)
            if (auto status = CheckRaw(field, item); !status)
                return status;
        return {};
    }
    return {};
}

} // namespace

ClassData ReadClassData(SynCursor& cursor, const ClassLayout& layout, int version,
                        std::vector<std::string>* warnings) {
    ClassData data{&layout, {}};
    data.values.resize(layout.fields.size());
    // The page count read with the tab style, and the grid's column count, for the field after.
    std::int64_t pageCount = 0;
    std::size_t pageCountAt = 0;
    std::int64_t columnCount = 0;
    std::size_t columnCountAt = 0;
    for (std::size_t i = 0; i < layout.fields.size() && cursor.Ok(); ++i) {
        const FieldSpec& field = layout.fields[i];
        FieldValue& value = data.values[i];
        std::string_view label = field.name;
        switch (field.type) {
        case FieldType::Byte: value.number = cursor.U8(label); break;
        case FieldType::Int16: value.number = cursor.I16(label); break;
        case FieldType::Int32: value.number = cursor.I32(label); break;
        case FieldType::Raw: value.bytes = cursor.Raw(field.size, label); break;
        case FieldType::Name: value.bytes = cursor.NameString(version, label); break;
        case FieldType::String256: value.bytes = cursor.RawString256(label); break;
        case FieldType::FixedString: value.bytes = cursor.FixedShortString(field.size, label); break;
        case FieldType::List: {
            std::size_t at = cursor.Offset();
            value.items = ReadTexts(cursor, cursor.I16(label), at, label);
            break;
        }
        case FieldType::PageTabStyle:
            pageCountAt = cursor.Offset();
            pageCount = cursor.I16(label);
            value.present = pageCount == 0;
            if (value.present) {
                value.number = cursor.U8(label);
                pageCountAt = cursor.Offset();
                pageCount = cursor.I16(label);
            }
            break;
        case FieldType::PageCaptions:
            value.items = ReadTexts(cursor, pageCount, pageCountAt, label);
            break;
        case FieldType::ColumnCount:
            columnCountAt = cursor.Offset();
            columnCount = value.number = cursor.I32(label);
            if (cursor.Ok() && columnCount < 0)
                cursor.Fail(columnCountAt, fmt::format("{}: column count {} is negative", label,
                                                       columnCount));
            break;
        case FieldType::ColumnList:
            if (!cursor.Ok())
                break;
            if (static_cast<std::uint64_t>(columnCount) * field.size > cursor.Remaining()) {
                cursor.Fail(columnCountAt,
                            fmt::format("{}: {} columns of {} bytes cannot fit in the {} bytes "
                                        "left",
                                        label, columnCount, field.size, cursor.Remaining()));
                break;
            }
            value.items.reserve(static_cast<std::size_t>(columnCount));
            for (std::int64_t c = 0; c < columnCount; ++c)
                value.items.push_back(cursor.Raw(field.size, label));
            break;
        case FieldType::SettingsBlock: {
            std::size_t at = cursor.Offset();
            value.bytes = cursor.RawUpTo(field.size);
            if (value.bytes.size() < field.size && cursor.Ok()) {
                if (warnings != nullptr)
                    warnings->push_back(fmt::format(
                        "{} at offset {}: only {} of {} bytes left, taken as all zero", label, at,
                        value.bytes.size(), field.size));
                value.bytes.assign(field.size, '\0');
            }
            break;
        }
        }
    }
    return data;
}

platform::Result<ClassData> ReadClassData(SynCursor& cursor, std::string_view className,
                                          int version) {
    const ClassLayout* layout = FindClassLayout(className);
    if (layout == nullptr)
        return platform::Fail(fmt::format("no screen-object class is named \"{}\"", className));
    ClassData data = ReadClassData(cursor, *layout, version);
    if (!cursor.Ok())
        return platform::Fail(fmt::format("class data {} at offset {}: {}", layout->name,
                                          cursor.ErrorOffset(), cursor.Error()));
    return data;
}

platform::Status CheckClassData(const ClassData& data) {
    if (data.layout == nullptr)
        return platform::Fail("class data without a layout");
    const ClassLayout& layout = *data.layout;
    if (data.values.size() != layout.fields.size())
        return platform::Fail(fmt::format("class data {}: {} values for {} fields", layout.name,
                                          data.values.size(), layout.fields.size()));
    const FieldValue* columnCount = nullptr;
    for (std::size_t i = 0; i < layout.fields.size(); ++i) {
        const FieldSpec& field = layout.fields[i];
        if (auto status = CheckField(field, data.values[i]); !status)
            return platform::Fail(fmt::format("class data {}, {}", layout.name, status.Error()));
        if (field.type == FieldType::ColumnCount)
            columnCount = &data.values[i];
        if (field.type == FieldType::ColumnList &&
            (columnCount == nullptr ||
             static_cast<std::uint64_t>(columnCount->number) != data.values[i].items.size()))
            return platform::Fail(fmt::format(
                "class data {}: the column count {} does not match the {} columns", layout.name,
                columnCount != nullptr ? columnCount->number : 0, data.values[i].items.size()));
    }
    return {};
}

void WriteClassData(SynByteWriter& writer, const ClassData& data, int version) {
    if (auto status = CheckClassData(data); !status) {
        writer.Fail(status.Error());
        return;
    }
    const ClassLayout& layout = *data.layout;
    const FieldValue* tabStyle = nullptr;
    for (std::size_t i = 0; i < layout.fields.size(); ++i) {
        const FieldSpec& field = layout.fields[i];
        const FieldValue& value = data.values[i];
        switch (field.type) {
        case FieldType::Byte: writer.U8(static_cast<std::uint8_t>(value.number)); break;
        case FieldType::Int16: writer.I16(static_cast<std::int16_t>(value.number)); break;
        case FieldType::Int32:
        case FieldType::ColumnCount: writer.I32(static_cast<std::int32_t>(value.number)); break;
        case FieldType::Raw:
        case FieldType::SettingsBlock: writer.Raw(value.bytes); break;
        case FieldType::Name: writer.NameString(value.bytes, version, field.name); break;
        case FieldType::String256: writer.RawString256(value.bytes, field.name); break;
        case FieldType::FixedString:
            writer.FixedShortString(value.bytes, field.size, field.name);
            break;
        case FieldType::List:
            writer.I16(static_cast<std::int16_t>(value.items.size()));
            for (const std::string& item : value.items)
                writer.ShortString(item, field.name);
            break;
        case FieldType::PageTabStyle: tabStyle = &value; break;
        case FieldType::PageCaptions: {
            auto count = static_cast<std::int16_t>(value.items.size());
            if (tabStyle != nullptr && tabStyle->present) {
                writer.I16(0);
                writer.U8(static_cast<std::uint8_t>(tabStyle->number));
            } else if (count == 0) {
                // No tab style and no pages: a count of 0 would announce a tab style, while a
                // negative count reads back as no pages without one.
                count = -1;
            }
            writer.I16(count);
            for (const std::string& item : value.items)
                writer.ShortString(item, field.name);
            break;
        }
        case FieldType::ColumnList:
            for (const std::string& item : value.items)
                writer.Raw(item);
            break;
        }
    }
}

ClassData DefaultClassData(const ClassLayout& layout) {
    ClassData data{&layout, {}};
    data.values.resize(layout.fields.size());
    for (std::size_t i = 0; i < layout.fields.size(); ++i) {
        const FieldSpec& field = layout.fields[i];
        if (field.type == FieldType::Raw || field.type == FieldType::SettingsBlock)
            data.values[i].bytes.assign(field.size, '\0');
    }
    return data;
}

} // namespace screens
