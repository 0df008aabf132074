// Quorva run-time. Licensed under the MIT licence.
#include "shell/MailComposer.h"

#include "platform/CodePage.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <fmt/format.h>
#include <netdb.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <unistd.h>

namespace shell::mail {

namespace {

constexpr std::string_view kSeparators = " \t,;";

bool IsSeparator(char c) {
    return kSeparators.find(c) != std::string_view::npos;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The subject as encoded words (quoted-printable flavour) of the code page, each at most 75
// characters, the first on the "Subject:" line and the others on continuation lines. Readers
// join adjacent encoded words without the folding blank between them.
void AppendEncodedSubject(std::vector<std::string>& lines, std::string_view subject,
                          std::string_view charset) {
    const std::string prefix = fmt::format("=?{}?Q?", charset);
    const std::size_t room = 75 - prefix.size() - 2;
    std::vector<std::string> words;
    std::string payload;
    for (char c : subject) {
        const auto byte = static_cast<unsigned char>(c);
        std::string encoded;
        if (byte == ' ')
            encoded = "_";
        else if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                 (byte >= '0' && byte <= '9') ||
                 std::string_view("!*+-/").find(c) != std::string_view::npos)
            encoded = std::string(1, c);
        else
            encoded = fmt::format("={:02X}", byte);
        if (payload.size() + encoded.size() > room) {
            words.push_back(prefix + payload + "?=");
            payload.clear();
        }
        payload += encoded;
    }
    words.push_back(prefix + payload + "?=");
    lines.push_back("Subject: " + words.front());
    for (std::size_t i = 1; i < words.size(); ++i)
        lines.push_back(" " + words[i]);
}

// A body line cut into pieces that stay within the line limit once dot-stuffed: a piece that
// begins with "." gets one byte less.
void AppendBodyLine(std::vector<std::string>& lines, std::string_view line) {
    if (line.empty()) {
        lines.emplace_back();
        return;
    }
    while (!line.empty()) {
        const std::size_t limit = line.front() == '.' ? kMaxLineLength - 1 : kMaxLineLength;
        const std::size_t take = std::min(limit, line.size());
        lines.emplace_back(line.substr(0, take));
        line.remove_prefix(take);
    }
}

std::uint64_t RandomNumber() {
    std::uint64_t value = 0;
    if (::getrandom(&value, sizeof value, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof value))
        value =
            static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return value;
}

} // namespace

std::string AddressOf(std::string_view text, int index) {
    if (index < 1)
        return {};
    std::size_t at = std::string_view::npos;
    int seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '@' && ++seen == index) {
            at = i;
            break;
        }
    }
    if (at == std::string_view::npos)
        return {};
    std::size_t start = at;
    while (start > 0 && !IsSeparator(text[start - 1]))
        --start;
    std::size_t end = at;
    while (end < text.size() && !IsSeparator(text[end]))
        ++end;
    std::string_view word = text.substr(start, end - start);
    while (!word.empty() && std::string_view("\"(<").find(word.front()) != std::string_view::npos)
        word.remove_prefix(1);
    while (!word.empty() && std::string_view("\")>").find(word.back()) != std::string_view::npos)
        word.remove_suffix(1);
    return std::string(word);
}

std::vector<std::string> AddressesOf(std::string_view text) {
    std::vector<std::string> addresses;
    for (int index = 1;; ++index) {
        std::string address = AddressOf(text, index);
        if (address.empty())
            return addresses;
        addresses.push_back(std::move(address));
    }
}

std::string DateText(const std::tm& local, long utcOffsetSeconds) {
    static constexpr std::array<std::string_view, 7> kDays = {"Sun", "Mon", "Tue", "Wed",
                                                              "Thu", "Fri", "Sat"};
    static constexpr std::array<std::string_view, 12> kMonths = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    // Out-of-range fields (a hand-made tm) wrap instead of reading past the tables.
    const std::string_view day = kDays[static_cast<std::size_t>((local.tm_wday % 7 + 7) % 7)];
    const std::string_view month = kMonths[static_cast<std::size_t>((local.tm_mon % 12 + 12) % 12)];
    std::string zone = "GMT";
    if (utcOffsetSeconds != 0) {
        const long magnitude = utcOffsetSeconds < 0 ? -utcOffsetSeconds : utcOffsetSeconds;
        zone = fmt::format("{}{:02}{:02}", utcOffsetSeconds > 0 ? '+' : '-', magnitude / 3600,
                           magnitude % 3600 / 60);
    }
    return fmt::format("{}, {} {} {:04} {:02}:{:02}:{:02} {}", day, local.tm_mday, month,
                       local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec, zone);
}

std::string MimeCharset(std::string_view iconvName) {
    const std::string upper = platform::UpperAscii(iconvName);
    if (upper.size() == 6 && upper.starts_with("CP125"))
        return "windows-" + upper.substr(2);
    std::string lower(iconvName);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return lower;
}

std::string LocalHostName() {
    std::array<char, 256> name{};
    if (::gethostname(name.data(), name.size() - 1) != 0 || name[0] == '\0')
        return "127.0.0.1";
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* found = nullptr;
    std::string official = name.data();
    if (::getaddrinfo(name.data(), nullptr, &hints, &found) == 0 && found) {
        if (found->ai_canonname && found->ai_canonname[0] != '\0')
            official = found->ai_canonname;
        ::freeaddrinfo(found);
    }
    return official;
}

Stamp StampNow(std::string localHost) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    const long offset = local.tm_gmtoff;
    Stamp stamp;
    stamp.date = DateText(local, offset);
    stamp.messageId = fmt::format("<{}.{:016x}@{}>", static_cast<long long>(now) + offset,
                                  RandomNumber(), localHost);
    stamp.localHost = std::move(localHost);
    return stamp;
}

std::vector<std::string> BodyLines(std::string_view body) {
    std::vector<std::string> lines;
    std::string current;
    for (std::size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(std::move(current));
            current.clear();
            if (c == '\r' && i + 1 < body.size() && body[i + 1] == '\n')
                ++i;
        } else {
            current += c;
        }
    }
    if (!current.empty())
        lines.push_back(std::move(current));
    return lines;
}

std::vector<std::string> DataLines(const MailMessage& message, const Stamp& stamp,
                                   std::string_view mimeCharset) {
    std::vector<std::string> lines;
    lines.push_back("From: " + message.from);
    lines.push_back("Message-ID: " + stamp.messageId);
    lines.push_back("Date: " + stamp.date);
    if (IsAscii(message.subject))
        lines.push_back("Subject: " + message.subject);
    else
        AppendEncodedSubject(lines, message.subject, mimeCharset);
    lines.push_back("To: " + message.recipients);
    lines.push_back("MIME-Version: 1.0");
    lines.push_back(fmt::format("Content-Type: text/plain; charset={}", mimeCharset));
    lines.push_back(
        fmt::format("Content-Transfer-Encoding: {}", IsAscii(message.body) ? "7bit" : "8bit"));
    lines.emplace_back();
    for (const std::string& line : BodyLines(message.body))
        AppendBodyLine(lines, line);
    return lines;
}

std::string DataBlock(const std::vector<std::string>& lines) {
    std::string block;
    for (const std::string& line : lines) {
        if (!line.empty() && line.front() == '.')
            block += '.';
        block += line;
        block += "\r\n";
    }
    block += ".\r\n";
    return block;
}

std::string InjectionRefusal(const MailMessage& message) {
    if (HasLineBreak(message.from))
        return "Mail refused: line break in the sender";
    if (HasLineBreak(message.recipients))
        return "Mail refused: line break in the recipients";
    if (HasLineBreak(message.subject))
        return "Mail refused: line break in the subject";
    return {};
}

} // namespace shell::mail
