#pragma once
// Text functions whose result depends on the platform's character set.
#include <string>

// The text in lower case, as the platform lowers narrow text: on Windows by
// the ANSI code page (CharLowerBuffA); elsewhere, where narrow text is
// UTF-8, the ASCII letters and the accented Latin-1 capitals.
std::string LCase(std::string text);
