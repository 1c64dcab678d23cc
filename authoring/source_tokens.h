// The words of one line of a project source, with the column each starts at,
// and quoting for writing names back.
#pragma once
#include <string>
#include <vector>

struct Token {
    std::string text;
    bool quoted = false;
    int column = 1;  // of the word's first character, from 1
};

// Splits a line at blanks up to a word that starts with '#' (a comment). "..." is one word with
// \" \\ \n \t and \xNN escapes. False with the reason and its column.
// `commentAt`, when given, receives the offset of the comment's '#' or npos.
bool tokenizeLine(const std::string& line, std::vector<Token>& tokens, std::string& error, int& errorColumn,
                  size_t* commentAt = nullptr);

// A text as a quoted word that reads back byte for byte.
std::string quoted(const std::string& text);

// A message with each word it echoes in single quotes cut to a sensible
// length: a word of a source can be a whole file pasted by mistake. Only
// quoted runs without a space are cut, so an apostrophe is never taken for
// a quote.
std::string withShortEchoes(const std::string& message);
