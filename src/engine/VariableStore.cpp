// Quorva run-time. Licensed under the MIT licence.
#include "engine/VariableStore.h"

#include "engine/GlobalText.h"
#include "engine/TypeCodes.h"
#include "platform/CodePage.h"
#include "platform/Extended.h"
#include "platform/Log.h"
#include "platform/PathMap.h"
#include "shell/MessagePresenter.h"
#include "shell/Package.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fmt/format.h>
#include <limits>
#include <system_error>

namespace engine {
namespace {

constexpr std::string_view kModuleName = "MVARGLOB.QRU";
// A global-variable module is a few kilobytes; nothing beyond this is read.
constexpr std::uint64_t kMaxModuleBytes = 64u << 20;
constexpr std::uint32_t kStringSize = 256;

// The Boolean access a variable's type selects.
RequestKind BooleanKind(std::uint8_t type) {
    switch (type) {
    case ToByte(TypeCode::Integer):
        return RequestKind::IntegerBit;
    case ToByte(TypeCode::Word):
        return RequestKind::WordBit;
    case ToByte(TypeCode::Byte):
        return RequestKind::ByteBit;
    default:
        return RequestKind::BooleanByte;
    }
}

bool IsBooleanType(std::uint8_t type) {
    return type == ToByte(TypeCode::Boolean) || type == ToByte(TypeCode::Boolean6) ||
           type == ToByte(TypeCode::Bit);
}

// How a variable's value is stored, as the text conversions read it.
enum class Storage { None, Boolean, Integer, Real, Byte, String, Word, Single, Double };

Storage StorageOf(const GlobalName& variable) {
    if (IsBooleanType(variable.type))
        return Storage::Boolean;
    switch (variable.type) {
    case ToByte(TypeCode::Integer):
        return Storage::Integer;
    case ToByte(TypeCode::Real):
        return Storage::Real;
    case ToByte(TypeCode::Double):
        // Elements of Real arrays are recorded as 25 but hold 10-byte reals; a variable declared
        // as Double holds 8 bytes.
        return variable.realElement ? Storage::Real : Storage::Double;
    case ToByte(TypeCode::Byte):
        return Storage::Byte;
    case ToByte(TypeCode::String):
        return Storage::String;
    case ToByte(TypeCode::Word):
        return Storage::Word;
    case ToByte(TypeCode::Single):
        return Storage::Single;
    case ToByte(TypeCode::ValueList):
        return Storage::Double;
    default:
        return Storage::None;
    }
}

RequestKind KindOf(Storage storage) {
    switch (storage) {
    case Storage::Integer:
        return RequestKind::Integer;
    case Storage::Real:
        return RequestKind::Real;
    case Storage::Byte:
        return RequestKind::Byte;
    case Storage::String:
        return RequestKind::String;
    case Storage::Word:
        return RequestKind::Word;
    case Storage::Single:
        return RequestKind::Single;
    case Storage::Double:
        return RequestKind::Double;
    default:
        return RequestKind::BooleanByte;
    }
}

std::string_view StorageName(Storage storage) {
    switch (storage) {
    case Storage::Boolean:
        return "Boolean";
    case Storage::Integer:
        return "Integer";
    case Storage::Real:
        return "Real";
    case Storage::Byte:
        return "Byte";
    case Storage::String:
        return "String";
    case Storage::Word:
        return "Word";
    case Storage::Single:
        return "Single";
    case Storage::Double:
        return "Double";
    default:
        return "value";
    }
}

std::uint32_t BitOf(std::int32_t bit) {
    return static_cast<std::uint32_t>(((bit % 32) + 32) % 32);
}

} // namespace

// Holds the store's lock for one access, rebuilding the tables first when the layout-changed
// flag is set; shows the invalid-module box once the lock is released.
class VariableStore::Access {
public:
    explicit Access(VariableStore& store) : m_store(store), m_lock(store.m_mutex) {
        if (LayoutChanged(store.m_view))
            m_result = store.LoadLocked();
    }
    ~Access() {
        m_lock.unlock();
        if (m_result == LoadResult::InvalidVersion)
            m_store.ReportInvalidVersion();
    }
    Access(const Access&) = delete;
    Access& operator=(const Access&) = delete;

private:
    VariableStore& m_store;
    std::unique_lock<std::mutex> m_lock;
    LoadResult m_result = LoadResult::Unchanged;
};

VariableStore::VariableStore(GlobalView view, const shell::ProjectPackage& package,
                             shell::MessagePresenter& presenter)
    : m_view(view), m_package(package), m_presenter(presenter) {}

void VariableStore::LoadGlobalNames() {
    LoadResult result;
    {
        std::lock_guard lock(m_mutex);
        result = LoadLocked();
    }
    if (result == LoadResult::InvalidVersion)
        ReportInvalidVersion();
}

VariableStore::LoadResult VariableStore::LoadLocked() {
    SetLayoutChanged(m_view, false);
    m_table = {};
    m_requests.clear();
    m_requestIndex.clear();

    std::unique_ptr<shell::Stream> stream = m_package.Open(kModuleName);
    if (!stream) {
        platform::LogInfo("{} not found: no global variables by name", kModuleName);
        return LoadResult::Loaded;
    }
    std::string bytes(static_cast<std::size_t>(std::min(stream->Size(), kMaxModuleBytes)), '\0');
    bytes.resize(stream->Read(bytes.data(), bytes.size()));
    stream.reset();

    std::string message;
    const std::uint64_t end = std::uint64_t{m_view.guestBase} + m_view.size;
    switch (ReadGlobalNames(bytes, m_view.GlobalsBase(), end, m_table, message)) {
    case GlobalNamesOutcome::Loaded:
        platform::LogDebug("{}: {} global names", kModuleName, m_table.NameCount());
        return LoadResult::Loaded;
    case GlobalNamesOutcome::Damaged:
        platform::LogError("{}: {}; {} global names kept", kModuleName, message,
                           m_table.NameCount());
        return LoadResult::Loaded;
    case GlobalNamesOutcome::InvalidVersion:
        break;
    }
    m_table = {};
    std::error_code error;
    const std::string path = platform::HostPath(kModuleName);
    if (std::filesystem::exists(path, error) && !std::filesystem::remove(path, error))
        platform::LogError("cannot delete {}: {}", path, error.message());
    platform::LogError("{}: {}", kModuleName, message);
    return LoadResult::InvalidVersion;
}

void VariableStore::ReportInvalidVersion() {
    m_presenter.Show("Error", "MVarglob.QRU invalid Version", shell::mb::Ok | shell::mb::IconError);
}

const TVarDemande* VariableStore::Resolve(std::string_view text, RequestKind kind) {
    std::string upper = UpperAscii(text);
    if (auto hit = m_requestIndex.find(upper); hit != m_requestIndex.end())
        return &m_requests[hit->second];
    // Only Boolean requests carry a bit number; names never hold a ".".
    if (upper.find('.') != std::string::npos)
        return nullptr;
    auto found = m_table.index.find(upper);
    if (found == m_table.index.end())
        return nullptr;
    const GlobalName& variable = m_table.names[found->second];
    m_requestIndex.emplace(upper, m_requests.size());
    m_requests.push_back({std::move(upper), kind, -1, variable.address, found->second});
    return &m_requests.back();
}

const TVarDemande* VariableStore::ResolveBoolean(std::string_view text) {
    std::string upper = UpperAscii(text);
    if (auto hit = m_requestIndex.find(upper); hit != m_requestIndex.end())
        return &m_requests[hit->second];
    std::string name = upper;
    std::int32_t bit = -1;
    if (const std::size_t dot = upper.find('.'); dot != std::string::npos) {
        auto number = ParseDecimal(std::string_view(upper).substr(dot + 1),
                                   std::numeric_limits<std::int32_t>::min(),
                                   std::numeric_limits<std::int32_t>::max());
        if (!number)
            return nullptr;
        bit = static_cast<std::int32_t>(*number);
        name.resize(dot);
    }
    auto found = m_table.index.find(name);
    if (found == m_table.index.end())
        return nullptr;
    const GlobalName& variable = m_table.names[found->second];
    m_requestIndex.emplace(upper, m_requests.size());
    m_requests.push_back(
        {std::move(upper), BooleanKind(variable.type), bit, variable.address, found->second});
    return &m_requests.back();
}

template <typename T> T VariableStore::Read(platform::GuestAddress address, std::uint32_t width) {
    T value{};
    if (const std::byte* host = m_view.Translate(address, width))
        std::memcpy(&value, host, std::min<std::size_t>(width, sizeof value));
    return value;
}

template <typename T>
bool VariableStore::Write(const TVarDemande& request, T value, std::uint32_t width) {
    const GlobalName& variable = m_table.names[request.variable];
    if (width > variable.extent) {
        platform::LogWarning("{}: a write of {} bytes to a variable of {} bytes is refused",
                             platform::CodePageToUtf8(request.name), width, variable.extent);
        return false;
    }
    std::byte* host = m_view.Translate(request.address, width);
    if (host == nullptr)
        return false;
    std::memcpy(host, &value, std::min<std::size_t>(width, sizeof value));
    return true;
}

std::uint8_t VariableStore::ReadBooleanLocked(const TVarDemande& request) {
    const std::uint32_t bit = BitOf(request.bit);
    switch (BooleanKind(m_table.names[request.variable].type)) {
    case RequestKind::IntegerBit:
        return static_cast<std::uint8_t>((Read<std::uint32_t>(request.address) >> bit) & 1u);
    case RequestKind::WordBit:
        return static_cast<std::uint8_t>((Read<std::uint16_t>(request.address) >> bit) & 1u);
    case RequestKind::ByteBit:
        return static_cast<std::uint8_t>((Read<std::uint8_t>(request.address) >> bit) & 1u);
    default:
        return Read<std::uint8_t>(request.address);
    }
}

void VariableStore::WriteBooleanLocked(const TVarDemande& request, bool value) {
    const std::uint32_t mask = 1u << BitOf(request.bit);
    auto update = [&](auto current) {
        using T = decltype(current);
        const std::uint32_t next = value ? (current | mask) : (current & ~mask);
        Write<T>(request, static_cast<T>(next));
    };
    switch (BooleanKind(m_table.names[request.variable].type)) {
    case RequestKind::IntegerBit:
        update(Read<std::uint32_t>(request.address));
        break;
    case RequestKind::WordBit:
        update(Read<std::uint16_t>(request.address));
        break;
    case RequestKind::ByteBit:
        update(Read<std::uint8_t>(request.address));
        break;
    default:
        Write<std::uint8_t>(request, value ? 1 : 0);
        break;
    }
}

long double VariableStore::ReadRealLocked(const TVarDemande& request) {
    if (const std::byte* host = m_view.Translate(request.address, platform::kExtendedSize))
        return platform::FromExtended(host);
    return 0;
}

std::string VariableStore::ReadStringLocked(platform::GuestAddress address) {
    if (address < m_view.guestBase || m_view.host == nullptr)
        return {};
    const std::uint64_t offset = address - m_view.guestBase;
    if (offset >= m_view.size)
        return {};
    // One copy of the whole string, so that the length and the text belong together.
    const auto available =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(kStringSize, m_view.size - offset));
    unsigned char buffer[kStringSize];
    std::memcpy(buffer, m_view.host + offset, available);
    const std::size_t length = std::min<std::size_t>(buffer[0], available - 1);
    return std::string(reinterpret_cast<const char*>(buffer + 1), length);
}

std::string VariableStore::TextLocked(const TVarDemande& request) {
    if (request.name.find('.') != std::string::npos)
        return ReadBooleanLocked(request) != 0 ? "True" : "False";
    const platform::GuestAddress address = request.address;
    switch (StorageOf(m_table.names[request.variable])) {
    case Storage::Boolean:
        return Read<std::uint8_t>(address) != 0 ? "True" : "False";
    case Storage::Integer:
        return std::to_string(Read<std::int32_t>(address));
    case Storage::Real:
        return FormatGeneral(ReadRealLocked(request));
    case Storage::Byte:
        return std::to_string(Read<std::uint8_t>(address));
    case Storage::String:
        return ReadStringLocked(address);
    case Storage::Word:
        return std::to_string(Read<std::uint16_t>(address));
    case Storage::Single:
        return FormatSingle(Read<float>(address));
    case Storage::Double:
        return FormatGeneral(Read<double>(address));
    case Storage::None:
        break;
    }
    return {};
}

bool VariableStore::SetTextLocked(const TVarDemande& request, std::string_view text) {
    const GlobalName& variable = m_table.names[request.variable];
    const bool bitRequest = request.name.find('.') != std::string::npos;
    const Storage storage = bitRequest ? Storage::Boolean : StorageOf(variable);
    auto refuse = [&] {
        platform::LogWarning("SetGlobalText: \"{}\" is not a valid {} for {}; nothing changed",
                             platform::CodePageToUtf8(text), StorageName(storage),
                             platform::CodePageToUtf8(request.name));
        return false;
    };
    auto integer = [&](std::int64_t low, std::int64_t high) {
        return ParseDecimal(text, low, high);
    };
    switch (storage) {
    case Storage::Boolean: {
        auto value = ParseBoolean(text);
        if (!value)
            return refuse();
        WriteBooleanLocked(request, *value);
        return true;
    }
    case Storage::Integer: {
        auto value = integer(std::numeric_limits<std::int32_t>::min(),
                             std::numeric_limits<std::int32_t>::max());
        return value ? Write(request, static_cast<std::int32_t>(*value)) : refuse();
    }
    case Storage::Byte: {
        auto value = integer(0, 0xFF);
        return value ? Write(request, static_cast<std::uint8_t>(*value)) : refuse();
    }
    case Storage::Word: {
        auto value = integer(0, 0xFFFF);
        return value ? Write(request, static_cast<std::uint16_t>(*value)) : refuse();
    }
    case Storage::Real: {
        auto value = ParseReal(text);
        return value ? Write(request, platform::ToExtended(*value), platform::kExtendedSize)
                     : refuse();
    }
    case Storage::Single: {
        auto value = ParseReal(text);
        if (!value || std::fabs(*value) > std::numeric_limits<float>::max())
            return refuse();
        return Write(request, static_cast<float>(*value));
    }
    case Storage::Double: {
        auto value = ParseReal(text);
        if (!value || std::fabs(*value) > std::numeric_limits<double>::max())
            return refuse();
        return Write(request, static_cast<double>(*value));
    }
    case Storage::String: {
        SetStringLocked(request, text);
        return true;
    }
    case Storage::None:
        break;
    }
    return false;
}

void VariableStore::SetStringLocked(const TVarDemande& request, std::string_view text) {
    // A short string variable of fewer than 256 bytes (string[N]) holds N characters.
    const std::uint32_t extent = m_table.names[request.variable].extent;
    if (extent == 0)
        return;
    const std::size_t length = std::min<std::size_t>({text.size(), kStringSize - 1, extent - 1});
    unsigned char buffer[kStringSize];
    buffer[0] = static_cast<unsigned char>(length);
    std::memcpy(buffer + 1, text.data(), length);
    if (std::byte* host = m_view.Translate(request.address, static_cast<std::uint32_t>(length + 1)))
        std::memcpy(host, buffer, length + 1);
}

// --- typed accessors ---

bool VariableStore::GetBoolean(std::string_view name) {
    return GetBooleanByte(name) != 0;
}

std::uint8_t VariableStore::GetBooleanByte(std::string_view name) {
    Access access(*this);
    const TVarDemande* request = ResolveBoolean(name);
    return request ? ReadBooleanLocked(*request) : 0;
}

void VariableStore::SetBoolean(std::string_view name, bool value) {
    Access access(*this);
    if (const TVarDemande* request = ResolveBoolean(name))
        WriteBooleanLocked(*request, value);
}

template <typename T> T VariableStore::GetScalar(std::string_view name, RequestKind kind) {
    Access access(*this);
    const TVarDemande* request = Resolve(name, kind);
    return request ? Read<T>(request->address) : T{};
}

template <typename T>
void VariableStore::SetScalar(std::string_view name, RequestKind kind, T value) {
    Access access(*this);
    if (const TVarDemande* request = Resolve(name, kind))
        Write(*request, value);
}

std::uint8_t VariableStore::GetByte(std::string_view name) {
    return GetScalar<std::uint8_t>(name, RequestKind::Byte);
}
void VariableStore::SetByte(std::string_view name, std::uint8_t value) {
    SetScalar(name, RequestKind::Byte, value);
}
std::uint16_t VariableStore::GetWord(std::string_view name) {
    return GetScalar<std::uint16_t>(name, RequestKind::Word);
}
void VariableStore::SetWord(std::string_view name, std::uint16_t value) {
    SetScalar(name, RequestKind::Word, value);
}
std::int32_t VariableStore::GetInteger(std::string_view name) {
    return GetScalar<std::int32_t>(name, RequestKind::Integer);
}
void VariableStore::SetInteger(std::string_view name, std::int32_t value) {
    SetScalar(name, RequestKind::Integer, value);
}
float VariableStore::GetSingle(std::string_view name) {
    return GetScalar<float>(name, RequestKind::Single);
}
void VariableStore::SetSingle(std::string_view name, float value) {
    SetScalar(name, RequestKind::Single, value);
}
double VariableStore::GetDouble(std::string_view name) {
    return GetScalar<double>(name, RequestKind::Double);
}
void VariableStore::SetDouble(std::string_view name, double value) {
    SetScalar(name, RequestKind::Double, value);
}

long double VariableStore::GetReal(std::string_view name) {
    Access access(*this);
    const TVarDemande* request = Resolve(name, RequestKind::Real);
    return request ? ReadRealLocked(*request) : 0;
}

void VariableStore::SetReal(std::string_view name, long double value) {
    Access access(*this);
    if (const TVarDemande* request = Resolve(name, RequestKind::Real))
        Write(*request, platform::ToExtended(value), platform::kExtendedSize);
}

std::string VariableStore::GetString(std::string_view name) {
    Access access(*this);
    const TVarDemande* request = Resolve(name, RequestKind::String);
    return request ? ReadStringLocked(request->address) : std::string();
}

void VariableStore::SetString(std::string_view name, std::string_view value) {
    Access access(*this);
    if (const TVarDemande* request = Resolve(name, RequestKind::String))
        SetStringLocked(*request, value);
}

namespace {
std::string ElementName(std::string_view name, std::int32_t index) {
    return fmt::format("{}[{}]", name, index);
}
} // namespace

std::int32_t VariableStore::GetIntegerAt(std::string_view name, std::int32_t index) {
    return GetInteger(ElementName(name, index));
}
std::uint16_t VariableStore::GetWordAt(std::string_view name, std::int32_t index) {
    return GetWord(ElementName(name, index));
}
bool VariableStore::GetBooleanAt(std::string_view name, std::int32_t index) {
    return GetBoolean(ElementName(name, index));
}
std::uint8_t VariableStore::GetByteAt(std::string_view name, std::int32_t index) {
    return GetByte(ElementName(name, index));
}
long double VariableStore::GetRealAt(std::string_view name, std::int32_t index) {
    return GetReal(ElementName(name, index));
}
float VariableStore::GetSingleAt(std::string_view name, std::int32_t index) {
    return GetSingle(ElementName(name, index));
}

// --- texts and look-ups ---

std::string VariableStore::GetGlobalText(std::string_view name) {
    Access access(*this);
    const TVarDemande* request = nullptr;
    if (name.find('.') != std::string_view::npos) {
        request = ResolveBoolean(name);
    } else if (const GlobalName* variable = m_table.Find(UpperAscii(name))) {
        request = Resolve(name, KindOf(StorageOf(*variable)));
    }
    return request ? TextLocked(*request) : std::string();
}

bool VariableStore::SetGlobalText(std::string_view name, std::string_view text) {
    Access access(*this);
    const TVarDemande* request = nullptr;
    if (name.find('.') != std::string_view::npos) {
        request = ResolveBoolean(name);
    } else if (const GlobalName* variable = m_table.Find(UpperAscii(name))) {
        request = Resolve(name, KindOf(StorageOf(*variable)));
    }
    return request != nullptr && SetTextLocked(*request, text);
}

std::optional<platform::GuestAddress> VariableStore::GlobalAddress(std::string_view name) {
    Access access(*this);
    const GlobalName* variable = m_table.Find(UpperAscii(name));
    return variable ? std::optional(variable->address) : std::nullopt;
}

std::uint8_t VariableStore::GlobalType(std::string_view name) {
    Access access(*this);
    if (name.find('.') != std::string_view::npos)
        return ToByte(TypeCode::Boolean);
    const GlobalName* variable = m_table.Find(UpperAscii(name));
    if (variable == nullptr)
        return ToByte(TypeCode::None);
    switch (variable->type) {
    case 3:
    case 6:
    case 17:
        return ToByte(TypeCode::Boolean);
    case 4:
    case 5:
    case 7:
    case 9:
    case 20:
    case 23:
    case 24:
    case 26:
        return variable->type;
    case 25:
        return ToByte(TypeCode::Real);
    default:
        return ToByte(TypeCode::None);
    }
}

VariableStore::GlobalLocation VariableStore::GlobalAtAddress(platform::GuestAddress address) {
    Access access(*this);
    const std::size_t index = PairHoldingAddress(m_table, address);
    GlobalLocation location;
    location.address = address;
    if (index == std::string::npos)
        return location;
    const GlobalName& pair = m_table.names[index];
    location.address = pair.address;
    location.start = pair.address - m_view.GlobalsBase();
    location.type = pair.type;
    location.size = static_cast<std::int32_t>(pair.extent);
    return location;
}

std::uint32_t VariableStore::GlobalDataSize() const {
    std::lock_guard lock(m_mutex);
    return m_table.dataSize;
}

std::size_t VariableStore::NameCount() const {
    std::lock_guard lock(m_mutex);
    return m_table.NameCount();
}

std::size_t VariableStore::RequestCount() const {
    std::lock_guard lock(m_mutex);
    return m_requests.size();
}

} // namespace engine
