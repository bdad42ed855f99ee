#pragma once
// Hexadecimal, the program's one codec: the digits of a number, and their
// values back.
#include <cstdint>
#include <string>
#include <string_view>

// The value of one hex digit (either case), or -1 for any other character.
int HexDigitValue(char c);

// `value` in hex, upper case (or lower), padded with zeros to `minDigits`.
void AppendHex(std::string& out, uint32_t value, size_t minDigits, bool lower = false);

// 1 to 8 hex digits as a 32-bit number; false for anything else.
bool ParseHex32(std::string_view digits, uint32_t& number);
