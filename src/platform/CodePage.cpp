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

std::size_t Utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 1;
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
        std::size_t length = Utf8SequenceLength(lead);
        bool wellFormed = length > 1 && i + length <= utf8.size();
        for (std::size_t k = 1; wellFormed && k < length; ++k)
            wellFormed = (static_cast<unsigned char>(utf8[i + k]) & 0xC0) == 0x80;
        if (!wellFormed)
            length = 1;
        char* in = const_cast<char*>(utf8.data() + i);
        std::size_t inLeft = length;
        char buffer[8];
        char* outPtr = buffer;
        std::size_t outLeft = sizeof(buffer);
        if (lead < 0x80 || !wellFormed) {
            out.push_back(static_cast<char>(lead));
        } else if (cd != reinterpret_cast<iconv_t>(-1) &&
                   iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1)) {
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        } else {
            out.push_back('?');
        }
        if (cd != reinterpret_cast<iconv_t>(-1))
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        i += length;
    }
    return out;
}

} // namespace platform
