// Quorva run-time. Licensed under the MIT licence.
#include "runtime/StringFunctions.h"

#include "runtime/CallLayout.h"
#include "runtime/RuntimeLibrary.h"

#include <algorithm>

namespace runtime {

namespace {

ShortString Copy(ShortString text, std::int32_t start, std::int32_t count) {
    return CopyText(text.View(), start, count);
}

std::int32_t Pos(ShortString search, ShortString text) {
    return PosText(search.View(), text.View());
}

// The result is never longer than the String read, so it is written back in place whatever the
// hidden highest index says.
void Delete(CallFrame& frame, StringRef text, std::int32_t start, std::int32_t count) {
    const ShortString before = text.Get();
    const ShortString after = DeleteText(before.View(), start, count);
    if (after.Length() != before.Length())
        WriteGuestString(frame.Memory(), text.Address(), after);
}

void Insert(ShortString sub, StringRef text, std::int32_t position) {
    text.Set(InsertText(sub.View(), text.Get().View(), position, text.Capacity()).View());
}

std::int32_t Length(StringRef text) {
    return text.LengthByte().value_or(0);
}

// ORD reads character 1 of the caller's String itself, not the copy, so that the byte after
// the length byte of an empty String is what the caller stored there.
std::uint8_t Ord(CallFrame& frame, ShortString text) {
    static const CallLayout layout = [&] { return ComputeCallLayout(frame.Spec()); }();
    const GuestAddress address = frame.Word32(layout.parameters.at(0).value);
    if (const std::byte* stored = frame.Memory().Translate(address, 2))
        return OrdStored(reinterpret_cast<const std::uint8_t*>(stored));
    return OrdStored(text.Stored());
}

} // namespace

ShortString CopyText(std::string_view text, std::int32_t start, std::int32_t count) {
    const std::int64_t first = std::max<std::int64_t>(start, 1) - 1;
    const auto length = static_cast<std::int64_t>(text.size());
    if (first >= length || count <= 0)
        return {};
    const std::int64_t taken = std::min<std::int64_t>(count, length - first);
    return ShortString(
        text.substr(static_cast<std::size_t>(first), static_cast<std::size_t>(taken)));
}

std::int32_t PosText(std::string_view search, std::string_view text) {
    if (search.empty())
        return 0;
    const std::size_t found = text.find(search);
    return found == std::string_view::npos ? 0 : static_cast<std::int32_t>(found) + 1;
}

ShortString DeleteText(std::string_view text, std::int32_t start, std::int32_t count) {
    const auto length = static_cast<std::int64_t>(text.size());
    if (start < 1 || start > length || count <= 0)
        return ShortString(text);
    const auto first = static_cast<std::size_t>(start - 1);
    const auto removed = static_cast<std::size_t>(std::min<std::int64_t>(count, length - first));
    std::string out(text.substr(0, first));
    out += text.substr(first + removed);
    return ShortString(out);
}

ShortString InsertText(std::string_view sub, std::string_view text, std::int32_t position,
                       std::size_t capacity) {
    const auto length = static_cast<std::int64_t>(text.size());
    const auto at = static_cast<std::size_t>(std::clamp<std::int64_t>(position, 1, length + 1) - 1);
    std::string out(text.substr(0, at));
    out += sub;
    out += text.substr(at);
    out.resize(std::min({out.size(), capacity, ShortString::kCapacity}));
    return ShortString(out);
}

ShortString ChrText(std::int32_t value) {
    const char c = static_cast<char>(static_cast<std::uint32_t>(value) & 0xFFu);
    return ShortString(std::string_view(&c, 1));
}

std::uint8_t OrdStored(const std::uint8_t* stored) {
    return stored[1];
}

platform::Status AddStringFunctions(Implementations& implementations) {
    if (auto added = implementations.Add<&Copy>("COPY"); !added)
        return added;
    if (auto added = implementations.Add<&Pos>("POS"); !added)
        return added;
    if (auto added = implementations.Add<&Delete>("DELETE"); !added)
        return added;
    if (auto added = implementations.Add<&Insert>("INSERT"); !added)
        return added;
    if (auto added = implementations.Add<&Length>("LENGTH"); !added)
        return added;
    if (auto added = implementations.Add<&ChrText>("CHR"); !added)
        return added;
    return implementations.Add<&Ord>("ORD");
}

} // namespace runtime
