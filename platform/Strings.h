#pragma once
// The program's text functions.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Trimming, the program's one copy. Registry paths and texts drop spaces
// only; the .reg reader and the recent-file count drop tabs as well.
// The text without its leading and trailing spaces.
std::string Trim(const std::string& text);
// The text without its trailing spaces.
std::string_view TrimSpacesRight(std::string_view text);
// The text without its leading, its trailing, or both, blanks (spaces and
// tabs; line ends are no blanks).
std::string_view TrimBlanksLeft(std::string_view text);
std::string_view TrimBlanksRight(std::string_view text);
std::string_view TrimBlanks(std::string_view text);

// The text with its ASCII letters in upper case and every other byte as it
// is, so that a registry path is stored the same whatever the locale.
std::string UCaseAscii(std::string text);

// ASCII case folding, the program's one copy: letters A to Z and a to z,
// every other byte as it is (registry and file names compare this way,
// whatever the locale).
inline char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
std::string LCaseAscii(std::string text);
bool EqualsAsciiNoCase(std::string_view a, std::string_view b);
bool StartsWithAsciiNoCase(std::string_view text, std::string_view prefix);

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

// A text handed back as Windows hands text back (GetWindowsDirectoryA):
// copied with its terminating zero into a buffer of `size` characters, and
// its length answered; when it does not fit, nothing copied and the size it
// needs (with the zero) answered.
uint32_t CopyOutText(std::string_view text, char* buffer, uint32_t size);

// The length of the valid UTF-8 character at text[i] (no overlong forms, no
// surrogates, nothing above U+10FFFF), or 0 when the bytes there are none.
size_t Utf8SequenceLength(std::string_view text, size_t i);
