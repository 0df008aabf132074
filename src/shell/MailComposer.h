// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "shell/MailClient.h"

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

// How a message becomes the lines of an SMTP send: the addresses taken out of the sender and
// recipient texts, the header lines, the body lines and the bytes sent after DATA. Pure
// functions of their arguments (StampNow and LocalHostName read the clock and the machine), so
// any thread may call them.
namespace shell::mail {

// The longest line the mail standard allows, without its CR LF.
constexpr std::size_t kMaxLineLength = 998;

// The index-th address (from 1) of a text that may hold several, as in
// "Plant <ops@plant.example>; boss@plant.example": the word around the index-th "@", words being
// separated by blanks, tabs, commas and semicolons, without the quotation marks, parentheses and
// angle brackets around it. Empty when the text has fewer "@" than that.
std::string AddressOf(std::string_view text, int index);
// Every address of a text, in order.
std::vector<std::string> AddressesOf(std::string_view text);

// "Tue, 5 Mar 2024 14:03:09 +0100": day and month names in English, the zone "GMT" when the
// local time is UTC, else the offset as +hhmm or -hhmm. `local` is the broken-down local time,
// `utcOffsetSeconds` how far local time is ahead of UTC (negative when behind).
std::string DateText(const std::tm& local, long utcOffsetSeconds);

// The MIME name of a code page given by its iconv name: "WINDOWS-1252" and "CP1252" become
// "windows-1252"; other names are lower-cased.
std::string MimeCharset(std::string_view iconvName);

// The machine's host name resolved to its official name; the plain host name when it does not
// resolve, "127.0.0.1" when the machine has none. Uses the system resolver.
std::string LocalHostName();

// What makes a message unique: the name the client gives itself, the Date text and the
// Message-ID.
struct Stamp {
    std::string localHost;
    std::string date;
    std::string messageId; // with its angle brackets
};
// The stamp of this moment. The Message-ID is the local clock's seconds since 1970, a random
// part (two messages in one second must not share an identifier) and the host name.
Stamp StampNow(std::string localHost);

// The body split into lines at CR LF, CR or LF; a break at the very end adds no empty line.
std::vector<std::string> BodyLines(std::string_view body);

// The lines of the message as the server stores it: From, Message-ID, Date, Subject, To, the
// MIME lines that name the code page, an empty line, the body. A subject with bytes above 127
// is written as encoded words of the code page (folded over several lines); a body line longer
// than the standard allows is broken into pieces that fit once dot-stuffed.
std::vector<std::string> DataLines(const MailMessage& message, const Stamp& stamp,
                                   std::string_view mimeCharset);

// The bytes sent after the server's 354: every line with CR LF, a line that begins with "." sent
// with one more "." in front, then the closing ".\r\n".
std::string DataBlock(const std::vector<std::string>& lines);

// Why a message must not be sent: a CR or LF in the sender, recipients or subject would let the
// text add header lines or SMTP commands of its own. Empty when there is no such byte.
std::string InjectionRefusal(const MailMessage& message);

} // namespace shell::mail
