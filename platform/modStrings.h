#pragma once
// The program's text functions.
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
