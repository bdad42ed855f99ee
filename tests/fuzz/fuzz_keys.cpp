// libFuzzer harness for the terminal's key decoder: whatever a terminal (or
// anything posing as one) sends is used up key by key, every key is one the
// program knows, and a key once decided stays decided when more bytes come.
// The first byte of the input chooses where "more bytes" begin.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/terminal/KeyDecoder.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

bool Same(const terminal::KeyToken& a, const terminal::KeyToken& b) { return a.key == b.key && a.used == b.used; }

// A key the program can be given: one byte from the input ("\r" as "\n"),
// Esc, a cursor key, or none.
void CheckToken(std::string_view input, const terminal::KeyToken& token) {
  Check(token.used <= input.size());
  if (token.key.empty() || token.key == "up" || token.key == "down") return;
  Check(token.key.size() == 1 && token.used == 1);
  Check(token.key[0] == input[0] || (token.key == "\n" && input[0] == '\r'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);

  // At the end of input every byte is taken, a key at a time.
  for (std::string_view rest = input; !rest.empty();) {
    const terminal::KeyToken token = terminal::ReadKey(rest, false);
    CheckToken(rest, token);
    Check(token.used > 0);
    rest.remove_prefix(token.used);
  }

  // What is decided on the first bytes does not change with the rest; only
  // a sequence too long to wait for is cut where it stands.
  const std::string_view first = input.substr(0, data[0]);
  const terminal::KeyToken early = terminal::ReadKey(first, true);
  CheckToken(first, early);
  if (early.used > 0 && early.used < terminal::kMaxSequence) {
    Check(Same(early, terminal::ReadKey(first, false)));
    Check(Same(early, terminal::ReadKey(input, true)));
    Check(Same(early, terminal::ReadKey(input, false)));
  }
  return 0;
}
