// Quorva run-time. Licensed under the MIT licence.
#include "DirectiveTokens.h"

#include <fmt/format.h>

namespace qruasm {
namespace {

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return UpperCase(a) == UpperCase(b);
}

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

std::string Describe(const Token& token) {
    return token.kind == TokenKind::End ? std::string("end of line")
                                        : fmt::format("`{}`", token.raw);
}

platform::Result<std::vector<Token>> TokenizeDirective(std::string_view line) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        std::size_t start = i;
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#')
            break;
        Token token;
        if (IsLetter(c)) {
            while (i < line.size() && (IsLetter(line[i]) || IsDigit(line[i])))
                ++i;
            token.kind = TokenKind::Word;
        } else if (IsDigit(c) || (c == '-' && i + 1 < line.size() && IsDigit(line[i + 1]))) {
            ++i;
            while (i < line.size() && IsDigit(line[i]))
                ++i;
            if (i + 1 < line.size() && line[i] == '.' && IsDigit(line[i + 1])) {
                ++i;
                while (i < line.size() && IsDigit(line[i]))
                    ++i;
            }
            if (i < line.size() && (line[i] == 'e' || line[i] == 'E')) {
                std::size_t exponent = i + 1;
                if (exponent < line.size() && (line[exponent] == '-' || line[exponent] == '+'))
                    ++exponent;
                if (exponent < line.size() && IsDigit(line[exponent])) {
                    i = exponent;
                    while (i < line.size() && IsDigit(line[i]))
                        ++i;
                }
            }
            token.kind = TokenKind::Number;
        } else if (c == '\'' || c == '"') {
            token.kind = TokenKind::Text;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                if (line[i] == c) {
                    if (i + 1 < line.size() && line[i + 1] == c) {
                        token.text += c;
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                token.text += line[i++];
            }
            if (!closed)
                return platform::Fail(fmt::format("the text starting at column {} has no "
                                                  "closing quote",
                                                  start + 1));
        } else if (c == '.' && i + 1 < line.size() && line[i + 1] == '.') {
            i += 2;
            token.kind = TokenKind::Punctuation;
        } else if (std::string_view(":;,()[]=").find(c) != std::string_view::npos) {
            ++i;
            token.kind = TokenKind::Punctuation;
        } else {
            return platform::Fail(
                fmt::format("unexpected character `{}` at column {}", c, start + 1));
        }
        token.raw = std::string(line.substr(start, i - start));
        if (token.kind != TokenKind::Text)
            token.text = token.raw;
        // A word glued to a number ("12ab") is not a number.
        if (token.kind == TokenKind::Number && i < line.size() && IsLetter(line[i]))
            return platform::Fail(fmt::format("malformed number at column {}", start + 1));
        tokens.push_back(std::move(token));
    }
    tokens.push_back(Token{});
    return tokens;
}

bool TokenReader::IsWord(std::string_view word) const {
    return Peek().kind == TokenKind::Word && EqualsIgnoringCase(Peek().text, word);
}

bool TokenReader::IsMark(std::string_view mark) const {
    return Peek().kind == TokenKind::Punctuation && Peek().text == mark;
}

bool TokenReader::AcceptWord(std::string_view word) {
    if (!IsWord(word))
        return false;
    Next();
    return true;
}

bool TokenReader::AcceptMark(std::string_view mark) {
    if (!IsMark(mark))
        return false;
    Next();
    return true;
}

} // namespace qruasm
