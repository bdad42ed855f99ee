#pragma once
// The program's text functions.
#include <optional>
#include <string>

// The text without its leading and trailing blanks (spaces only).
std::string Trim(const std::string& text);

// The text with its ASCII letters in upper case and every other byte as it
// is, so that a registry path is stored the same whatever the locale.
std::string UCaseAscii(std::string text);

// The text in lower case, as the platform lowers narrow text: on Windows by
// the ANSI code page (CharLowerBuffA); elsewhere, where narrow text is
// UTF-8, the ASCII letters and the accented Latin-1 capitals.
std::string LCase(std::string text);

// One argument of a Windows command line that a program's argument rules
// (CommandLineToArgvW, the C runtime) give back as exactly `text`: in double
// quotes, with the backslashes before the closing quote doubled. Nothing
// for a text that holds a double quote: no file name does, and the quote
// would end the argument early and begin others.
std::optional<std::string> QuotedArgument(const std::string& text);
