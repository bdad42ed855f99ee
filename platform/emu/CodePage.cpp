#include "platform/emu/CodePage.h"

#include "platform/Strings.h"

namespace emu {

size_t Utf16Units(std::string_view text) {
  size_t units = 0;
  for (size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++units;
      ++i;
      continue;
    }
    const size_t length = Utf8SequenceLength(text, i);
    units += length == 4 ? 2 : 1;
    i += length == 0 ? 1 : length;
  }
  return units;
}

}  // namespace emu
