// vtrreg's .reg reader/writer and its command interpreter, on the emulated
// registry natively and on Wine's registry under wine64.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/Hex.h"
#include "tests/RawRegistry.h"
#include "tests/RegistryTestSupport.h"
#include "platform/RegKey.h"
#include "tools/vtrreg/RegConsole.h"
#include "tools/vtrreg/RegFile.h"
#include "tools/vtrreg/RegFileWriter.h"
#include "tools/vtrreg/RegTree.h"
#include "tools/vtrreg/Utf16Text.h"
#include "tools/vtrreg/VtrRegError.h"

namespace {

using Bytes = std::vector<uint8_t>;

const std::string kSub = "Software\\VtrRegTest";
const std::string kPath = "\\HKEY_CURRENT_USER\\Software\\VtrRegTest";
const std::string kFixtureSub = "Software\\VtrReg Fixture";

Bytes B(const std::string& text) { return Bytes(text.begin(), text.end()); }
std::string Hex(const std::string& bytes) {
  std::string hex;
  for (char c : bytes) AppendHex(hex, static_cast<uint8_t>(c), 2, true);
  return hex;
}

// The registry as it stands, read and written without vtrreg's own classes.
void WriteRaw(const std::string& subKey, const std::string& name, DWORD type, const Bytes& data) {
  rawreg::SetValue(HKEY_CURRENT_USER, subKey, name, type, data);
}
bool KeyExists(const std::string& subKey) { return rawreg::KeyExists(HKEY_CURRENT_USER, subKey); }

// The UTF-16LE bytes, with the byte-order mark, of an ASCII text.
std::string Utf16File(const std::string& ascii) {
  std::string bytes = "\xFF\xFE";
  for (char c : ascii) bytes += std::string{c, '\0'};
  return bytes;
}

// A file of this run alone in the temporary folder: builds may run their
// tests at the same time.
std::string TempFile(const std::string& name) {
  static const std::string run = std::to_string(std::random_device{}());
  return (std::filesystem::temp_directory_path() / (run + "-" + name)).string();
}

// Every value below `sub` (its own under "."), as "key name type bytes", sorted.
std::vector<std::string> ValuesBelow(const std::string& sub, const std::string& key = ".") {
  std::vector<std::string> lines;
  RegKey handle;
  handle.Open(HKEY_CURRENT_USER, sub, KEY_QUERY_VALUE);
  char name[64];
  BYTE data[128];
  for (DWORD i = 0, length = sizeof name, type = 0, size = sizeof data;
       RegEnumValueA(handle.Handle(), i, name, &length, nullptr, &type, data, &size) == ERROR_SUCCESS;
       ++i, length = sizeof name, size = sizeof data) {
    lines.push_back(key + " " + name + " " + std::to_string(type) + " " + Hex(std::string(data, data + size)));
  }
  for (const std::string& child : rawreg::SubKeys(HKEY_CURRENT_USER, sub)) {
    const auto below = ValuesBelow(sub + "\\" + child, key == "." ? child : key + "\\" + child);
    lines.insert(lines.end(), below.begin(), below.end());
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

class VtrRegTest : public ::testing::Test {
 protected:
  void SetUp() override { TearDown(); }
  void TearDown() override {
    DeleteRegistryTree(HKEY_CURRENT_USER, kSub);
    DeleteRegistryTree(HKEY_CURRENT_USER, kFixtureSub);
  }
};

// Each case that begins with "H" is read as REGEDIT4 and as UTF-16 version 5.00.
TEST(RegFileParse, ASyntaxErrorNamesItsLine) {
  const std::string head = "H\n\n[HKEY_CURRENT_USER\\Software\\T]\n";
  const std::string five = "Windows Registry Editor Version 5.00\r\n[HKEY_USERS\\X]\r\n";
  std::string deepest = "HKEY_USERS";  // keys go 512 levels below their root, no deeper
  for (int level = 0; level < 512; ++level) deepest += "\\k";
  EXPECT_EQ(RegFile::Parse("REGEDIT4\n[" + deepest + "]\n", "t.reg").Entries().size(), 1u);
  const struct {
    std::string text;
    int line;
    std::string words;
  } cases[] = {
      {"", 1, "not a registry file"},
      {"REGEDIT4\n\"a\"=\"b\"\n", 2, "before the first key"},
      {"REGEDIT4\n[HKEY_NOWHERE\\X]\n", 2, "unknown root"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\X\n", 2, "must end with"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\X\\\\Y]\n", 2, "empty key name"},
      {"REGEDIT4\n[-HKEY_CURRENT_USER\\]\n", 2, "root key cannot be deleted"},
      {"REGEDIT4\n[\\HKEY_CURRENT_USER\\X]\n", 2, "unknown root key \"\""},
      {"REGEDIT4\n[]\n", 2, "unknown root key \"\""},
      {"REGEDIT4\n[-HKEY_CURRENT_USER\\X]\n\"a\"=\"b\"\n", 3, "deletion"},
      {"REGEDIT4\n[" + deepest + "\\k]\n", 2, "a key more than 512 levels below its root"},
      {head + "\"a\"=\"C:\\Temp\"\n", 4, "unknown escape"},
      {head + "\"a\"=\"open\n", 4, "closing quote"},
      {head + "\"a\"=\"x\" trailing\n", 4, "text after the data"},
      {head + "\"a\"=dword:1 #c\n", 4, "text after the data"},
      {head + "\"a\" \"b\"\n", 4, "\"=\" expected"},
      {head + "\"a\"=\n", 4, "no data"},
      {head + "\"a\"=dword:123456789\n", 4, "dword:"},
      {head + "\"a\"=hex:00,1g\n", 4, "not a byte"},
      {head + "\"a\"=hex:00,,01\n", 4, "empty byte"},
      {head + "\"a\"=hex(z):00\n", 4, "hex(N):"},
      {head + "\"a\"=hex:100\n", 4, "not a byte"},
      {head + "\"a\"=str:\"x\"\n", 4, "unknown data"},
      // Continued lists the registry editor drops: a line that is no data,
      // a "#" line, "\" not after a comma or before more than a comment.
      {head + "\"a\"=hex:01,\\\n,02\n", 5, "does not begin with a byte"},
      {head + "\"a\"=hex:01,\\\n  #c\n  02\n", 5, "a \"#\" comment inside the continued data"},
      {head + "\"a\"=hex:01,\\\n02,\\\n#c\n  03\n\"b\"=\"x\"\n", 6, "a \"#\" comment inside the continued data"},
      // Bytes after a list that ended without a comma, or no bytes after one that did.
      {head + "\"a\"=hex:01\n  02\n", 5, "neither a key line"},
      {head + "\"a\"=hex:01,\n  02 03\n", 5, "neither a key line"},
      {head + "\"a\"=hex:01,02,\\\n\n\"b\"=\"x\"\n", 6, "does not begin with a byte"},
      {head + "\"a\"=hex:01\\\n02\n", 4, "must follow a comma"},
      {head + "\"a\"=hex:01,\\#c\n02\n", 4, "text after the data"},
      {"REGEDIT4\r[HKEY_USERS\\X]\r\r\"a\"=hex:zz\r", 4, "not a byte"},
      {head + "garbage\n", 4, "neither a key line"},
      // Names the registry cannot hold: a zero byte would cut the name where
      // the registry functions read it.
      {head + std::string("\"a\0b\"=\"x\"\n", 10), 4, "a value name holding a zero byte"},
      {head + "\"" + std::string(16384, 'n') + "\"=\"x\"\n", 4, "a value name longer than 16383 characters"},
      {std::string("REGEDIT4\n[HKEY_USERS\\a") + '\0' + "b]\n", 2, "a key name holding a zero byte"},
      // Version 5: hex(2) text must be whole UTF-16 units, and the file valid
      // and whole UTF-16 (an odd last byte is refused, not dropped).
      {Utf16File(five + "\"a\"=hex(2):41,00,42\r\n"), 3, ""},
      {Utf16File(five + "\"a\"=\"") + std::string("\x00\xD8", 2) + Utf16File("\"\r\n").substr(2), 3,
       "not valid UTF-16"},
      {Utf16File(five + "\"a\"=\"b\"") + "\n", 3, "not UTF-16 text"},
  };
  for (const auto& c : cases) {
    const bool both = c.text.rfind("H\n", 0) == 0;
    for (const std::string& text : both ? std::vector<std::string>{"REGEDIT4" + c.text.substr(1),
                                                                   Utf16File(RegFile::HeaderVersion5 + c.text.substr(1))}
                                        : std::vector<std::string>{c.text}) {
      const ErrObject error = ErrorOf([&] { RegFile::Parse(text, "t.reg"); });
      EXPECT_EQ(std::pair(error.Number, error.Source),
                std::pair(VtrRegError::RegSyntax, std::string(VtrRegError::ImportSource)))
          << "no error for:\n" << c.text.substr(0, 200);
      const std::string where = "t.reg, line " + std::to_string(c.line) + ":";
      EXPECT_TRUE(error.Description.find(where) != std::string::npos &&
                  error.Description.find(c.words) != std::string::npos)
          << error.Description;
    }
  }
}

// Only a regular file of bounded size is read. A save goes through a
// temporary file beside the file, which never stays behind: here one that
// fails (the temporary is written, but cannot replace a folder of that name);
// one that works is vtrreg's command-line export.
TEST(RegFileIo, OnlyARegularFileOfBoundedSizeIsReadAndAFailedSaveLeavesNoTemporary) {
  const std::string folder = TempFile("folder.reg"), huge = TempFile("huge.reg");
  std::filesystem::create_directories(folder + "/inside");
  EXPECT_THROW(RegFileWriter::SaveText(folder, "text"), ErrObject);
  EXPECT_FALSE(std::filesystem::exists(folder + ".tmp"));
  std::ofstream(huge, std::ios::binary) << "REGEDIT4\r\n";
  std::filesystem::resize_file(huge, RegFile::MaxFileSize);  // sparse: nothing is written
  EXPECT_NE(ErrorOf([&] { RegFile::Load(huge); }).Number, VtrRegError::FileRead) << "the largest file is read";
  std::filesystem::resize_file(huge, RegFile::MaxFileSize + 1);
  for (const auto& [path, words] : {std::pair(folder, "not a regular file"), std::pair(huge, "larger than 64 MiB")}) {
    const ErrObject error = ErrorOf([&file = path] { RegFile::Load(file); });  // a binding clang 14 can't capture
    EXPECT_EQ(error.Number, VtrRegError::FileRead);
    EXPECT_NE(error.Description.find(words), std::string::npos) << error.Description;
    std::filesystem::remove_all(path);
  }
}

TEST(Utf16Text, CharactersOfEveryLengthConvertToUtf8AndLoneSurrogatesAreRefused) {
  constexpr size_t kWhole = std::string::npos;
  const struct {
    std::u16string wide;
    std::string utf8;  // up to a lone surrogate
    size_t bad;
  } cases[] = {
      {u"\u007F\u0080\u07FF\u0800", "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80", kWhole},
      {u"\uD7FF\uE000\uFFFF", "\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF", kWhole},
      {u"\U00010000\U0010FFFF", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", kWhole},
      {u"a\xD800", "a", 1},
      {u"ab\xDC00\xD800", "ab", 2},
      {u"\xD800\xD800\xDC00x", "", 0},
  };
  for (const auto& c : cases) {
    std::string out = "stale";
    size_t bad = kWhole;
    const bool whole = Utf16ToUtf8(c.wide, out, &bad);
    EXPECT_EQ(std::tuple(whole, out, bad), std::tuple(c.bad == kWhole, c.utf8, c.bad));
  }
}

// Each value as Wine's registry editor wrote it; its long hex list as the
// writer wraps it too (the bytes are the same in both versions of the format,
// and so must the lines be).
TEST_F(VtrRegTest, ImportsAFileWrittenByWinesRegistryEditorAndWrapsLongListsAsItDoes) {
  const RegFile file = RegFile::Load(VTR_TEST_DATA_DIR "/wine_regedit_export.reg");
  EXPECT_TRUE(file.IsVersion5());
  const RegFile::ImportCounts counts = file.Import();
  EXPECT_EQ(std::pair(counts.keys, counts.values), std::pair(4, 19));
  // "Café" reaches the registry in the narrow code page: UTF-8 here, the
  // ANSI code page on Windows.
#ifdef _WIN32
  char cafe[8] = {0};
  WideCharToMultiByte(CP_ACP, 0, L"Caf\u00e9", 4, cafe, sizeof cafe, nullptr, nullptr);
#else
  const char* cafe = "Caf\xC3\xA9";
#endif
  std::string longBlob;
  for (int i = 0; i < 100; ++i) longBlob += static_cast<char>(i);
  EXPECT_EQ(ValuesBelow(kFixtureSub),
            (std::vector<std::string>{
                ".  1 44656661756c74207465787400",  // "Default text"
                ". Accent 1 " + Hex(std::string(cafe) + '\0'),
                ". Big 11 f0debc9a78563412",
                ". Blob 3 000aff",
                ". Count 4 ff000000",
                ". Dir\\Name 1 6261636b736c61736820696e20746865206e616d6500",
                ". Empty 1 00",
                ". List 7 6f6e650074776f20776f7264730074687265650000",
                ". LongBlob 3 " + Hex(longBlob),
                ". Max 4 ffffffff",
                ". Nothing 0 0000",
                ". Path 2 2553797374656d526f6f74255c76747200",
                ". Quote 1 736179205c2268695c2200",  // say \"hi\"
                ". Text 1 433a5c50726f6772616d2046696c65735c56616e746f72656c5c5674722e65786500",
                ". Two Words 1 7370616365642076616c756500",
                "CamelKey Flag 4 01000000",
                "Recent File1 1 433a5c446f63735c612e76747200",
                "Recent MaxFile 1 3500",
                "Recent\\Deeper  1 00",
            }));
  const std::string fixture = FileText(VTR_TEST_DATA_DIR "/wine_regedit_export.reg");
  std::string text;
  for (size_t i = 2; i + 1 < fixture.size(); i += 2) text += fixture[i];  // ASCII of the UTF-16LE text
  const size_t start = text.find("\"LongBlob\"=");
  ASSERT_NE(start, std::string::npos);
  EXPECT_EQ(RegFileWriter::FormatValue("LongBlob", REG_BINARY, B(longBlob)),
            text.substr(start, text.find("\"Max\"", start) - start));
}

// Files the registry editor imports whole, each with every value it leaves
// (type 1 text, 2 expandable, 3 binary, 4 dword, 7 multistring), from the
// editor's documented and observed behaviour. Each is read as REGEDIT4 and
// as UTF-16 version 5.00 ("H" is the header), or as the one its case names.
TEST_F(VtrRegTest, ImportsWhatTheRegistryEditorImportsWithTheSameValues) {
  const std::string k = "[HKEY_CURRENT_USER\\Software\\VtrRegTest\\";
  const std::string four = "REGEDIT4", five = RegFile::HeaderVersion5;
  const struct {
    std::string text;
    std::vector<std::string> values;
    std::vector<std::string> headers = {};  // both forms when empty
    size_t skipped = 0;                     // lines left out, each with its note
  } cases[] = {
      // comment and blank lines, also inside a continued list (";" only there)
      {"H\n#c\n  #c\n" + k + "A]\n;c\n\"a\"=hex:01,\\\n\n; c\n  ;c\n  02,\\ ;c\n  03,\\;c\n  04 ;c\n#c\n\"b\"=\"x\" ;c\n"
       "\"c\"=hex:\\\n  05\n\"d\"=hex(0):11,\\;c\n  22,\\\n  33\n",
       {"A a 3 01020304", "A b 1 7800", "A c 3 05", "A d 0 112233"}},
      // A list whose line ends in a comma (before a comment or none) ends
      // there; the registry editor skips the lines of bytes after it.
      {"H\n" + k + "A]\n\"a\"=hex:11,\\;c\n  22,\n  33,44\n\"b\"=hex(100):11,\\;c\n  22,;c\n;c\n  33,\\\n\n  44\n"
       "\"c\"=hex:11,\n\"d\"=\"x\"\n",
       {"A a 3 1122", "A b 256 1122", "A c 3 11", "A d 1 7800"}, {}, 3},
      {"H\n" + k + "A]\n\"a\"=hex:01,02,\\", {"A a 3 0102"}},  // no line break after the last "\"
      {"H\r\r" + k + "A]\r\"a\"=\"1\"\r\"b\"=hex:01,\\\r  02\r", {"A a 1 3100", "A b 3 0102"}},
      // Wine's editor refuses blank lines before the header; Windows' does not.
      {"\r\n \r\n \tH\r\n" + k + "A]\r\n\"a\"=\"1\"\r\n", {"A a 1 3100"}},
      {"H\n" + k + "A\\]\n\"a\"=\"1\"\n" + k + "B\\\\]\n\"b\"=\"2\"\n" + k + "C]\n\"c\"=\"3\"\n"
       "[-HKEY_CURRENT_USER\\Software\\VtrRegTest\\C\\]\n",
       {"A a 1 3100", "B b 1 3200"}},
      {"H\n" + k + "A]\n\"a\"=dword:  00000008\n\"b\"=dword:\t1\t\n\"c\"=dword:1234;5678\n\"d\"=dword:ff ;c\n",
       {"A a 4 08000000", "A b 4 01000000", "A c 4 34120000", "A d 4 ff000000"}},
      // Text in hex gets its final zero; empty data stays empty. A UTF-8 byte-order mark is skipped.
      {"\xEF\xBB\xBFH\n" + k + "A]\n\"1\"=hex(1):61,62\n\"2\"=hex(2):61,62\n\"7\"=hex(7):61,00,62\n\"z\"=hex(7):61,00,00\n"
       "\"e\"=hex(2):\n\"0\"=hex(0):61\n\"b\"=hex:61\n",
       {"A 0 0 61", "A 1 1 616200", "A 2 2 616200", "A 7 7 61006200", "A b 3 61", "A e 2 ", "A z 7 610000"}, {four}},
      {"H\n" + k + "A]\n\"1\"=hex(1):61,00,62,00\n\"2\"=hex(2):61,00,62,00\n\"7\"=hex(7):61,00,00,00,62,00\n"
       "\"z\"=hex(7):61,00,00,00,00,00\n\"e\"=hex(2):\n",
       {"A 1 1 616200", "A 2 2 616200", "A 7 7 61006200", "A e 2 ", "A z 7 610000"}, {five}},
  };
  for (const auto& c : cases) {
    for (const std::string& header : c.headers.empty() ? std::vector<std::string>{four, five} : c.headers) {
      std::string text = c.text;
      text.replace(text.find('H'), 1, header);
      SCOPED_TRACE(text);
      DeleteRegistryTree(HKEY_CURRENT_USER, kSub);
      const RegFile file = RegFile::Parse(header == five ? Utf16File(text) : text, "t.reg");
      ASSERT_NO_THROW(file.Import());
      EXPECT_EQ(std::pair(ValuesBelow(kSub), file.Notes().size()), std::pair(c.values, c.skipped));
    }
  }
}

// The file makes what it then deletes, and deletes what was never there.
TEST_F(VtrRegTest, DeletionsRemoveWholeTreesAndSingleValues) {
  const std::string k = "[HKEY_CURRENT_USER\\Software\\VtrRegTest\\", gone = "[-HKEY_CURRENT_USER\\Software\\VtrRegTest\\";
  const std::string text = "REGEDIT4\n" + k + "Tree\\A\\B]\n\"v\"=\"x\"\n" + k + "Tree\\C]\n" + k + "Vals]\n\"drop\"=\"x\"\n" +
                           "\"stay\"=\"x\"\n" + gone + "Tree]\n" + gone + "Never]\n" + k + "Vals]\n\"drop\"=-\n\"absent\"=-\n";
  const RegFile::ImportCounts counts = RegFile::Parse(text, "d.reg").Import();
  EXPECT_EQ((std::vector<int>{counts.keys, counts.values, counts.deletions}), (std::vector<int>{4, 3, 4}));
  EXPECT_EQ(ValuesBelow(kSub), std::vector<std::string>{"Vals stay 1 7800"});
}

TEST_F(VtrRegTest, ExportThenImportIntoAnEmptyKeyThenExportGivesTheSameText) {
  WriteRaw(kSub, "", REG_SZ, B(std::string("default") + '\0'));
  WriteRaw(kSub, "quote\"back\\slash", REG_SZ, B(std::string("C:\\x \"y\"") + '\0'));
  WriteRaw(kSub, "noNul", REG_SZ, B("abc"));  // written, and so imported, with its zero
  WriteRaw(kSub, "expNoNul", REG_EXPAND_SZ, B("%A%"));
  WriteRaw(kSub, "emptySz", REG_SZ, Bytes{});
  WriteRaw(kSub, "lines", REG_SZ, B(std::string("a\r\nb") + '\0'));
  WriteRaw(kSub, "dw", REG_DWORD, Bytes{0x78, 0x56, 0x34, 0x12});
  WriteRaw(kSub, "odd", REG_DWORD, Bytes{1, 2, 3});
  WriteRaw(kSub, "empty", REG_BINARY, Bytes{});
  WriteRaw(kSub, "exp", REG_EXPAND_SZ, B(std::string("%TEMP%\\x") + '\0'));
  WriteRaw(kSub, "multi", REG_MULTI_SZ, B(std::string("a\0bc\0\0", 6)));
  WriteRaw(kSub, "q", REG_QWORD, Bytes{1, 2, 3, 4, 5, 6, 7, 8});
  WriteRaw(kSub, "none", REG_NONE, Bytes{9});
  WriteRaw(kSub + "\\MixedCase\\Inner", "x", REG_SZ, B(std::string("1") + '\0'));
  WriteRaw(kSub + "\\Second", "y", REG_DWORD, Bytes{0, 0, 0, 0});

  const std::string first = RegFileWriter::Export("\\HKEY_CURRENT_USER\\SOFTWARE\\VTRREGTEST");
  EXPECT_EQ(first.rfind("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\VtrRegTest]\r\n", 0), 0u) << first;
  for (const char* line : {"[HKEY_CURRENT_USER\\Software\\VtrRegTest\\MixedCase\\Inner]\r\n",
                           "[HKEY_CURRENT_USER\\Software\\VtrRegTest\\Second]\r\n",
                           "\"quote\\\"back\\\\slash\"=\"C:\\\\x \\\"y\\\"\"\r\n", "\"noNul\"=\"abc\"\r\n",
                           "\"expNoNul\"=hex(2):25,41,25,00\r\n", "\"emptySz\"=hex(1):\r\n"}) {
    EXPECT_NE(first.find(line), std::string::npos) << line << first;
  }

  DeleteRegistryTree(HKEY_CURRENT_USER, kSub);
  RegFile::Parse(first, "first.reg").Import();
  const std::string second = RegFileWriter::Export(kPath);
  EXPECT_EQ(second, first);
}

// Walked with stacks of their own and keys opened below their parents: no
// path grows with the depth.
TEST_F(VtrRegTest, ATreeOf500LevelsExportsAndDeletesWhole) {
  HKEY key = rawreg::Created(HKEY_CURRENT_USER, kSub);
  std::string deepest = "[HKEY_CURRENT_USER\\Software\\VtrRegTest";
  for (int level = 0; level < 500; ++level, deepest += "\\Level") {
    const HKEY child = rawreg::Created(key, "Level");
    RegCloseKey(key);
    key = child;
  }
  RegCloseKey(key);
  const std::string text = RegFileWriter::Export(kPath);
  EXPECT_EQ(text.substr(text.size() - deepest.size() - 7), "\r\n" + deepest + "]\r\n\r\n");
  EXPECT_EQ(std::count(text.begin(), text.end(), '['), 501);
  EXPECT_EQ(RegTree::DeleteTree(HKEY_CURRENT_USER, kSub), ERROR_SUCCESS);
  EXPECT_FALSE(KeyExists(kSub));
}

class ConsoleTest : public VtrRegTest {
 protected:
  // Runs one command line; the output of that command alone.
  bool Run(const std::string& line) {
    out.str("");
    err.str("");
    return console.Execute(line);
  }
  std::ostringstream out, err;
  RegConsole console{out, err};
};

// Each kind as the listing shows it in its columns (text that is no
// character shown by its byte; a name or data too long for the listing, the
// data's size in its place), and as "get" shows it.
TEST_F(ConsoleTest, WritesEveryKindAndShowsItAsTheListingsDo) {
  // Made in the order of their names, the order Wine lists them in.
  for (const std::string& line : std::vector<std::string>{
           "mkdir " + kPath, "cd " + kPath, "set '' 'the default'", "set -t string -- -dash x",
           "set -t binary Blob 0 0a,FF", "set -t dword Count 255", "set --type=dword Hex 0xFFFFFFFF",
           "set -t multistring List one 'two words'", "set Name 'two words'"}) {
    ASSERT_TRUE(Run(line)) << line << ": " << err.str();
  }
  WriteRaw(kSub, "Raw", REG_SZ, Bytes{0x01, 'a', 0xFF, 0});
  WriteRaw(kSub, "Wide", REG_BINARY, Bytes(2000, 0xAB));
  WriteRaw(kSub, std::string(1500, 'z'), REG_SZ, B(std::string("x") + '\0'));
  const auto row = [](std::string name, std::string data, const std::string& kind) {
    name.resize(std::max<size_t>(name.size(), 40), ' ');  // the names' column is 40 wide at most
    data.resize(24, ' ');
    return name + "  " + data + "  " + kind + "\n";
  };
#ifdef _WIN32
  const std::string raw = "\\x01a\xFF";  // an ANSI character
#else
  const std::string raw = "\\x01a\\xFF";  // not UTF-8
#endif
  ASSERT_TRUE(Run("lv"));
  EXPECT_EQ(out.str(), row("Name", "Data", "Kind") + row("(default)", "the default", "0 String") +
                           row("-dash", "x", "0 String") + row("Blob", "0 A FF", "1 Binary") +
                           row("Count", "000000FF (0,000,000,255)", "2 DWord") +
                           row("Hex", "FFFFFFFF (4,294,967,295)", "2 DWord") +
                           row("List", "one\\0two words\\0", "0 String") + row("Name", "two words", "0 String") +
                           row("Raw", raw, "0 String") + row("Wide", "(2000 bytes: use get)", "1 Binary") +
                           row(std::string(1500, 'z'), "(2 bytes: use get)", "0 String"));
  ASSERT_TRUE(Run("get Count"));
  EXPECT_EQ(out.str(), "Text:   000000FF\nKind:   2 (DWord)\nBytes:  FF 00 00 00\nNumber: 255\n");
  ASSERT_TRUE(Run("get Name"));
  EXPECT_EQ(out.str(), "Text:   two words\nKind:   0 (String)\nBytes:  74 77 6F 20 77 6F 72 64 73\n");
}

// ls and lv of a PATH list that key, not the current one, in columns of
// characters as a terminal shows them (on Windows a byte is a character).
TEST_F(ConsoleTest, ListsTheKeyAPathNamesInColumnsOfCharacters) {
  const std::string accented = "\xC3\x9Cn\xC3\xAF" "code";  // "Ünïcode" in UTF-8
#ifdef _WIN32
  const size_t columns = accented.size();
#else
  const size_t columns = 7;
#endif
  WriteRaw(kSub + "\\Sub\\Inner", "v", REG_SZ, B("x"));
  WriteRaw(kSub + "\\Sub", accented, REG_SZ, B("x"));
  ASSERT_TRUE(Run("cd " + kPath) && Run("ls Sub"));
  EXPECT_EQ(out.str(), "Inner\n");
  ASSERT_TRUE(Run("lv Sub"));
  EXPECT_EQ(out.str(), "Name" + std::string(columns - 4, ' ') + "  Data  Kind\n" + accented + "  x     0 String\n");
}

TEST_F(ConsoleTest, EveryFailureReportsNumberSourceAndDescription) {
  // A file with a syntax error imports nothing, not even what comes before it.
  const std::string bad = TempFile("vtrreg-bad.reg");
  std::ofstream(bad, std::ios::binary) << "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\VtrRegTest\\First]\r\n"
                                          "\"a\"=\"1\"\r\n[-HKEY_CURRENT_USER\\Software\\VtrRegTest]\r\n\"b\"=hex:0,zz\r\n";
  ASSERT_TRUE(Run("mkdir " + kPath));
  ASSERT_TRUE(Run("cd " + kPath));
  const std::pair<std::string, const char*> failures[] = {
      {"cd Missing", "vtrreg: error -2147221248 (0x80040100), source \"EasyRegistry[API Call]\": Key/Value does not exist.\n"},
      {"set -t dword N 1.5", "source \"EasyRegistry [Let ValueOf]\": Type passed doesn't match"},
      {"set -t dword N ten", "(0x80040203), source \"vtrreg\": \"ten\" is not a number"},
      {"set -t word N x", "(0x80040201), source \"vtrreg\": unknown kind \"word\""},
      {"set -t multistring N a ''", "vtrreg: error"},
      {"set -t binary N 0g", "vtrreg: error"},
      {"frobnicate", "(0x80040202), source \"vtrreg\": unknown command"},
      {"get", "usage: get NAME"}, {"lv . more", "usage: lv"}, {"ls . more", "usage: ls"},
      {"import /no/such/file.reg", "(0x80040204)"},
      {"import '" + bad + "'", "line 6:"},
  };
  for (const auto& [line, words] : failures) {
    EXPECT_FALSE(Run(line)) << line;
    EXPECT_NE(err.str().find(words), std::string::npos) << line << ": " << err.str();
    // Where it was, and the key usable.
    EXPECT_EQ(console.CurrentKey(), "\\HKEY_CURRENT_USER\\SOFTWARE\\VTRREGTEST") << line;
  }
  EXPECT_TRUE(Run("lv"));
  EXPECT_TRUE(ValuesBelow(kSub).empty());  // none of them wrote
  std::filesystem::remove(bad);
  EXPECT_TRUE(Run("cd \\"));
  EXPECT_FALSE(Run("get x"));
  EXPECT_NE(err.str().find("no current key"), std::string::npos);
}

TEST_F(ConsoleTest, DeletesValuesAndKeys) {
  WriteRaw(kSub + "\\Tree\\A\\B", "v", REG_SZ, B("x"));
  WriteRaw(kSub, "gone", REG_SZ, B("x"));
  ASSERT_TRUE(Run("cd \\HKEY_CURRENT_USER\\Software\\VtrRegTest"));
  ASSERT_TRUE(Run("rm gone"));
  EXPECT_EQ(ValuesBelow(kSub), std::vector<std::string>{"Tree\\A\\B v 1 78"});
  EXPECT_FALSE(Run("rmkey Tree"));  // not without -r: it has subkeys
  ASSERT_TRUE(Run("rmkey Tree\\A\\B"));
  EXPECT_EQ(std::pair(KeyExists(kSub + "\\Tree\\A\\B"), KeyExists(kSub + "\\Tree\\A")), std::pair(false, true));
  ASSERT_TRUE(Run("cd Tree\\A"));
  ASSERT_TRUE(Run("rmkey -r \\HKEY_CURRENT_USER\\Software\\VtrRegTest\\Tree"));
  EXPECT_FALSE(KeyExists(kSub + "\\Tree"));
  EXPECT_EQ(console.CurrentKey(), "\\HKEY_CURRENT_USER\\SOFTWARE\\VTRREGTEST");  // stepped out of the deleted key
  EXPECT_FALSE(Run("rmkey -r \\HKEY_CURRENT_USER"));
  EXPECT_NE(err.str().find("root key cannot be deleted"), std::string::npos);
}

}  // namespace
