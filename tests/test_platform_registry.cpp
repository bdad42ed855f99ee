// The registry functions as a caller sees them. The same source runs natively
// (on the emulated registry) and under wine64 (on Wine's registry); where the
// two are known to answer differently, the test names the platform and why.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/RegKey.h"
#include "platform/modAPI.h"
#include "tests/RawRegistry.h"
#include "tests/RegistryTestSupport.h"

namespace {

const std::string kBase = "Software\\VtrTest\\PlatformRegistry";

LONG Set(HKEY key, const char* name, DWORD type, const char* data, DWORD size) {
  return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data), size);
}

LONG SetString(HKEY key, const char* name, const std::string& text) {
  return Set(key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

std::string QueryString(HKEY key, const char* name) {
  return rawreg::GetString(key, "", name).value_or("<missing>");
}

class PlatformRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kBase);
    ASSERT_EQ(base_.Create(HKEY_LOCAL_MACHINE, kBase, KEY_ALL_ACCESS), ERROR_SUCCESS);
  }
  void TearDown() override {
    base_.Close();
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kBase);
  }
  RegKey base_;
};

TEST_F(PlatformRegistry, NamesMatchWithoutRegardToCaseAndKeepTheirFirstSpelling) {
  const auto disposition = [&](const char* path) {
    DWORD made = 0;
    RegCloseKey(rawreg::Created(base_.Handle(), path, "", &made));
    return made;
  };
  EXPECT_EQ(disposition("MiXed\\Deeper"), static_cast<DWORD>(REG_CREATED_NEW_KEY));
  EXPECT_EQ(disposition("MIXED"), static_cast<DWORD>(REG_OPENED_EXISTING_KEY));  // opened in any case: see the paths' test
  EXPECT_EQ(rawreg::SubKeys(base_.Handle(), ""), std::vector<std::string>{"MiXed"});
  EXPECT_EQ(disposition(std::string(255, 'k').c_str()), static_cast<DWORD>(REG_CREATED_NEW_KEY));  // the longest name

  ASSERT_EQ(SetString(base_.Handle(), "Val", "first"), ERROR_SUCCESS);
  ASSERT_EQ(SetString(base_.Handle(), "VAL", "second"), ERROR_SUCCESS);
  EXPECT_EQ(QueryString(base_.Handle(), "vAl"), "second");
  char name[8];
  DWORD length = sizeof name;
  ASSERT_EQ(RegEnumValueA(base_.Handle(), 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(std::string(name, length), "Val");  // the one value, as first spelt
  EXPECT_EQ(RegEnumValueA(base_.Handle(), 1, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegDeleteValueA(base_.Handle(), "vAL"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(base_.Handle(), "Val"), ERROR_FILE_NOT_FOUND);
}

// A path resolves the same whatever its length (a name, several, and more
// than can be looked up at once), with a trailing backslash or without: a
// name missing at any level answers 2, a leading backslash 161, a path below
// a deleted key 1018, and a path opened before leads to the key there now,
// gone or made again.
TEST_F(PlatformRegistry, PathsOfEveryLengthOpenMissAndFollowDeletedAndRemadeKeys) {
  std::vector<std::string> prefixes;  // "L1", "L1\\L2", ...
  for (int level = 1; level <= 12; ++level)
    prefixes.push_back((prefixes.empty() ? "" : prefixes.back() + "\\") + "L" + std::to_string(level));
  RegKey key, doomed;
  ASSERT_EQ(key.Create(base_.Handle(), prefixes.back(), KEY_ALL_ACCESS), ERROR_SUCCESS);
  ASSERT_EQ(doomed.Create(base_.Handle(), "Doomed", KEY_ALL_ACCESS), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteKeyA(base_.Handle(), "Doomed"), ERROR_SUCCESS);
  for (const std::string& path : prefixes) {
    SCOPED_TRACE(path);
    std::string lower = path;  // names match in any case, at any length
    for (char& c : lower) c = c == 'L' ? 'l' : c;
    EXPECT_EQ(key.Open(base_.Handle(), lower.c_str(), KEY_READ), ERROR_SUCCESS);
    EXPECT_EQ(key.Open(base_.Handle(), (path + "\\").c_str(), KEY_READ), ERROR_SUCCESS);
    EXPECT_EQ(key.Open(base_.Handle(), ("\\" + path).c_str(), KEY_READ), ERROR_BAD_PATHNAME);
    EXPECT_EQ(key.Create(base_.Handle(), "\\" + path, KEY_ALL_ACCESS), ERROR_BAD_PATHNAME);
    EXPECT_EQ(key.Open(base_.Handle(), (path + "\\Nope").c_str(), KEY_READ), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key.Open(base_.Handle(), ("Nope\\" + path).c_str(), KEY_READ), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key.Open(doomed.Handle(), path.c_str(), KEY_READ), ERROR_KEY_DELETED);
  }
  for (const std::string& path : {std::string("Short\\Leaf"), prefixes.back() + "\\Leaf"}) {
    SCOPED_TRACE(path);
    for (const char* made : {"first", "again"}) {
      ASSERT_EQ(key.Create(base_.Handle(), path, KEY_ALL_ACCESS), ERROR_SUCCESS);
      ASSERT_EQ(SetString(key.Handle(), "made", made), ERROR_SUCCESS);
      ASSERT_EQ(key.Open(base_.Handle(), path.c_str(), KEY_QUERY_VALUE), ERROR_SUCCESS);
      EXPECT_EQ(QueryString(key.Handle(), "made"), made);
      key.Close();
      ASSERT_EQ(RegDeleteKeyA(base_.Handle(), path.c_str()), ERROR_SUCCESS);
      EXPECT_EQ(key.Open(base_.Handle(), path.c_str(), KEY_QUERY_VALUE), ERROR_FILE_NOT_FOUND);
    }
  }
}

// What a handle may do is what it was opened for; generic rights stand for
// the key rights of their kind, and the 64-bit view flag for nothing.
TEST_F(PlatformRegistry, AHandleDoesOnlyWhatItWasOpenedFor) {
  rawreg::CreateKey(base_.Handle(), "Child");
  ASSERT_EQ(SetString(base_.Handle(), "v", "x"), ERROR_SUCCESS);
  const LONG ok = ERROR_SUCCESS, no = ERROR_ACCESS_DENIED;
  const struct {
    REGSAM access;
    LONG query, set, list;
  } cases[] = {
      {KEY_QUERY_VALUE, ok, no, no},           {KEY_SET_VALUE, no, ok, no},
      {KEY_ENUMERATE_SUB_KEYS, no, no, ok},    {KEY_READ | KEY_WOW64_64KEY, ok, no, ok},
      {GENERIC_READ, ok, no, ok},              {GENERIC_WRITE, no, ok, no},
      {GENERIC_EXECUTE, ok, no, ok},           {GENERIC_ALL, ok, ok, ok},
      {MAXIMUM_ALLOWED, ok, ok, ok},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.access);
    RegKey key;
    ASSERT_EQ(key.Open(base_.Handle(), nullptr, c.access), ERROR_SUCCESS);
    char name[16];
    DWORD length = sizeof name;
    EXPECT_EQ(RegQueryValueExA(key.Handle(), "v", nullptr, nullptr, nullptr, nullptr), c.query);
    EXPECT_EQ(SetString(key.Handle(), "v", "y"), c.set);
    EXPECT_EQ(RegEnumKeyExA(key.Handle(), 0, name, &length, nullptr, nullptr, nullptr, nullptr), c.list);
  }
}

const HKEY kUntouched = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x1234));

// Every call on a handle that cannot serve answers the same code; the key
// an open or create would give is left as `out` says.
void ExpectEveryCallAnswers(HKEY h, LONG code, HKEY out) {
  const BYTE data[] = {1};
  char name[64];
  DWORD length = sizeof name;
  HKEY opened = kUntouched;
  EXPECT_EQ(RegOpenKeyExA(h, "x", 0, KEY_READ, &opened), code);
  EXPECT_EQ(opened, out);
  EXPECT_EQ(RegCreateKeyExA(h, "x", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr), code);
  EXPECT_EQ(opened, out);
  EXPECT_EQ(RegDeleteKeyA(h, "x"), code);
  EXPECT_EQ(RegDeleteValueA(h, "v"), code);
  EXPECT_EQ(RegQueryValueExA(h, "v", nullptr, nullptr, nullptr, nullptr), code);
  EXPECT_EQ(RegSetValueExA(h, "v", 0, REG_BINARY, data, 1), code);
  EXPECT_EQ(RegQueryInfoKeyA(h, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr),
            code);
  EXPECT_EQ(RegEnumKeyExA(h, 0, name, &length, nullptr, nullptr, nullptr, nullptr), code);
  EXPECT_EQ(RegEnumValueA(h, 0, name, &length, nullptr, nullptr, nullptr, nullptr), code);
}

TEST_F(PlatformRegistry, BadClosedAndDeletedKeyHandlesAnswerEveryCallWithTheirCode) {
  HKEY closed = rawreg::Created(base_.Handle(), "Gone");
  ASSERT_EQ(RegCloseKey(closed), ERROR_SUCCESS);
  // Checked at once: Windows hands a closed handle's value out again later.
  EXPECT_EQ(RegCloseKey(closed), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegQueryValueExA(closed, "x", nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
  // Below no key at all, the caller's result stays as it was; below a
  // closed or deleted key it is cleared.
  ExpectEveryCallAnswers(nullptr, ERROR_INVALID_HANDLE, kUntouched);
  EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
  HKEY out = kUntouched;
  EXPECT_EQ(RegOpenKeyExA(closed, "x", 0, KEY_READ, &out), ERROR_INVALID_HANDLE);
  EXPECT_EQ(out, nullptr);

  // A handle to a deleted key answers ERROR_KEY_DELETED until it is closed.
  RegKey doomed;
  ASSERT_EQ(doomed.Create(base_.Handle(), "Doomed", KEY_ALL_ACCESS), ERROR_SUCCESS);
  ASSERT_EQ(SetString(doomed.Handle(), "v", "data"), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteKeyA(base_.Handle(), "Doomed"), ERROR_SUCCESS);
  // A new key of the same name is another key.
  RegKey reborn;
  ASSERT_EQ(reborn.Create(base_.Handle(), "Doomed", KEY_ALL_ACCESS), ERROR_SUCCESS);
  EXPECT_EQ(QueryString(reborn.Handle(), "v"), "<missing>");
  EXPECT_EQ(RegDeleteKeyA(doomed.Handle(), ""), ERROR_KEY_DELETED);
  ExpectEveryCallAnswers(doomed.Handle(), ERROR_KEY_DELETED, nullptr);
  EXPECT_EQ(doomed.Close(), ERROR_SUCCESS);
}

TEST_F(PlatformRegistry, QueryValueAnswersSizesAndRefusesShortBuffers) {
  ASSERT_EQ(SetString(base_.Handle(), "text", "hello"), ERROR_SUCCESS);
  const auto query = [&](const char* name, DWORD* type, BYTE* data, DWORD* size) {
    return RegQueryValueExA(base_.Handle(), name, nullptr, type, data, size);
  };
  // The type and size come back with every answer; a missing value has none.
  const struct {
    const char* name;
    DWORD room;  // no buffer when 0
    LONG rc;
    DWORD size, type;
  } cases[] = {{"text", 0, ERROR_SUCCESS, 6, REG_SZ},
               {"text", 5, ERROR_MORE_DATA, 6, REG_SZ},
               {"text", 6, ERROR_SUCCESS, 6, REG_SZ},
               {"missing", 0, ERROR_FILE_NOT_FOUND, 0, REG_NONE}};
  BYTE buffer[16];
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.name << " room " << c.room);
    DWORD type = 77, size = c.room;
    EXPECT_EQ(query(c.name, &type, c.room != 0 ? buffer : nullptr, &size), c.rc);
    EXPECT_EQ(std::pair(size, type), std::pair(c.size, c.type));
  }
  EXPECT_STREQ(reinterpret_cast<char*>(buffer), "hello");
  // One variable for the type and the size: the size is read first.
  for (DWORD room : {DWORD{sizeof buffer}, DWORD{3}}) {
    DWORD both = room;
    EXPECT_EQ(query("text", &both, buffer, &both), room > 6 ? ERROR_SUCCESS : ERROR_MORE_DATA);
    EXPECT_EQ(both, 6u);
  }
  DWORD reserved = 0, size = 0;
  EXPECT_EQ(RegQueryValueExA(base_.Handle(), "text", &reserved, nullptr, nullptr, &size), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(query("text", nullptr, buffer, nullptr), ERROR_INVALID_PARAMETER);

  // The default value answers to NULL and to the empty name.
  ASSERT_EQ(SetString(base_.Handle(), nullptr, "default"), ERROR_SUCCESS);
  EXPECT_EQ(QueryString(base_.Handle(), ""), "default");
  EXPECT_EQ(RegDeleteValueA(base_.Handle(), ""), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(base_.Handle(), nullptr, nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
}

TEST_F(PlatformRegistry, SubkeysEnumerateInCaseInsensitiveNameOrder) {
  for (const char* name : {"b", "A", "a1", "Z", "0", "c"}) rawreg::CreateKey(base_.Handle(), name);
  EXPECT_EQ(rawreg::SubKeys(base_.Handle(), ""), (std::vector<std::string>{"0", "A", "a1", "b", "c", "Z"}));
  const auto list = [&](DWORD at, char* out, DWORD* length, DWORD* reserved = nullptr, FILETIME* written = nullptr) {
    return RegEnumKeyExA(base_.Handle(), at, out, length, reserved, nullptr, nullptr, written);
  };
  char name[8];
  DWORD length = 2;  // "a1" needs 3 with its NUL
  EXPECT_EQ(list(2, name, &length), ERROR_MORE_DATA);
  EXPECT_EQ(length, 2u);
  length = 3;
  FILETIME written = {0, 0};
  EXPECT_EQ(list(2, name, &length, nullptr, &written), ERROR_SUCCESS);
  EXPECT_EQ(std::pair(std::string(name), length), std::pair(std::string("a1"), DWORD{2}));
  EXPECT_NE(written.dwHighDateTime, 0u);
  DWORD reserved = 0;
  length = sizeof name;
  EXPECT_EQ(list(0, name, &length, &reserved), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(list(6, name, &length), ERROR_NO_MORE_ITEMS);
}

// A string whose size leaves out its NUL while a NUL follows gains it; one
// followed by anything else, or of another type, is stored as given. Stored
// without its NUL, a string reads back with one after it wherever the buffer
// has room, by query and by listing alike; other types never.
TEST_F(PlatformRegistry, AStringSetWithoutItsNulGainsTheNulThatFollowsOrReadsBackWithOne) {
  const auto stored = [&](const char* name) { return rawreg::GetValue(base_.Handle(), "", name)->bytes.size(); };
  for (DWORD type : {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_BINARY, REG_NONE, REG_DWORD}) {
    SCOPED_TRACE(type);
    const bool text = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    ASSERT_EQ(Set(base_.Handle(), "a", type, "abcX", 3), ERROR_SUCCESS);  // the first value by name and by age
    ASSERT_EQ(Set(base_.Handle(), "z", type, "abc", 3), ERROR_SUCCESS);   // a NUL follows
    ASSERT_EQ(Set(base_.Handle(), "n", type, "ab\0\0", 3), ERROR_SUCCESS);
    EXPECT_EQ(std::vector<size_t>({stored("z"), stored("a"), stored("n")}), std::vector<size_t>({text ? 4u : 3u, 3u, 3u}));
    for (DWORD room : {DWORD{3}, DWORD{8}}) {
      SCOPED_TRACE(testing::Message() << "room " << room);
      BYTE queried[8], listed[8];
      std::memset(queried, '#', sizeof queried);
      std::memset(listed, '#', sizeof listed);
      DWORD querySize = room, listSize = room, nameLength = 8;
      char name[8];
      ASSERT_EQ(RegQueryValueExA(base_.Handle(), "a", nullptr, nullptr, queried, &querySize), ERROR_SUCCESS);
      ASSERT_EQ(RegEnumValueA(base_.Handle(), 0, name, &nameLength, nullptr, nullptr, listed, &listSize), ERROR_SUCCESS);
      const BYTE after = room > 3 && text ? 0 : '#';
      EXPECT_EQ(std::tuple(querySize, listSize, queried[3], listed[3]), std::tuple(3u, 3u, after, after));
    }
  }
  ASSERT_EQ(Set(base_.Handle(), "e", REG_SZ, "abc", 0), ERROR_SUCCESS);
  EXPECT_EQ(stored("e"), 0u);
  // No data at all is an empty value; a size without data is refused (998, no access).
  ASSERT_EQ(RegSetValueExA(base_.Handle(), "none", 0, REG_SZ, nullptr, 0), ERROR_SUCCESS);
  EXPECT_EQ(stored("none"), 0u);
  EXPECT_EQ(RegSetValueExA(base_.Handle(), "bad", 0, REG_BINARY, nullptr, 1), 998);
}

// A name or data longer than its buffer: 234, with the value's type and
// size all the same; of a name too long, as much as fits, NUL-terminated,
// and the data all the same when it fits.
TEST_F(PlatformRegistry, ListingAValueThatDoesNotFitStillGivesItsTypeAndSize) {
  ASSERT_EQ(Set(base_.Handle(), "LongName", REG_EXPAND_SZ, "hello", 6), ERROR_SUCCESS);
  constexpr DWORD kAny = 99;
  const struct {
    DWORD nameRoom, dataRoom;  // no data buffer for a room of 0
    LONG rc;
    DWORD nameLength;  // kAny: not checked
    const char* name;  // the name buffer after: "#" left alone, nullptr not checked
  } cases[] = {
      {0, 16, ERROR_MORE_DATA, 0, nullptr},  {1, 16, ERROR_MORE_DATA, 1, ""},
      {4, 16, ERROR_MORE_DATA, 4, "Lon"},    {1, 0, ERROR_MORE_DATA, 1, ""},
      {8, 0, ERROR_MORE_DATA, 8, "LongNam"}, {16, 0, ERROR_SUCCESS, 8, "LongName"},
      {16, 5, ERROR_MORE_DATA, kAny, nullptr}, {4, 2, ERROR_MORE_DATA, kAny, "#"},  // the last: neither fits
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "name room " << c.nameRoom << ", data room " << c.dataRoom);
    char name[17] = {};
    BYTE data[16];
    std::memset(name, '#', 16);
    std::memset(data, '#', sizeof data);
    DWORD nameLength = c.nameRoom, type = 77, size = c.dataRoom != 0 ? c.dataRoom : 99;
    EXPECT_EQ(RegEnumValueA(base_.Handle(), 0, name, &nameLength, nullptr, &type, c.dataRoom != 0 ? data : nullptr,
                            &size),
              c.rc);
    EXPECT_EQ(std::pair(type, size), std::pair(static_cast<DWORD>(REG_EXPAND_SZ), DWORD{6}));
    EXPECT_TRUE(c.nameLength == kAny || nameLength == c.nameLength) << nameLength;
    if (c.name != nullptr) {
      EXPECT_EQ(std::string(c.name) == "#" ? std::string(1, name[0]) : name, c.name);
    }
    // Data that fits is copied whether the name fits or not (Windows in a
    // single-byte code page); data too long leaves the buffer alone.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), 6), c.dataRoom >= 6 ? std::string("hello", 6) : "######");
  }
  char name[8];
  BYTE data[8];
  DWORD length = sizeof name;
  EXPECT_EQ(RegEnumValueA(base_.Handle(), 0, nullptr, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegEnumValueA(base_.Handle(), 0, name, &length, nullptr, nullptr, data, nullptr), ERROR_INVALID_PARAMETER);
}

// The largest value size counts string data in UTF-16 bytes, as Windows
// keeps strings; other data by its bytes.
TEST_F(PlatformRegistry, TheLargestValueSizeCountsStringsByTheirWideSize) {
  const struct {
    const char* name;
    DWORD type;
    const char* data;
    DWORD size, largest;
  } cases[] = {
      {"bin", REG_BINARY, "0123456789", 9, 9},
      {"text", REG_SZ, "hello", 6, 12},  // with its NUL
      {"odd", REG_EXPAND_SZ, "abcdefgX", 7, 14},
      {"multi", REG_MULTI_SZ, "ab\0cd\0", 7, 14},  // and the final NUL
#ifndef _WIN32
      // The emulation's code page is UTF-8: two bytes a character, four
      // beyond U+FFFF, and two for each byte that is no UTF-8.
      {"wide", REG_SZ, "\xC3\xA9\xE2\x82\xAC", 6, 6},        // e-acute, euro sign, NUL
      {"astral", REG_SZ, "\xF0\x9F\x98\x80", 5, 6},            // one beyond U+FFFF, NUL
      {"stray", REG_SZ, "\xFF\xFE\x80" "A\xE2\x82", 7, 14},  // five stray bytes, A, NUL
#endif
  };
  const auto largest = [&] {
    DWORD size = 0;
    EXPECT_EQ(RegQueryInfoKeyA(base_.Handle(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               &size, nullptr, nullptr),
              ERROR_SUCCESS);
    return size;
  };
  for (const auto& c : cases) {
    ASSERT_EQ(Set(base_.Handle(), "v", c.type, c.data, c.size), ERROR_SUCCESS);  // the one value, each time
    EXPECT_EQ(largest(), c.largest) << c.name;
  }
  // Of several values, the largest (14 for the last above), not the newest.
  ASSERT_EQ(Set(base_.Handle(), "w", REG_BINARY, "0123456789", 9), ERROR_SUCCESS);
  EXPECT_EQ(largest(), 14u);
}

// A class buffer of no length succeeds with the class's length; one too
// short gets as much as fits, NUL-terminated, and 234.
TEST_F(PlatformRegistry, AKeysClassIsCutToFitItsBuffer) {
  rawreg::CreateKey(base_.Handle(), "Classy", "MyClass");
  RegKey key;
  ASSERT_EQ(key.Open(base_.Handle(), "Classy", KEY_QUERY_VALUE), ERROR_SUCCESS);
  // The room, the answer, the length then, the buffer then (no buffer for nullptr).
  const std::tuple<DWORD, LONG, DWORD, const char*> cases[] = {
      {0, ERROR_SUCCESS, 7, "#"},       {1, ERROR_MORE_DATA, 0, ""},      {4, ERROR_MORE_DATA, 3, "MyC"},
      {7, ERROR_MORE_DATA, 6, "MyClas"}, {8, ERROR_SUCCESS, 7, "MyClass"}, {3, ERROR_SUCCESS, 7, nullptr}};
  for (const auto& [room, rc, after, text] : cases) {
    SCOPED_TRACE(room);
    char buffer[16] = {'#'};
    DWORD length = room, subKeys = 99;
    EXPECT_EQ(RegQueryInfoKeyA(key.Handle(), text != nullptr ? buffer : nullptr, &length, nullptr, &subKeys, nullptr,
                               nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
              rc);
    EXPECT_EQ(std::tuple(length, subKeys, std::string(text != nullptr ? buffer : "-")),
              std::tuple(after, DWORD{0}, std::string(text != nullptr ? text : "-")));
  }
}

}  // namespace
