#pragma once
// How a vtrreg command line is split into words.
//
// Command lines are words separated by blanks. "Double" or 'single' quotes
// keep blanks in a word (a quote doubled inside its quotes stands for
// itself); backslash is an ordinary character, as registry paths are full of
// them.
#include <string>
#include <vector>

// A command line split into words; an unclosed quote throws ErrObject.
std::vector<std::string> SplitWords(const std::string& line);
