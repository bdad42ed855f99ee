#pragma once
// The emulation's narrow code page, UTF-8, as Windows' wide functions see it.
#include <cstddef>
#include <string_view>

namespace emu {

// How many UTF-16 units the text becomes: one per character, two for one
// beyond U+FFFF, and one for each byte that is no part of a valid UTF-8
// sequence (Windows puts U+FFFD in its place).
size_t Utf16Units(std::string_view text);

}  // namespace emu
