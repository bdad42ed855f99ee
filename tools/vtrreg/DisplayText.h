#pragma once
// Registry text and values as the console shows them on a terminal.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Columns a text takes on the terminal: one a byte in the ANSI code page,
// one a character in UTF-8, the narrow text of systems without Windows.
size_t DisplayWidth(const std::string& text);
// The text with blanks after it up to `width` columns.
std::string PadRight(const std::string& text, size_t width);

// The registry class's name of a value kind ("DWord"); "?" for another code.
std::string KindName(int32_t kind);
// DirValue's kind row ("0", "1", "2", or "" for a value without data) with
// the kind's name after the code.
std::string KindColumn(const std::string& code);

// "00 0A FF".
std::string HexBytes(const std::vector<uint8_t>& bytes);
