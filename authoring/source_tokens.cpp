#include "authoring/source_tokens.h"

#include <cctype>
#include <cstdio>

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool tokenizeLine(const std::string& line, std::vector<Token>& tokens, std::string& error, int& errorColumn,
                  size_t* commentAt)
{
    tokens.clear();
    if (commentAt) *commentAt = std::string::npos;
    size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '#') {
            if (commentAt) *commentAt = i;
            break;
        } else if (c == '"') {
            Token token;
            token.quoted = true;
            token.column = static_cast<int>(i) + 1;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                if (line[i] == '\\' && i + 1 < line.size()) {
                    const char e = line[i + 1];
                    if (e == 'x' && i + 3 < line.size() && hexDigit(line[i + 2]) >= 0 && hexDigit(line[i + 3]) >= 0) {
                        token.text += static_cast<char>(hexDigit(line[i + 2]) * 16 + hexDigit(line[i + 3]));
                        i += 4;
                        continue;
                    }
                    token.text += e == 'n' ? '\n' : e == 't' ? '\t' : e;
                    i += 2;
                } else if (line[i] == '"') {
                    closed = true;
                    ++i;
                    break;
                } else {
                    token.text += line[i++];
                }
            }
            if (!closed) {
                error = "a quoted text has no closing quote";
                errorColumn = token.column;
                return false;
            }
            tokens.push_back(token);
        } else {
            Token token;
            token.column = static_cast<int>(i) + 1;
            // A '#' inside a word is part of it (colour=#ff8000).
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
                token.text += line[i++];
            tokens.push_back(token);
        }
    }
    return true;
}

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (u < 0x20 || u == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", u);
            out += hex;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string withShortEchoes(const std::string& message)
{
    constexpr size_t MOST = 40;
    std::string out;
    size_t at = 0;
    while (at < message.size()) {
        const size_t open = message.find('\'', at);
        const size_t close = open == std::string::npos ? open : message.find('\'', open + 1);
        if (close == std::string::npos) break;
        const std::string word = message.substr(open + 1, close - open - 1);
        out += message.substr(at, open + 1 - at);
        if (word.size() > MOST && word.find(' ') == std::string::npos)
            out += word.substr(0, MOST) + "... (" + std::to_string(word.size()) + " characters)";
        else
            out += word;
        out += '\'';
        at = close + 1;
    }
    return out + message.substr(at);
}
