// The words of a tune source line, and the errors that name its line.
#pragma once
#include <string>
#include <vector>

namespace tune {

struct SourceError {
    int line;
    std::string message;
};

[[noreturn]] inline void fail(int line, const std::string& message) { throw SourceError{line, message}; }

using Words = std::vector<std::string>;

struct Line {
    int number;
    Words words;
};

// A number within [low, high]; otherwise an error naming `what`.
double number(const std::string& word, int line, double low, double high, const char* what);
int integer(const std::string& word, int line, int low, int high, const char* what);
// The value of a hex digit or digits, -1 when there is none.
int hexDigit(char c);
int hex(const std::string& digits);
// A letter, then letters, digits or underscores.
bool isName(const std::string& word);
void needWords(const Line& line, size_t least, size_t most, const char* usage);

}  // namespace tune
