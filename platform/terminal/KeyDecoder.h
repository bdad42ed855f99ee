#pragma once
// Keys from the bytes a terminal sends. Whatever comes is taken as it is:
// an escape sequence the program does not use is consumed whole, so that
// none of its bytes passes for a key of its own.
#include <cstddef>
#include <string>
#include <string_view>

namespace terminal {

// One key from the start of what a terminal sent: the key ("a", "\n",
// "\x1b", "up", "down", or "" for a sequence the program does not use) and
// the bytes it took. An escape sequence is taken whole: CSI up to its final
// byte, SS3 with its one character, string sequences up to their
// terminator. Nothing (0 bytes) when the input may still be the beginning
// of a sequence and more may come (`more`); without more input an
// unfinished sequence is dropped whole, a lone ESC is the Esc key.
struct KeyToken {
  std::string key;
  size_t used = 0;
};
KeyToken ReadKey(std::string_view input, bool more);

// No key sends a longer sequence; one that grows beyond it is dropped.
constexpr size_t kMaxSequence = 256;

}  // namespace terminal
