// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Clock.h"
#include "platform/Result.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace shell {

class LinkArea;

// Editor command codes of the "LQRUCOMMANDE" word.
namespace editor_command {
constexpr std::int32_t None = 0;
constexpr std::int32_t Status = 5;
constexpr std::int32_t RunStop = 6;
constexpr std::int32_t CodeAddress = 8;
constexpr std::int32_t Loaded = 9;
constexpr std::int32_t CycleTime = 12;
constexpr std::int32_t ListName = 13;
} // namespace editor_command

// The text of "STR_SYS10" that holds the commands 5, 6, 12 and 13 pending.
inline constexpr std::string_view kProfilerHoldText = "_PROFILER_";

// What the poll sees of one loaded unit at the moment it asks.
struct UnitSnapshot {
    std::uint32_t codeAddress = 0;  // guest address of the unit's code, 0 for a unit without code
    std::int32_t runState = 0;      // 0 running, anything else stopped
    std::int32_t elapsedMicros = 0; // the unit's last execution time
};

struct UnitListEntry {
    std::string name;
    bool nonCyclic = false; // listed as "(QRU)" + name
};

// The loaded program units as the editor commands reach them. Names are unit names compared
// ignoring case. Called on the thread that polls (the scan thread between passes, or the GUI
// thread before the scan thread exists); the implementation states what it needs for that.
class UnitTargets {
public:
    virtual ~UnitTargets() = default;
    // The unit of that name, or nothing when none is loaded.
    virtual std::optional<UnitSnapshot> FindUnit(std::string_view name) const = 0;
    // Sets the run state of the unit (0 running, 1 stopped); false when none is loaded.
    virtual bool SetUnitRunState(std::string_view name, std::int32_t runState) = 0;
    // All loaded units in load order.
    virtual std::vector<UnitListEntry> LoadedUnits() const = 0;
};

struct ScreenSnapshot {
    bool stopped = false;
    std::int32_t cycleMicros = 0; // last execution time of the screen's cyclic procedure
};

// The open screens as the editor commands reach them, found by form name ignoring case. Called
// on the thread that polls; the implementation hands the stopped flag to the GUI thread safely.
class ScreenTargets {
public:
    virtual ~ScreenTargets() = default;
    virtual std::optional<ScreenSnapshot> FindScreen(std::string_view name) const = 0;
    // Sets the stopped flag; false when no such screen is open.
    virtual bool SetScreenStopped(std::string_view name, bool stopped) = 0;
    // The open screens' form names in list order.
    virtual std::vector<std::string> OpenScreens() const = 0;
};

// No screens open: what the run-time has until screens are built.
class NoScreenTargets final : public ScreenTargets {
public:
    std::optional<ScreenSnapshot> FindScreen(std::string_view) const override { return {}; }
    bool SetScreenStopped(std::string_view, bool) override { return false; }
    std::vector<std::string> OpenScreens() const override { return {}; }
};

// The data of the four link blocks the poll uses; they live in the link area, which outlives
// the poll. Sizes: command and argument 4 bytes, name 256 bytes, profiler switch 1 byte.
struct EditorLinkBlocks {
    std::byte* command = nullptr;  // "LQRUCOMMANDE"
    std::byte* argument = nullptr; // "LAUX"
    std::byte* name = nullptr;     // "LNOMQRU"
    std::byte* profiler = nullptr; // "LENPROFILER"
};

// The run-time side of the editor link: answers the command the editor left in the command
// word, and keeps the profiler's measuring points (the named-value list).
//
// Holds references to the targets, the clock and the link area's blocks, which outlive it.
// PollEditorCommand runs on one thread at a time: the scan thread once it runs, the GUI thread
// before. ProfilerNow, ProfilerRecord and NamedValues may be called from any thread (unit code
// on the scan or the GUI thread); the named-value list and the profiler's clock state are
// locked. The blocks are shared with other processes without a lock and are read and written
// only through the link area's Load/Store functions.
class EditorCommands {
public:
    using TextSource = std::function<std::string()>;

    // Finds (or creates) the four blocks in `area`; fails when one cannot be had.
    // `readSystemText` gives the current text of "STR_SYS10" (null: always empty).
    static platform::Result<std::unique_ptr<EditorCommands>>
    Create(LinkArea& area, UnitTargets& units, ScreenTargets& screens, TextSource readSystemText,
           const platform::Clock& clock = platform::SystemClock::Instance());

    // All four blocks must be non-null.
    EditorCommands(EditorLinkBlocks blocks, UnitTargets& units, ScreenTargets& screens,
                   TextSource readSystemText,
                   const platform::Clock& clock = platform::SystemClock::Instance());

    EditorCommands(const EditorCommands&) = delete;
    EditorCommands& operator=(const EditorCommands&) = delete;

    // Handles at most one pending command of each group: 8 or 9 first; then, unless
    // "STR_SYS10" holds "_PROFILER_", 6, 5 or 12, then 13. Any other code is left in place.
    void PollEditorCommand();

    // Microseconds of the monotonic clock, remembering the interval since the preceding call;
    // 0 (and nothing remembered) while the profiler switch is off.
    double ProfilerNow();
    // Adds the measuring point `name` with `value` (the interval ProfilerNow measures when
    // `value` is 0), or replaces its value; false, recording nothing, while the switch is off.
    bool ProfilerRecord(std::string_view name, std::int32_t value);
    bool ProfilerEnabled() const;

    // A copy of the named-value list in insertion order.
    std::vector<std::pair<std::string, std::int32_t>> NamedValues() const;

private:
    void HandleCodeAddress();
    void HandleLoaded();
    void HandleRunStop();
    void HandleStatus();
    void HandleCycleTime();
    void HandleListName();
    void Finish();

    std::optional<std::int32_t> FindNamedValue(std::string_view name) const;
    bool ProfilerHold() const;
    // Reads the clock and remembers the interval since the preceding reading; m_mutex held.
    std::int64_t MeasureLocked();

    EditorLinkBlocks m_blocks;
    UnitTargets& m_units;
    ScreenTargets& m_screens;
    TextSource m_readSystemText;
    const platform::Clock& m_clock;

    mutable std::mutex m_mutex; // guards the three members below
    std::vector<std::pair<std::string, std::int32_t>> m_namedValues;
    std::optional<std::int64_t> m_lastTime;
    std::int64_t m_lastInterval = 0;
};

} // namespace shell
