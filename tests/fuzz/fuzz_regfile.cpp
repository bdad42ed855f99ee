// libFuzzer harness for the .reg reader: any bytes either parse or raise
// the reader's own error, never anything else (no crash, no other exception).
#include <cstddef>
#include <cstdint>
#include <string>

#include "registry/ErrObject.h"
#include "tools/vtrreg/VtrRegError.h"
#include "tools/vtrreg/clsRegFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  try {
    const clsRegFile file = clsRegFile::Parse(bytes, "fuzz.reg");
    // What was read must be writable back as text.
    for (const clsRegFile::Entry& entry : file.Entries()) {
      if (entry.kind == clsRegFile::EntryKind::Value) (void)clsRegFile::FormatValue(entry.strValueName, entry.lngType, entry.bytData);
    }
  } catch (const ErrObject& error) {
    if (error.Number != VtrRegError::RegSyntax) __builtin_trap();
  }
  return 0;
}
