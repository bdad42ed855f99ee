#pragma once
// Reading the registry editor's text format: "REGEDIT4" files (ANSI) and
// "Windows Registry Editor Version 5.00" files (UTF-16LE with a byte-order
// mark), with [KEY] and [-KEY] sections, "name"= and @= values in the
// string, dword:, hex: and hex(N): forms, "\" line continuations and
// "name"=- deletions. It reads what the registry editor reads (comments,
// blank lines, any line ends, text in hex given its final zero), but the
// whole text is checked first: where the editor would skip a line it cannot
// read, this throws ErrObject (RegSyntax) naming the file and line.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/vtrreg/RegFile.h"

class RegFileParser {
 public:
  // `bytes` are the file as stored; `file` names it in errors.
  RegFileParser(std::string file, const std::string& bytes);

  // The file's entries, in file order.
  std::vector<RegFile::Entry> Run();
  bool Version5() const { return version5_; }
  // Lines read as the registry editor reads them but left out of the
  // entries, one note each (file, line, why).
  const std::vector<std::string>& Notes() const { return notes_; }

 private:
  enum class Section { None, Key, Deleted };

  [[noreturn]] void Fail(const std::string& what) const;
  // Text of a version 5 file in the narrow code page.
  std::string Narrow(const std::string& text) const;
  static bool IsCommentLine(std::string_view line);
  static bool IsByteListLine(std::string_view text);
  void ReadHeader();
  void ReadKeyLine(std::string_view text);
  void CheckKeyNames(std::string_view path, std::string_view subKey) const;
  std::string ReadQuoted(std::string_view text, size_t& pos, const char* what) const;
  void ReadValueLine(std::string_view text);
  void ReadValueData(std::string_view data, RegFile::Entry& entry, const std::string& shownName);
  void ReadHexValue(std::string_view data, RegFile::Entry& entry, const std::string& shownName);
  void CheckDataEnd(std::string_view rest, const std::string& shownName) const;
  std::optional<std::string_view> NextDataLine(const std::string& shownName);
  std::vector<uint8_t> ReadByteList(std::string_view rest, const std::string& shownName);
  std::vector<uint8_t> NarrowStringBytes(const std::vector<uint8_t>& utf16, const std::string& shownName) const;

  std::string file_;
  std::vector<std::string> lines_;
  bool unicodeText_ = false;  // UTF-16LE, held as UTF-8 while parsed
  bool version5_ = false;
  size_t line_ = 0;
  Section section_ = Section::None;
  size_t sectionIndex_ = 0;  // the entry of the current section's key line
  // The last value, when its hex list ended in a comma without "\\" and only
  // blank, comment and skipped lines have come since.
  struct OpenList {
    std::string name;  // as errors show it
    size_t line = 0;   // from 1
  };
  std::optional<OpenList> openList_;
  std::vector<RegFile::Entry> entries_;
  std::vector<std::string> notes_;
};
