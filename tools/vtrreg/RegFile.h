#pragma once
// RegFile: a .reg file, the registry editor's text format, read whole and
// checked before anything is written (RegFileParser reads it), and then
// written to the registry in file order. RegFileWriter writes the format.
//
// The registry class knows four value kinds and writes only those; a .reg
// file carries every registry type (REG_EXPAND_SZ, REG_NONE, REG_QWORD ...),
// so import and export make their typed reads and writes with the registry
// functions themselves, through RegKey handles.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/modAPI.h"

class RegFile {
 public:
  enum class EntryKind { Key, DeleteKey, Value, DeleteValue };

  // One step of an import, in file order.
  struct Entry {
    EntryKind kind = EntryKind::Key;
    int line = 0;            // the line of the file it comes from
    HKEY root = nullptr;
    std::string keyPath;     // the section's full path as the file writes it
    std::string subKey;      // below the root, as the registry functions take it
    std::string valueName;   // "" for the key's default value
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
  };

  struct ImportCounts {
    int keys = 0;       // [KEY] sections
    int values = 0;     // values written
    int deletions = 0;  // [-KEY] and "name"=- entries
  };

  static constexpr const char* HeaderVersion4 = "REGEDIT4";
  static constexpr const char* HeaderVersion5 = "Windows Registry Editor Version 5.00";

  // Reads the text of a .reg file (its bytes as stored). Throws ErrObject:
  // a syntax error names fileName and the line.
  static RegFile Parse(const std::string& bytes, const std::string& fileName);
  // The largest .reg file that Load reads (64 MiB).
  static constexpr uint64_t MaxFileSize = 64ull * 1024 * 1024;
  // Reads and parses a regular file of at most MaxFileSize bytes; a file
  // that cannot be read (or is no regular file, or a larger one) throws too.
  static RegFile Load(const std::string& fileName);

  const std::vector<Entry>& Entries() const { return entries_; }
  // Lines the registry editor reads as no entry and that are left out too,
  // one note each, naming the file and the line.
  const std::vector<std::string>& Notes() const { return notes_; }
  bool IsVersion5() const { return version5_; }

  // Writes the entries to the registry in file order. Before the first
  // write it checks that every key the file writes to or deletes lets it;
  // then it stops at the first registry call that fails (throws ErrObject
  // naming the line and how many entries were written before it).
  ImportCounts Import() const;

 private:
  void CheckAccess() const;

  std::string file_;
  bool version5_ = false;
  std::vector<Entry> entries_;
  std::vector<std::string> notes_;
};
