// Quorva run-time. Licensed under the MIT licence.
#include "engine/GlobalNames.h"

#include "engine/QruReader.h"
#include "engine/TypeCodes.h"

#include <algorithm>
#include <fmt/format.h>

namespace engine {
namespace {

// Reads little-endian fields front to back, never past the end; the first short read sticks and
// later reads give zeros.
class FieldReader {
public:
    explicit FieldReader(std::string_view bytes) : m_bytes(bytes) {}

    bool Ok() const { return m_ok; }
    std::size_t Position() const { return m_position; }

    bool Skip(std::size_t count) {
        if (!m_ok || m_bytes.size() - m_position < count)
            return m_ok = false;
        m_position += count;
        return true;
    }
    std::uint8_t U8() {
        const std::size_t at = m_position;
        return Skip(1) ? static_cast<std::uint8_t>(m_bytes[at]) : 0;
    }
    std::int32_t I32() {
        const std::size_t at = m_position;
        if (!Skip(4))
            return 0;
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i)
            value =
                (value << 8) | static_cast<std::uint8_t>(m_bytes[at + static_cast<std::size_t>(i)]);
        return static_cast<std::int32_t>(value);
    }
    std::string ShortString() {
        const std::size_t length = U8();
        const std::size_t at = m_position;
        return Skip(length) ? std::string(m_bytes.substr(at, length)) : std::string();
    }

private:
    std::string_view m_bytes;
    std::size_t m_position = 0;
    bool m_ok = true;
};

// The element size and recorded type of an array's elements.
struct ElementLayout {
    std::int64_t size;
    std::uint8_t type;
    bool realElement;
};

ElementLayout ElementOf(const QruVariable& array) {
    switch (array.elementType) {
    case 3:
    case 6:
    case 7:
        return {1, array.elementType, false};
    case 4:
    case 23:
    case 24:
        return {4, array.elementType, false};
    case 5:
        return {10, ToByte(TypeCode::Double), true};
    case 9:
        return {256, array.elementType, false};
    case 20:
        return {2, array.elementType, false};
    case 26:
        return {8, array.elementType, false};
    default:
        return {array.elementSize, array.elementType, false};
    }
}

struct Walk {
    GlobalNameTable& table;
    std::uint64_t end;
    bool overflow = false;

    void Add(std::string name, std::uint64_t address, std::uint8_t type, bool realElement,
             std::int64_t extent) {
        if (address + static_cast<std::uint64_t>(extent) > end) {
            overflow = true;
            return;
        }
        std::string upper = UpperAscii(name);
        table.index.try_emplace(upper, table.names.size());
        table.names.push_back({std::move(upper), static_cast<platform::GuestAddress>(address), type,
                               realElement, static_cast<std::uint32_t>(extent)});
    }
};

void SkipTypeRecord(FieldReader& reader) {
    reader.ShortString();
    reader.I32();
    const std::int32_t fields = reader.I32();
    for (std::int32_t i = 0; i < fields && reader.Ok(); ++i) {
        reader.ShortString();
        reader.U8();
        reader.ShortString();
        reader.Skip(4 + 1 + 4 + 4);
    }
}

bool ReadVariableRecord(FieldReader& reader, QruVariable& variable) {
    variable.name = reader.ShortString();
    variable.offset = reader.I32();
    variable.size = reader.I32();
    variable.type = reader.U8();
    variable.elementType = reader.U8();
    variable.elementSize = reader.I32();
    variable.low = reader.I32();
    variable.high = reader.I32();
    variable.exported = reader.U8() != 0;
    variable.objectName = reader.ShortString();
    variable.initialValue = reader.ShortString();
    variable.typeName = reader.ShortString();
    return reader.Ok();
}

} // namespace

std::string UpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

const GlobalName* GlobalNameTable::Find(const std::string& upperName) const {
    auto found = index.find(upperName);
    return found == index.end() ? nullptr : &names[found->second];
}

std::size_t PairHoldingAddress(const GlobalNameTable& table, platform::GuestAddress address) {
    auto above = std::upper_bound(
        table.names.begin(), table.names.end(), address,
        [](platform::GuestAddress value, const GlobalName& pair) { return value < pair.address; });
    if (above == table.names.begin())
        return std::string::npos;
    return static_cast<std::size_t>(above - table.names.begin()) - 1;
}

GlobalNamesOutcome ReadGlobalNames(std::string_view moduleBytes, platform::GuestAddress globalsBase,
                                   std::uint64_t globalsEnd, GlobalNameTable& table,
                                   std::string& message) {
    table = {};
    if (moduleBytes.size() < kQruMagic.size() ||
        moduleBytes.substr(0, kQruMagic.size()) != kQruMagic) {
        message = "not a unit module of version QRU02";
        return GlobalNamesOutcome::InvalidVersion;
    }
    FieldReader reader(moduleBytes);
    reader.Skip(kQruMagic.size() + 8 + 1 + 1); // magic, stamp, debug and attachments flags
    const std::int32_t dataSize = reader.I32();
    reader.I32(); // code size
    table.dataSize = dataSize > 0 ? static_cast<std::uint32_t>(dataSize) : 0;

    const std::int32_t typeCount = reader.I32();
    for (std::int32_t i = 0; i < typeCount && reader.Ok(); ++i)
        SkipTypeRecord(reader);

    Walk walk{table, globalsEnd};
    std::uint64_t position = globalsBase;
    bool negativeSize = false;
    const std::int32_t variableCount = reader.I32();
    for (std::int32_t i = 0; i < variableCount && reader.Ok(); ++i) {
        QruVariable variable;
        if (!ReadVariableRecord(reader, variable))
            break;
        if (variable.size < 0) {
            negativeSize = true;
            break;
        }
        if (variable.type == ToByte(TypeCode::IntegerLiteral))
            continue; // takes no room, has no address
        if (variable.exported && variable.type == ToByte(TypeCode::Array)) {
            const ElementLayout element = ElementOf(variable);
            const std::uint64_t arrayEnd = position + static_cast<std::uint64_t>(variable.size);
            std::uint64_t at = position;
            for (std::int64_t index = variable.low;
                 index <= variable.high && element.size > 0 && !walk.overflow; ++index) {
                if (at + static_cast<std::uint64_t>(element.size) > arrayEnd)
                    break; // the record's size ends the array
                walk.Add(fmt::format("{}[{}]", variable.name, index), at, element.type,
                         element.realElement, element.size);
                at += static_cast<std::uint64_t>(element.size);
            }
        } else if (variable.exported) {
            walk.Add(variable.name, position, variable.type, false, variable.size);
        }
        position += static_cast<std::uint64_t>(variable.size);
        if (walk.overflow || position > globalsEnd)
            break;
    }

    const std::uint64_t endAddress = std::min(position, globalsEnd);
    table.names.push_back({std::string(), static_cast<platform::GuestAddress>(endAddress),
                           ToByte(TypeCode::None), false, 0});

    if (!reader.Ok()) {
        message = fmt::format("the module ends inside its tables at byte {}", reader.Position());
        return GlobalNamesOutcome::Damaged;
    }
    if (negativeSize) {
        message = "a variable record has a negative size";
        return GlobalNamesOutcome::Damaged;
    }
    if (walk.overflow || position > globalsEnd) {
        message = "the global variables do not fit in the global block";
        return GlobalNamesOutcome::Damaged;
    }
    return GlobalNamesOutcome::Loaded;
}

} // namespace engine
