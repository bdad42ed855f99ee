#pragma once
// Writing the registry editor's text format: "REGEDIT4" text of a key and
// everything below it, with the full path and the registry's own spelling
// of every name, values as the registry editor writes them. The keys and
// values are read through the registry functions, every type as it is.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/modAPI.h"

namespace RegFileWriter {

// The REGEDIT4 text of the key at `path` (an absolute path in the registry
// class's syntax, in any case) and of every key below it. Throws ErrObject.
std::string Export(const std::string& path);

// One value as a line (or lines) of the REGEDIT4 format.
std::string FormatValue(const std::string& name, DWORD type, const std::vector<uint8_t>& data);

// Writes the whole file or nothing: a failed write leaves an older file as
// it was. Throws ErrObject (FileWrite).
void SaveText(const std::string& file, const std::string& text);

}  // namespace RegFileWriter
