// Quorva run-time. Licensed under the MIT licence.
#include "platform/CodePage.h"

#include <iconv.h>

#include <algorithm>
#include <mutex>

namespace platform {

namespace {

struct CodePageState {
    std::mutex mutex;
    std::string name = "WINDOWS-1252";
    unsigned generation = 0;
};

CodePageState& State() {
    static CodePageState state;
    return state;
}

// One iconv descriptor per thread and direction (descriptors carry conversion state and must not
// be shared between threads); it is opened again when the code page changes.
class Converter {
public:
    Converter(bool toUtf8) : m_toUtf8(toUtf8) {}
    ~Converter() { Close(); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    iconv_t Get() {
        CodePageState& state = State();
        std::lock_guard lock(state.mutex);
        if (m_handle == Invalid() || m_generation != state.generation) {
            Close();
            m_handle = m_toUtf8 ? iconv_open("UTF-8", state.name.c_str())
                                : iconv_open(state.name.c_str(), "UTF-8");
            m_generation = state.generation;
        }
        return m_handle;
    }

private:
    static iconv_t Invalid() { return reinterpret_cast<iconv_t>(-1); }
    void Close() {
        if (m_handle != Invalid())
            iconv_close(m_handle);
        m_handle = Invalid();
    }

    bool m_toUtf8;
    iconv_t m_handle = Invalid();
    unsigned m_generation = 0;
};

void AppendUtf8(std::string& out, unsigned codePoint) {
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
    } else {
        out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

// The length of the well-formed UTF-8 sequence at `i`, or 0 when the bytes there are not one:
// a stray continuation byte, a truncated sequence, an overlong form, a surrogate or a value
// past U+10FFFF.
std::size_t WellFormedLength(std::string_view utf8, std::size_t i) {
    auto lead = static_cast<unsigned char>(utf8[i]);
    std::size_t length;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > utf8.size())
        return 0;
    auto second = static_cast<unsigned char>(utf8[i + 1]);
    if (second < low || second > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if ((static_cast<unsigned char>(utf8[i + k]) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

// The byte of a two-byte sequence for U+0080..U+00FF.
char UnicodeLatin1(std::string_view sequence) {
    auto lead = static_cast<unsigned char>(sequence[0]);
    auto trail = static_cast<unsigned char>(sequence[1]);
    return static_cast<char>(((lead & 0x1F) << 6) | (trail & 0x3F));
}

} // namespace

Status SetSystemCodePage(std::string_view iconvName) {
    std::string name(iconvName);
    iconv_t probe = iconv_open("UTF-8", name.c_str());
    if (probe == reinterpret_cast<iconv_t>(-1))
        return Fail("unknown code page \"" + name + "\"");
    iconv_close(probe);
    CodePageState& state = State();
    std::lock_guard lock(state.mutex);
    state.name = std::move(name);
    ++state.generation;
    return {};
}

std::string SystemCodePage() {
    std::lock_guard lock(State().mutex);
    return State().name;
}

std::string CodePageToUtf8(std::string_view bytes) {
    thread_local Converter converter(true);
    std::string out;
    out.reserve(bytes.size() * 2);
    bool ascii = true;
    for (char c : bytes)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii)
        return std::string(bytes);

    iconv_t cd = converter.Get();
    char buffer[256];
    std::size_t i = 0;
    while (i < bytes.size()) {
        // One byte at a time: single-byte code pages need no state, and an undefined byte can
        // then be replaced without losing its neighbours.
        char* in = const_cast<char*>(bytes.data() + i);
        std::size_t inLeft = 1;
        char* outPtr = buffer;
        std::size_t outLeft = sizeof(buffer);
        if (cd == reinterpret_cast<iconv_t>(-1) ||
            iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
            AppendUtf8(out, static_cast<unsigned char>(bytes[i]));
        } else {
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        }
        ++i;
    }
    return out;
}

std::string Utf8ToCodePage(std::string_view utf8) {
    thread_local Converter converter(false);
    bool ascii = true;
    for (char c : utf8)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii)
        return std::string(utf8);

    iconv_t cd = converter.Get();
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t length = lead < 0x80 ? 1 : WellFormedLength(utf8, i);
        if (length <= 1) {
            out.push_back(static_cast<char>(lead));
            i += 1;
            continue;
        }
        char* in = const_cast<char*>(utf8.data() + i);
        std::size_t inLeft = length;
        char buffer[8];
        char* outPtr = buffer;
        std::size_t outLeft = sizeof(buffer);
        if (cd != reinterpret_cast<iconv_t>(-1) &&
            iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1)) {
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        } else if (std::string_view sequence = utf8.substr(i, length);
                   length == 2 && lead <= 0xC3 &&
                   CodePageToUtf8(std::string(1, UnicodeLatin1(sequence))) == sequence) {
            // U+0080..U+00FF standing for a byte the code page leaves undefined, as
            // CodePageToUtf8 made it: the byte comes back.
            out.push_back(UnicodeLatin1(sequence));
        } else {
            out.push_back('?');
        }
        if (cd != reinterpret_cast<iconv_t>(-1))
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        i += length;
    }
    return out;
}

std::string UpperAscii(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

} // namespace platform
