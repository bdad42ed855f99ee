#include "tools/vtrreg/RegFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/RegKey.h"
#include "platform/RegPath.h"
#include "platform/RegValue.h"
#include "tools/vtrreg/RegFileParser.h"
#include "tools/vtrreg/RegTree.h"
#include "tools/vtrreg/VtrRegError.h"

namespace {

using Entry = RegFile::Entry;
using EntryKind = RegFile::EntryKind;
using VtrRegError::Quoted;
using VtrRegError::RegistryFailure;

// Whether values can be written in a key, or, when it does not exist yet,
// whether its nearest existing parent lets keys be made.
LONG CheckWritable(HKEY root, std::string subKey) {
  RegKey key;
  LONG result = key.Open(root, subKey, KEY_SET_VALUE);
  while (result == ERROR_FILE_NOT_FOUND && !subKey.empty()) {
    subKey = std::string(ParentPath(subKey));
    result = key.Open(root, subKey, KEY_CREATE_SUB_KEY);
  }
  return result;
}

// One entry written to the registry; `key` is the current section's key,
// opened by its key line and used by the value lines after it.
void ApplyEntry(const Entry& entry, RegKey& key, RegFile::ImportCounts& counts, const std::string& where) {
  LONG result = ERROR_SUCCESS;
  switch (entry.kind) {
    case EntryKind::Key:
      // Creating "" would hand back the root itself; opening it says the
      // same without asking for a key to be made.
      result = entry.subKey.empty() ? key.Open(entry.root, entry.subKey, KEY_SET_VALUE)
                                    : key.Create(entry.root, entry.subKey, KEY_SET_VALUE);
      if (result != ERROR_SUCCESS) RegistryFailure(VtrRegError::ImportSource, where, "RegCreateKeyExA", result);
      ++counts.keys;
      break;
    case EntryKind::DeleteKey:
      key.Close();
      result = RegTree::DeleteTree(entry.root, entry.subKey);
      if (result != ERROR_SUCCESS) RegistryFailure(VtrRegError::ImportSource, where, "RegDeleteKeyA", result);
      ++counts.deletions;
      break;
    case EntryKind::Value:
      result = RegSetValueBytes(key.Handle(), entry.valueName.c_str(), entry.type, entry.data.data(),
                                static_cast<DWORD>(entry.data.size()));
      if (result != ERROR_SUCCESS) RegistryFailure(VtrRegError::ImportSource, where, "RegSetValueExA", result);
      ++counts.values;
      break;
    case EntryKind::DeleteValue:
      result = RegDeleteValueA(key.Handle(), entry.valueName.c_str());
      if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
        RegistryFailure(VtrRegError::ImportSource, where, "RegDeleteValueA", result);
      }
      ++counts.deletions;
      break;
  }
}

}  // namespace

RegFile RegFile::Parse(const std::string& bytes, const std::string& fileName) {
  RegFileParser parser(fileName, bytes);
  RegFile file;
  file.file_ = fileName;
  file.entries_ = parser.Run();
  file.version5_ = parser.Version5();
  file.notes_ = parser.Notes();
  return file;
}

RegFile RegFile::Load(const std::string& fileName) {
  const auto refuse = [&](const std::string& why) {
    return VtrRegError::Make(VtrRegError::FileRead, VtrRegError::ImportSource, "cannot read " + Quoted(fileName) + ": " + why);
  };
  // Only a file of a bounded size: a device or a pipe could be endless.
  std::error_code error;
  const auto status = std::filesystem::status(fileName, error);
  if (error) throw refuse(error.message());
  if (!std::filesystem::is_regular_file(status)) throw refuse("not a regular file");
  const auto size = std::filesystem::file_size(fileName, error);
  if (error) throw refuse(error.message());
  if (size > MaxFileSize) {
    throw refuse("larger than " + std::to_string(MaxFileSize / (1024 * 1024)) + " MiB, the most a .reg file may hold");
  }
  std::ifstream stream(fileName, std::ios::binary);
  if (!stream) {
    throw VtrRegError::Make(VtrRegError::FileRead, VtrRegError::ImportSource,
                            "cannot open " + Quoted(fileName) + ": " + std::strerror(errno));
  }
  // No more than the limit even if the file grows meanwhile.
  std::string bytes(static_cast<size_t>(size) + 1, '\0');
  stream.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (stream.bad()) throw refuse("a read failed");
  bytes.resize(static_cast<size_t>(stream.gcount()));
  if (bytes.size() > MaxFileSize) throw refuse("it grew while it was read");
  return Parse(bytes, fileName);
}

// Before the first write: every key that the file writes to or deletes
// must let it, so that the registry's access rules do not stop the file
// half-way (as they would for a user without the right to HKEY_LOCAL_MACHINE).
void RegFile::CheckAccess() const {
  for (const Entry& entry : entries_) {
    const std::string where = file_ + ", line " + std::to_string(entry.line) + " [" + entry.keyPath +
                              "] (nothing was written)";
    if (entry.kind == EntryKind::Key) {
      const LONG result = CheckWritable(entry.root, entry.subKey);
      if (result != ERROR_SUCCESS) RegistryFailure(VtrRegError::ImportSource, where, "RegOpenKeyExA", result);
    } else if (entry.kind == EntryKind::DeleteKey) {
      RegKey key;
      const LONG result = key.Open(entry.root, entry.subKey, DELETE | KEY_ENUMERATE_SUB_KEYS);
      if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
        RegistryFailure(VtrRegError::ImportSource, where, "RegOpenKeyExA", result);
      }
    }
  }
}

RegFile::ImportCounts RegFile::Import() const {
  CheckAccess();
  ImportCounts counts;
  RegKey key;
  size_t done = 0;
  for (const Entry& entry : entries_) {
    const std::string where = file_ + ", line " + std::to_string(entry.line) + " [" + entry.keyPath + "]" +
                              (done == 0 ? "" : " (" + std::to_string(done) + " entries before it were written)");
    ApplyEntry(entry, key, counts, where);
    ++done;
  }
  return counts;
}
