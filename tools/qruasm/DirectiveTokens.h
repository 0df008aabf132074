// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qruasm {

enum class TokenKind { Word, Number, Text, Punctuation, End };

// One token of a directive line. For a Text token `text` holds the quoted contents (quotes
// undone, still UTF-8); `raw` is always the token exactly as written.
struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;
    std::string raw;
};

// Splits the text of one directive (after its "@") into words ([A-Za-z_][A-Za-z0-9_]*),
// numbers (an optional "-", digits, an optional fraction and exponent), quoted texts ('...' or
// "...", a doubled quote stands for one) and the marks : ; , ( ) [ ] = and "..". A "#" outside
// quotes starts a comment. The list always ends with an End token.
platform::Result<std::vector<Token>> TokenizeDirective(std::string_view line);

// Reads tokens front to back for the directive parser. Words compare ignoring ASCII case.
class TokenReader {
public:
    explicit TokenReader(std::vector<Token> tokens) : m_tokens(std::move(tokens)) {}

    const Token& Peek() const { return m_tokens[m_next]; }
    const Token& Next() { return m_next + 1 < m_tokens.size() ? m_tokens[m_next++] : Peek(); }
    bool AtEnd() const { return Peek().kind == TokenKind::End; }
    bool IsWord(std::string_view word) const;
    bool IsMark(std::string_view mark) const;
    bool AcceptWord(std::string_view word);
    bool AcceptMark(std::string_view mark);

private:
    std::vector<Token> m_tokens;
    std::size_t m_next = 0;
};

bool EqualsIgnoringCase(std::string_view a, std::string_view b);
std::string UpperCase(std::string_view text);
std::string Describe(const Token& token); // for messages: `word`, "end of line" ...

} // namespace qruasm
