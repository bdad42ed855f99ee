// libFuzzer harness for the .reg reader: any bytes either parse or raise
// the reader's own error, never anything else (no crash, no other exception).
#include <cstddef>
#include <cstdint>
#include <string>

#include "registry/ErrObject.h"
#include "tools/vtrreg/RegFile.h"
#include "tools/vtrreg/RegFileWriter.h"
#include "tools/vtrreg/VtrRegError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  try {
    const RegFile file = RegFile::Parse(bytes, "fuzz.reg");
    // What was read must be writable back as text.
    for (const RegFile::Entry& entry : file.Entries()) {
      if (entry.kind == RegFile::EntryKind::Value) (void)RegFileWriter::FormatValue(entry.valueName, entry.type, entry.data);
    }
  } catch (const ErrObject& error) {
    if (error.Number != VtrRegError::RegSyntax) __builtin_trap();
  }
  return 0;
}
