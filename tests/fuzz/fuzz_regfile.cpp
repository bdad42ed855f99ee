// libFuzzer harness for the .reg reader: any bytes either parse or raise
// the reader's own error, never anything else (no crash, no other exception),
// and every value read, written back as text, reads again as the same value.
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
    for (const RegFile::Entry& entry : file.Entries()) {
      if (entry.kind != RegFile::EntryKind::Value) continue;
      const std::string text = RegFileWriter::FormatValue(entry.valueName, entry.type, entry.data);
      const RegFile again = RegFile::Parse("REGEDIT4\r\n[HKEY_USERS\\k]\r\n" + text, "again.reg");
      const RegFile::Entry& back = again.Entries().back();
      if (again.Entries().size() != 2 || back.valueName != entry.valueName || back.type != entry.type ||
          back.data != entry.data) {
        __builtin_trap();
      }
    }
  } catch (const ErrObject& error) {
    if (error.Number != VtrRegError::RegSyntax) __builtin_trap();
  }
  return 0;
}
