#include "authoring/tune_words.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace tune {

double number(const std::string& word, int line, double low, double high, const char* what)
{
    char* end = nullptr;
    const double value = std::strtod(word.c_str(), &end);
    if (word.empty() || *end != '\0' || !std::isfinite(value)) fail(line, std::string(what) + ": '" + word + "' is not a number");
    if (value < low || value > high) {
        std::ostringstream range;
        range << what << " " << word << " is outside " << low << ".." << high;
        fail(line, range.str());
    }
    return value;
}

int integer(const std::string& word, int line, int low, int high, const char* what)
{
    const double value = number(word, line, low, high, what);
    if (value != std::floor(value)) fail(line, std::string(what) + ": '" + word + "' is not a whole number");
    return static_cast<int>(value);
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int hex(const std::string& digits)
{
    int value = 0;
    for (char c : digits) {
        if (hexDigit(c) < 0) return -1;
        value = value * 16 + hexDigit(c);
    }
    return digits.empty() ? -1 : value;
}

bool isName(const std::string& word)
{
    if (word.empty() || !std::isalpha(static_cast<unsigned char>(word[0]))) return false;
    return std::all_of(word.begin(), word.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

void needWords(const Line& line, size_t least, size_t most, const char* usage)
{
    if (line.words.size() < least || line.words.size() > most) fail(line.number, std::string("usage: ") + usage);
}

}  // namespace tune
