// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "engine/GlobalBlock.h"
#include "engine/GlobalNames.h"
#include "platform/GuestMemory.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace shell {
class MessagePresenter;
class ProjectPackage;
} // namespace shell

namespace engine {

// What a cached request reads and writes.
enum class RequestKind : std::uint8_t {
    BooleanByte = 0, // the whole byte of a Boolean
    IntegerBit = 1,  // one bit of a 32-bit Integer
    WordBit = 2,     // one bit of a 16-bit Word
    ByteBit = 3,     // one bit of a Byte
    Byte = 4,
    Real = 5, // 10-byte extended real
    String = 6,
    Integer = 7,
    Word = 8,
    Single = 9,
    Double = 10,
};

// A resolved request: the request text upper-cased ("NAME", "NAME.3", "NAME[2]"), the kind of
// the accessor that first resolved it, the bit number (-1 without "."), the address, and the
// pair of the name tables it resolved to.
struct TVarDemande {
    std::string name;
    RequestKind kind = RequestKind::BooleanByte;
    std::int32_t bit = -1;
    platform::GuestAddress address = 0;
    std::size_t variable = 0; // index into the name tables
};

// The global variables by name: the name tables built from "MVARGLOB.QRU", a cache of resolved
// requests, typed accessors, the text conversions used for display and input, and the reverse
// lookup from an address to the variable holding it.
//
// Every access goes through the view with bounds checks: a name whose value does not lie wholly
// inside the view reads the default (0, false, empty) and writes nothing, as does a name that is
// not a global variable. Every accessor first looks at the layout-changed flag in byte 0 and
// rebuilds the tables when it is set. Writes never reach beyond the variable: a write wider than
// the variable (SetInteger on a Byte) is refused and logged.
//
// Threads: any thread may call every method (the GUI thread for screens, alarms and trends; the
// scan thread through runtime functions). One mutex guards the tables and the cache; the values
// themselves are shared with unit code and other processes without a lock, and each is read or
// written with one copy of its size, so a reader sees a value from before or after a concurrent
// write. Message boxes are shown after the mutex is released. The view's memory, the package
// and the presenter are not owned and must outlive the store.
class VariableStore {
public:
    VariableStore(GlobalView view, const shell::ProjectPackage& package,
                  shell::MessagePresenter& presenter);
    VariableStore(const VariableStore&) = delete;
    VariableStore& operator=(const VariableStore&) = delete;

    // Clears the layout-changed flag and builds the name tables anew from "MVARGLOB.QRU" (package
    // entry, else the disk file); empties the request cache. A module that cannot be opened
    // leaves the tables empty. One that is shorter than 5 bytes or is not "QRU02" is deleted
    // from the current directory and reported with the box "MVarglob.QRU invalid Version"
    // (caption "Error"); the tables stay empty. A damaged module keeps the names read before the
    // damage, and the damage is logged. The owner calls it once after construction.
    void LoadGlobalNames();

    // Boolean requests: "NAME" or "NAME.BIT" (decimal; no "." means bit -1). On an Integer, Word
    // or Byte variable the request reads and writes bit (BIT mod 32) of its value (so "NAME"
    // alone is bit 31); on any other variable it reads the whole byte and writes 1 or 0.
    bool GetBoolean(std::string_view name);
    // As GetBoolean, but a whole-byte request gives the byte's value, not only 0 or 1.
    std::uint8_t GetBooleanByte(std::string_view name);
    void SetBoolean(std::string_view name, bool value);

    std::uint8_t GetByte(std::string_view name);
    void SetByte(std::string_view name, std::uint8_t value);
    std::uint16_t GetWord(std::string_view name);
    void SetWord(std::string_view name, std::uint16_t value);
    std::int32_t GetInteger(std::string_view name);
    void SetInteger(std::string_view name, std::int32_t value);
    long double GetReal(std::string_view name); // 10-byte extended
    void SetReal(std::string_view name, long double value);
    float GetSingle(std::string_view name);
    void SetSingle(std::string_view name, float value);
    double GetDouble(std::string_view name);
    void SetDouble(std::string_view name, double value);
    std::string GetString(std::string_view name);                  // code-page bytes
    void SetString(std::string_view name, std::string_view value); // cut to 255 bytes

    // The element "NAME[index]" of an array.
    std::int32_t GetIntegerAt(std::string_view name, std::int32_t index);
    std::uint16_t GetWordAt(std::string_view name, std::int32_t index);
    bool GetBooleanAt(std::string_view name, std::int32_t index);
    std::uint8_t GetByteAt(std::string_view name, std::int32_t index);
    long double GetRealAt(std::string_view name, std::int32_t index);
    float GetSingleAt(std::string_view name, std::int32_t index);

    // The value as display text, decided by the variable's type: "True"/"False" for Booleans and
    // bit requests (any name with "."), decimal integers, reals in the general float format with
    // "." as the separator whatever the locale, the string itself. Empty for an unknown name or a
    // type without a text form (records, object references).
    std::string GetGlobalText(std::string_view name);
    // The value from text: Booleans and bit requests take "True"/"False" (any case) and "1"/"0";
    // Integer, Word and Byte take decimal integers within their range; reals take decimal
    // numbers with "."; strings are cut to 255 bytes. False, with the reason logged and nothing
    // changed, for a text that does not convert; false without a log for an unknown name or a
    // type without a text form.
    bool SetGlobalText(std::string_view name, std::string_view text);

    // The guest address of a global variable or array element; nullopt for an unknown name.
    std::optional<platform::GuestAddress> GlobalAddress(std::string_view name);
    // 3 for any name containing "." (a bit request) and for Booleans (3, 6, 17); 4, 5, 7, 9, 20,
    // 23, 24 and 26 as stored; 25 gives 5; 18 for an unknown name or any other type.
    std::uint8_t GlobalType(std::string_view name);

    // The global variable holding an address (the runtime function GETVARLEN):
    struct GlobalLocation {
        platform::GuestAddress start = 0;   // the variable's address relative to the globals base
        std::uint8_t type = 18;             // its type code (18 when no variable holds the address)
        std::int32_t size = 0;              // the bytes it occupies (0 when none)
        platform::GuestAddress address = 0; // the variable's absolute guest address
    };
    // Finds the last variable whose address is not above `address`. An address at or beyond the
    // end of the globals gives the end pair (type 18, size 0, at the end address); one below the
    // first variable, or empty tables, give type 18, size 0, start 0 and `address` unchanged.
    GlobalLocation GlobalAtAddress(platform::GuestAddress address);

    // The data size of the module header; the number of names (array elements counted one by
    // one); the number of cached requests.
    std::uint32_t GlobalDataSize() const;
    std::size_t NameCount() const;
    std::size_t RequestCount() const;
    const GlobalView& View() const { return m_view; }

private:
    enum class LoadResult { Unchanged, Loaded, InvalidVersion };
    struct Resolved {
        platform::GuestAddress address = 0;
        const GlobalName* variable = nullptr;
        std::int32_t bit = -1;
    };
    class Access;

    LoadResult LoadLocked();
    void ReportInvalidVersion();
    const TVarDemande* Resolve(std::string_view text, RequestKind kind);
    const TVarDemande* ResolveBoolean(std::string_view text);

    template <typename T> T GetScalar(std::string_view name, RequestKind kind);
    template <typename T> void SetScalar(std::string_view name, RequestKind kind, T value);
    template <typename T> T Read(platform::GuestAddress address, std::uint32_t width = sizeof(T));
    template <typename T>
    bool Write(const TVarDemande& request, T value, std::uint32_t width = sizeof(T));
    std::uint8_t ReadBooleanLocked(const TVarDemande& request);
    void WriteBooleanLocked(const TVarDemande& request, bool value);
    long double ReadRealLocked(const TVarDemande& request);
    std::string ReadStringLocked(platform::GuestAddress address);
    std::string TextLocked(const TVarDemande& request);
    bool SetTextLocked(const TVarDemande& request, std::string_view text);
    void SetStringLocked(const TVarDemande& request, std::string_view text);

    const GlobalView m_view;
    const shell::ProjectPackage& m_package;
    shell::MessagePresenter& m_presenter;

    mutable std::mutex m_mutex;
    GlobalNameTable m_table;
    std::vector<TVarDemande> m_requests;                         // `Requests`
    std::unordered_map<std::string, std::size_t> m_requestIndex; // text -> first request
};

} // namespace engine
