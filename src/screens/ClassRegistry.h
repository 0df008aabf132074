// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace screens {

class Component;

// Makes a new instance of a registered class.
using ComponentFactory = std::function<std::unique_ptr<Component>()>;

// One row of the class registry.
struct ScreenClassEntry {
    std::string name;  // upper-cased
    std::string alias; // upper-cased, at most 20 characters; empty for most
    std::int32_t kind = 0;
    ComponentFactory factory;
    int instanceCount = 0;
    bool inUse = false;
};

// The screen-object classes by name, in registration order. One per process (Globals), filled
// once at start-up by RegisterStandardClasses; GUI thread only.
class ClassRegistry {
public:
    // Adds a row unless the upper-cased name is present; false when it was.
    bool RegisterScreenClass(std::string_view name, std::string_view alias, std::int32_t kind,
                             ComponentFactory factory);
    // The first row whose upper-cased name, cut to its first 10 characters, equals the
    // upper-cased record name exactly; null when none does.
    const ScreenClassEntry* FindScreenClass(std::string_view recordClassName) const;
    // Counts an instance in (up) or out of the row of that full name; unknown names are ignored.
    void CountInstance(std::string_view name, bool up);
    bool IsScreenClassRegistered(std::string_view name) const;
    const ScreenClassEntry* Entry(std::string_view name) const;
    const std::vector<ScreenClassEntry>& Entries() const { return m_entries; }
    void Clear() { m_entries.clear(); }

private:
    std::vector<ScreenClassEntry> m_entries;
};

// Registers every class of the screen-object catalogue (each row once; calling it again adds
// nothing).
void RegisterStandardClasses(ClassRegistry& registry);

} // namespace screens
