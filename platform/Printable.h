#pragma once
// Text from the registry, a file or a dialog, made safe to print on a
// terminal: the one rule of the terminal front end and of vtrreg.
#include <string>
#include <string_view>

// A zero byte (the separator of a multistring) as \0; a tab, line feed and
// carriage return as \t, \n, \r; any other control character as \xHH, so
// that no escape sequence reaches the terminal. Where narrow text is UTF-8
// (systems without Windows) a character passes whole, while a byte that
// begins no valid character and the C1 controls (U+0080 to U+009F, which
// terminals obey as escapes) show as \xHH too; on Windows a byte above 0x7F
// is a character of the ANSI code page and passes.
std::string Printable(std::string_view text);
