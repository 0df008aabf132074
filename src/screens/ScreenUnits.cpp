// Quorva run-time. Licensed under the MIT licence.
#include "screens/ScreenUnits.h"

#include "screens/ScreenForm.h"

#include "platform/CodePage.h"

namespace screens {

namespace {

constexpr std::size_t kNameLength = 80;

} // namespace

ScreenUnitRecord& ScreenUnitRegistry::Register(std::string_view name, std::string_view list,
                                               std::optional<std::uint32_t> mainEntry,
                                               std::string_view unitName, ScreenForm* window)
{
    std::lock_guard lock(m_mutex);
    ScreenUnitRecord& record = m_records.emplace_back();
    record.name = platform::UpperAscii(name.substr(0, kNameLength));
    record.list = std::string(list);
    record.mainEntry = mainEntry;
    record.unitName = std::string(unitName);
    record.window = window;
    return record;
}

const ScreenUnitRecord* ScreenUnitRegistry::Find(std::string_view name) const
{
    const std::string upper = platform::UpperAscii(name);
    for (const ScreenUnitRecord& record : m_records)
        if (record.name == upper)
            return &record;
    return nullptr;
}

bool ScreenUnitRegistry::SetStopped(std::string_view name, bool stopped)
{
    std::lock_guard lock(m_mutex);
    const ScreenUnitRecord* record = Find(name);
    if (record == nullptr)
        return false;
    const_cast<ScreenUnitRecord*>(record)->stopped = stopped;
    return true;
}

std::optional<std::string> ScreenUnitRegistry::State(std::string_view name) const
{
    std::lock_guard lock(m_mutex);
    const ScreenUnitRecord* record = Find(name);
    if (record == nullptr)
        return std::nullopt;
    return std::string(record->stopped ? "Stop" : "Run");
}

std::optional<std::int32_t> ScreenUnitRegistry::LastMicroseconds(std::string_view name) const
{
    std::lock_guard lock(m_mutex);
    const ScreenUnitRecord* record = Find(name);
    if (record == nullptr)
        return std::nullopt;
    return record->lastMicroseconds.load();
}

std::vector<std::string> ScreenUnitRegistry::Names() const
{
    std::lock_guard lock(m_mutex);
    std::vector<std::string> names;
    names.reserve(m_records.size());
    for (const ScreenUnitRecord& record : m_records)
        names.push_back(record.name);
    return names;
}

bool ScreenUnitRegistry::Contains(std::string_view name) const
{
    std::lock_guard lock(m_mutex);
    return Find(name) != nullptr;
}

// The visit runs without the lock: a unit may open a screen (and register it) while it runs.
// Records already there stay where they are (a deque keeps them in place); one registered
// during the walk is visited next time.
void ScreenUnitRegistry::ForEach(const std::function<void(ScreenUnitRecord&)>& visit)
{
    std::size_t count = Size();
    for (std::size_t i = 0; i < count; ++i) {
        ScreenUnitRecord* record = nullptr;
        {
            std::lock_guard lock(m_mutex);
            record = &m_records[i];
        }
        visit(*record);
    }
}

std::size_t ScreenUnitRegistry::Size() const
{
    std::lock_guard lock(m_mutex);
    return m_records.size();
}

void ScreenUnitRegistry::Clear()
{
    std::lock_guard lock(m_mutex);
    m_records.clear();
}

} // namespace screens
