#pragma once
// UTF-16 text of version 5 .reg files. The registry functions take the
// narrow (ANSI) code page: Windows' own on Windows, UTF-8 elsewhere. Text
// that the narrow code page cannot hold is refused rather than replaced by "?".
#include <cstddef>
#include <cstdint>
#include <string>

// The units of `count` bytes of little-endian UTF-16 (an odd last byte is left out).
std::u16string Utf16FromLittleEndian(const uint8_t* bytes, size_t count);

// False on a surrogate without its partner, whose index goes to *badIndex.
bool Utf16ToUtf8(const std::u16string& text, std::string& out, size_t* badIndex = nullptr);

// The text in the narrow code page; false when it is not valid UTF-16 (or
// UTF-8) or the code page cannot hold it.
bool NarrowFromUtf16(const std::u16string& text, std::string& narrow);
bool NarrowFromUtf8(const std::string& text, std::string& narrow);
