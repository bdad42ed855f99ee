// The registry functions as a caller sees them. The same source runs natively
// (on the emulated registry) and under wine64 (on Wine's registry); where the
// two are known to answer differently, the test names the platform and why.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/modAPI.h"
#include "tests/RegistryTestSupport.h"

namespace {

const std::string kBase = "Software\\VtrTest\\PlatformRegistry";

// Owns one open key handle and closes it exactly once.
class Key {
 public:
  Key() = default;
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() { Close(); }
  HKEY get() const { return handle_; }
  HKEY* out() {
    Close();
    return &handle_;
  }
  LONG Close() { return handle_ != nullptr ? RegCloseKey(std::exchange(handle_, nullptr)) : ERROR_SUCCESS; }
  HKEY release() { return std::exchange(handle_, nullptr); }

 private:
  HKEY handle_ = nullptr;
};

LONG Create(HKEY parent, const std::string& path, Key& key, DWORD* disposition = nullptr) {
  return RegCreateKeyExA(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.out(), disposition);
}

LONG Open(HKEY parent, const char* path, Key& key, REGSAM access) {
  return RegOpenKeyExA(parent, path, 0, access, key.out());
}

LONG Set(HKEY key, const char* name, DWORD type, const char* data, DWORD size) {
  return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data), size);
}

LONG SetString(HKEY key, const char* name, const std::string& text) {
  return Set(key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

std::string QueryString(HKEY key, const char* name) {
  char buffer[256] = {};
  DWORD size = sizeof buffer - 1;
  DWORD type = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
      ERROR_SUCCESS)
    return "<missing>";
  return std::string(buffer, size > 0 && buffer[size - 1] == '\0' ? size - 1 : size);
}

// Subkey names, or value names, in the order the registry lists them.
std::vector<std::string> Names(HKEY key, bool values = false) {
  std::vector<std::string> names;
  char name[300];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof name;
    LONG rc = values ? RegEnumValueA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr)
                     : RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) {
      EXPECT_EQ(rc, ERROR_NO_MORE_ITEMS);
      return names;
    }
    names.emplace_back(name, length);
  }
}

class PlatformRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kBase);
    ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, kBase, base_), ERROR_SUCCESS);
  }
  void TearDown() override {
    base_.Close();
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kBase);
  }
  Key base_;
};

TEST_F(PlatformRegistry, NamesMatchWithoutRegardToCaseAndKeepTheirFirstSpelling) {
  Key deep;
  DWORD disposition = 0;
  ASSERT_EQ(Create(base_.get(), "MiXed\\Deeper", deep, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));

  Key again;
  ASSERT_EQ(Create(base_.get(), "MIXED", again, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));  // opened in any case: see the paths' test
  EXPECT_EQ(Names(base_.get()), std::vector<std::string>{"MiXed"});

  ASSERT_EQ(SetString(base_.get(), "Val", "first"), ERROR_SUCCESS);
  ASSERT_EQ(SetString(base_.get(), "VAL", "second"), ERROR_SUCCESS);
  EXPECT_EQ(QueryString(base_.get(), "vAl"), "second");
  EXPECT_EQ(Names(base_.get(), true), std::vector<std::string>{"Val"});
  EXPECT_EQ(RegDeleteValueA(base_.get(), "vAL"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(base_.get(), "Val"), ERROR_FILE_NOT_FOUND);
}

TEST_F(PlatformRegistry, SubkeyPathsFollowWindowsRules) {
  Key key;
  EXPECT_EQ(Open(HKEY_LOCAL_MACHINE, "\\Software", key, KEY_READ), ERROR_BAD_PATHNAME);
  EXPECT_EQ(Create(base_.get(), "\\Lead", key), ERROR_BAD_PATHNAME);

  // A missing key leaves no handle behind.
  HKEY missing = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x1234));
  EXPECT_EQ(RegOpenKeyExA(base_.get(), "Nope\\Deeper", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(missing, nullptr);

  // Several levels at once; a trailing backslash names the same key.
  ASSERT_EQ(Create(base_.get(), "One\\Two\\Three", key), ERROR_SUCCESS);
  Key trailing;
  EXPECT_EQ(Open(base_.get(), "One\\Two\\", trailing, KEY_READ), ERROR_SUCCESS);
  EXPECT_EQ(Names(trailing.get()), std::vector<std::string>{"Three"});

  // A NULL or empty subkey opens the key itself again, as a handle of its own.
  for (const char* self : {static_cast<const char*>(nullptr), ""}) {
    Key reopened;
    ASSERT_EQ(Open(key.get(), self, reopened, KEY_SET_VALUE), ERROR_SUCCESS);
    EXPECT_NE(reopened.get(), key.get());
    ASSERT_EQ(SetString(reopened.get(), "through", "reopened"), ERROR_SUCCESS);
    EXPECT_EQ(reopened.Close(), ERROR_SUCCESS);
    EXPECT_EQ(QueryString(key.get(), "through"), "reopened");
  }
}

// A path resolves the same whatever its length (a name, several, and more
// than can be looked up at once): a name missing at any level answers 2, a
// path below a deleted key 1018, and a path opened before leads to the key
// there now, gone or made again.
TEST_F(PlatformRegistry, PathsOfEveryLengthOpenMissAndFollowDeletedAndRemadeKeys) {
  std::vector<std::string> prefixes;  // "L1", "L1\\L2", ...
  for (int level = 1; level <= 12; ++level)
    prefixes.push_back((prefixes.empty() ? "" : prefixes.back() + "\\") + "L" + std::to_string(level));
  Key key, doomed;
  ASSERT_EQ(Create(base_.get(), prefixes.back(), key), ERROR_SUCCESS);
  ASSERT_EQ(Create(base_.get(), "Doomed", doomed), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteKeyA(base_.get(), "Doomed"), ERROR_SUCCESS);
  for (const std::string& path : prefixes) {
    SCOPED_TRACE(path);
    std::string lower = path;  // names match in any case, at any length
    for (char& c : lower) c = c == 'L' ? 'l' : c;
    EXPECT_EQ(Open(base_.get(), lower.c_str(), key, KEY_READ), ERROR_SUCCESS);
    EXPECT_EQ(Open(base_.get(), (path + "\\Nope").c_str(), key, KEY_READ), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Open(base_.get(), ("Nope\\" + path).c_str(), key, KEY_READ), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Open(doomed.get(), path.c_str(), key, KEY_READ), ERROR_KEY_DELETED);
  }
  for (const std::string& path : {std::string("Short\\Leaf"), prefixes.back() + "\\Leaf"}) {
    SCOPED_TRACE(path);
    for (const char* made : {"first", "again"}) {
      ASSERT_EQ(Create(base_.get(), path, key), ERROR_SUCCESS);
      ASSERT_EQ(SetString(key.get(), "made", made), ERROR_SUCCESS);
      ASSERT_EQ(Open(base_.get(), path.c_str(), key, KEY_QUERY_VALUE), ERROR_SUCCESS);
      EXPECT_EQ(QueryString(key.get(), "made"), made);
      key.Close();
      ASSERT_EQ(RegDeleteKeyA(base_.get(), path.c_str()), ERROR_SUCCESS);
      EXPECT_EQ(Open(base_.get(), path.c_str(), key, KEY_QUERY_VALUE), ERROR_FILE_NOT_FOUND);
    }
  }
}

// What a handle may do is what it was opened for; generic rights stand for
// the key rights of their kind, and the 64-bit view flag for nothing.
TEST_F(PlatformRegistry, AHandleDoesOnlyWhatItWasOpenedFor) {
  Key child;
  ASSERT_EQ(Create(base_.get(), "Child", child), ERROR_SUCCESS);
  ASSERT_EQ(SetString(base_.get(), "v", "x"), ERROR_SUCCESS);
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
    Key key;
    ASSERT_EQ(Open(base_.get(), nullptr, key, c.access), ERROR_SUCCESS);
    char name[16];
    DWORD length = sizeof name;
    EXPECT_EQ(RegQueryValueExA(key.get(), "v", nullptr, nullptr, nullptr, nullptr), c.query);
    EXPECT_EQ(SetString(key.get(), "v", "y"), c.set);
    EXPECT_EQ(RegEnumKeyExA(key.get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr), c.list);
  }
}

// Every call on a handle that cannot serve answers the same code.
void ExpectEveryCallAnswers(HKEY h, LONG code) {
  const BYTE data[] = {1};
  char name[64];
  DWORD length = sizeof name;
  DWORD count = 0;
  HKEY out = nullptr;
  EXPECT_EQ(RegOpenKeyExA(h, "x", 0, KEY_READ, &out), code);
  EXPECT_EQ(RegCreateKeyExA(h, "x", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &out, nullptr), code);
  EXPECT_EQ(RegDeleteKeyA(h, "x"), code);
  EXPECT_EQ(RegDeleteValueA(h, "v"), code);
  EXPECT_EQ(RegQueryValueExA(h, "v", nullptr, nullptr, nullptr, nullptr), code);
  EXPECT_EQ(RegSetValueExA(h, "v", 0, REG_BINARY, data, 1), code);
  EXPECT_EQ(RegQueryInfoKeyA(h, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr),
            code);
  EXPECT_EQ(RegEnumKeyExA(h, 0, name, &length, nullptr, nullptr, nullptr, nullptr), code);
  EXPECT_EQ(RegEnumValueA(h, 0, name, &length, nullptr, nullptr, nullptr, nullptr), code);
}

TEST_F(PlatformRegistry, BadClosedAndDeletedKeyHandlesAnswerEveryCallWithTheirCode) {
  Key key;
  ASSERT_EQ(Create(base_.get(), "Gone", key), ERROR_SUCCESS);
  HKEY closed = key.release();
  ASSERT_EQ(RegCloseKey(closed), ERROR_SUCCESS);
  // Checked at once: Windows hands a closed handle's value out again later.
  EXPECT_EQ(RegCloseKey(closed), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegQueryValueExA(closed, "x", nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
  ExpectEveryCallAnswers(nullptr, ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
  // Below no key at all, the caller's result stays as it was; below a
  // closed key it is cleared.
  const HKEY untouched = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x1234));
  HKEY out = untouched;
  EXPECT_EQ(RegOpenKeyExA(nullptr, nullptr, 0, KEY_READ, &out), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCreateKeyExA(nullptr, "x", 0, nullptr, 0, KEY_READ, nullptr, &out, nullptr), ERROR_INVALID_HANDLE);
  EXPECT_EQ(out, untouched);
  EXPECT_EQ(RegOpenKeyExA(closed, "x", 0, KEY_READ, &out), ERROR_INVALID_HANDLE);
  EXPECT_EQ(out, nullptr);

  // A handle to a deleted key answers ERROR_KEY_DELETED until it is closed.
  Key doomed;
  ASSERT_EQ(Create(base_.get(), "Doomed", doomed), ERROR_SUCCESS);
  ASSERT_EQ(SetString(doomed.get(), "v", "data"), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteKeyA(base_.get(), "Doomed"), ERROR_SUCCESS);
  // A new key of the same name is another key.
  Key reborn;
  ASSERT_EQ(Create(base_.get(), "Doomed", reborn), ERROR_SUCCESS);
  EXPECT_EQ(QueryString(reborn.get(), "v"), "<missing>");
  out = untouched;
  EXPECT_EQ(RegOpenKeyExA(doomed.get(), nullptr, 0, KEY_READ, &out), ERROR_KEY_DELETED);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(RegDeleteKeyA(doomed.get(), ""), ERROR_KEY_DELETED);
  ExpectEveryCallAnswers(doomed.get(), ERROR_KEY_DELETED);
  EXPECT_EQ(doomed.Close(), ERROR_SUCCESS);
}

TEST_F(PlatformRegistry, QueryValueAnswersSizesAndRefusesShortBuffers) {
  ASSERT_EQ(SetString(base_.get(), "text", "hello"), ERROR_SUCCESS);
  const auto query = [&](const char* name, DWORD* type, BYTE* data, DWORD* size) {
    return RegQueryValueExA(base_.get(), name, nullptr, type, data, size);
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
    EXPECT_EQ(size, c.size);
    EXPECT_EQ(type, c.type);
  }
  EXPECT_STREQ(reinterpret_cast<char*>(buffer), "hello");
  // One variable for the type and the size: the size is read first.
  for (DWORD room : {DWORD{sizeof buffer}, DWORD{3}}) {
    DWORD both = room;
    EXPECT_EQ(query("text", &both, buffer, &both), room > 6 ? ERROR_SUCCESS : ERROR_MORE_DATA);
    EXPECT_EQ(both, 6u);
  }
  DWORD reserved = 0, size = 0;
  EXPECT_EQ(RegQueryValueExA(base_.get(), "text", &reserved, nullptr, nullptr, &size), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(query("text", nullptr, buffer, nullptr), ERROR_INVALID_PARAMETER);

  // The default value answers to NULL and to the empty name.
  ASSERT_EQ(SetString(base_.get(), nullptr, "default"), ERROR_SUCCESS);
  EXPECT_EQ(QueryString(base_.get(), ""), "default");
  EXPECT_EQ(RegDeleteValueA(base_.get(), ""), ERROR_SUCCESS);
  EXPECT_EQ(QueryString(base_.get(), nullptr), "<missing>");
}

TEST_F(PlatformRegistry, SubkeysEnumerateInCaseInsensitiveNameOrder) {
  for (const char* name : {"b", "A", "a1", "Z", "0", "c"}) {
    Key key;
    ASSERT_EQ(Create(base_.get(), name, key), ERROR_SUCCESS);
  }
  EXPECT_EQ(Names(base_.get()), (std::vector<std::string>{"0", "A", "a1", "b", "c", "Z"}));
  const auto list = [&](DWORD at, char* out, DWORD* length, DWORD* reserved = nullptr, FILETIME* written = nullptr) {
    return RegEnumKeyExA(base_.get(), at, out, length, reserved, nullptr, nullptr, written);
  };
  char name[8];
  DWORD length = 2;  // "a1" needs 3 with its NUL
  EXPECT_EQ(list(2, name, &length), ERROR_MORE_DATA);
  EXPECT_EQ(length, 2u);
  length = 3;
  FILETIME written = {0, 0};
  EXPECT_EQ(list(2, name, &length, nullptr, &written), ERROR_SUCCESS);
  EXPECT_STREQ(name, "a1");
  EXPECT_EQ(length, 2u);
  EXPECT_NE(written.dwHighDateTime, 0u);
  DWORD reserved = 0;
  length = sizeof name;
  EXPECT_EQ(list(0, name, &length, &reserved), ERROR_INVALID_PARAMETER);
}

TEST_F(PlatformRegistry, ValuesEnumerateOnceEachWithTheirData) {
  for (const char* name : {"b", "A", "c", ""}) ASSERT_EQ(SetString(base_.get(), name, name), ERROR_SUCCESS);
  std::vector<std::string> names = Names(base_.get(), true);
#ifndef _WIN32
  // The emulation keeps the order of creation; Windows promises no order and
  // Wine sorts by name, so only here is the order checked.
  EXPECT_EQ(names, (std::vector<std::string>{"b", "A", "c", ""}));
#endif
  const DWORD index = static_cast<DWORD>(std::find(names.begin(), names.end(), "A") - names.begin());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"", "A", "b", "c"}));

  const auto list = [&](DWORD at, char* out, DWORD* outLength, DWORD* type, BYTE* data, DWORD* size) {
    return RegEnumValueA(base_.get(), at, out, outLength, nullptr, type, data, size);
  };
  char name[8];
  BYTE data[8];
  DWORD length = sizeof name, size = 1, type = 0;  // "A" and its NUL need 2
  EXPECT_EQ(list(index, name, &length, &type, data, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 2u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  size = 0;
  length = sizeof name;
  EXPECT_EQ(list(index, name, &length, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 2u);
  EXPECT_EQ(length, 1u);
  size = sizeof data;
  length = 1;  // no room for the name's NUL
  EXPECT_EQ(list(index, name, &length, &type, data, &size), ERROR_MORE_DATA);
  length = sizeof name;
  EXPECT_EQ(list(0, nullptr, &length, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(list(0, name, &length, nullptr, data, nullptr), ERROR_INVALID_PARAMETER);
}

DWORD StoredSize(HKEY key, const char* name) {
  DWORD size = 0;
  if (RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return 0xFFFFFFFF;
  return size;
}

// A string whose size leaves out its NUL while a NUL follows gains it; one
// followed by anything else, or of another type, is stored as given.
TEST_F(PlatformRegistry, AStringSetWithoutItsNulGainsTheNulThatFollowsIt) {
  for (DWORD type : {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_BINARY, REG_NONE, REG_DWORD}) {
    SCOPED_TRACE(type);
    const bool text = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    ASSERT_EQ(Set(base_.get(), "z", type, "abc", 3), ERROR_SUCCESS);  // a NUL follows
    EXPECT_EQ(StoredSize(base_.get(), "z"), text ? 4u : 3u);
    ASSERT_EQ(Set(base_.get(), "x", type, "abcX", 3), ERROR_SUCCESS);
    EXPECT_EQ(StoredSize(base_.get(), "x"), 3u);
    ASSERT_EQ(Set(base_.get(), "n", type, "ab\0\0", 3), ERROR_SUCCESS);
    EXPECT_EQ(StoredSize(base_.get(), "n"), 3u);
  }
  ASSERT_EQ(Set(base_.get(), "e", REG_SZ, "abc", 0), ERROR_SUCCESS);
  EXPECT_EQ(StoredSize(base_.get(), "e"), 0u);
}

// A string stored without its NUL reads back with one after it wherever
// the buffer has room, by query and by listing alike; other types never.
TEST_F(PlatformRegistry, AStringStoredWithoutItsNulReadsBackWithOneWhenThereIsRoom) {
  for (DWORD type : {REG_SZ, REG_BINARY}) {
    ASSERT_EQ(Set(base_.get(), "v", type, "abcX", 3), ERROR_SUCCESS);  // the key's one value, listed first
    for (DWORD room : {DWORD{3}, DWORD{8}}) {
      SCOPED_TRACE(testing::Message() << "type " << type << " room " << room);
      BYTE queried[8], listed[8];
      std::memset(queried, '#', sizeof queried);
      std::memset(listed, '#', sizeof listed);
      DWORD querySize = room, listSize = room, nameLength = 8;
      char name[8];
      ASSERT_EQ(RegQueryValueExA(base_.get(), "v", nullptr, nullptr, queried, &querySize), ERROR_SUCCESS);
      ASSERT_EQ(RegEnumValueA(base_.get(), 0, name, &nameLength, nullptr, nullptr, listed, &listSize), ERROR_SUCCESS);
      EXPECT_EQ(querySize, 3u);
      EXPECT_EQ(listSize, 3u);
      const BYTE expected = room > 3 && type == REG_SZ ? 0 : '#';
      EXPECT_EQ(queried[3], expected);
      EXPECT_EQ(listed[3], expected);
    }
  }
}

// A value name longer than its buffer: 234, with the value's type and size;
// as much of the name as fits, NUL-terminated, and (with a data buffer or
// without) the size all the same.
TEST_F(PlatformRegistry, ListingAValueWhoseNameDoesNotFitStillGivesItsTypeAndSize) {
  ASSERT_EQ(Set(base_.get(), "LongName", REG_EXPAND_SZ, "hello", 6), ERROR_SUCCESS);
  for (DWORD room : {DWORD{0}, DWORD{1}, DWORD{4}, DWORD{8}}) {
    for (bool withData : {true, false}) {
      SCOPED_TRACE(testing::Message() << "room " << room << (withData ? " with data" : ""));
      char name[16];
      BYTE data[16];
      std::memset(name, '#', sizeof name);
      std::memset(data, '#', sizeof data);
      DWORD nameLength = room;
      DWORD type = 77;
      DWORD size = withData ? sizeof data : 99;
      EXPECT_EQ(RegEnumValueA(base_.get(), 0, name, &nameLength, nullptr, &type, withData ? data : nullptr, &size),
                ERROR_MORE_DATA);
      EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
      EXPECT_EQ(size, 6u);
      EXPECT_EQ(nameLength, room);
      if (room != 0) {
        EXPECT_EQ(std::string(name), std::string("LongName").substr(0, room - 1));
      }
#ifndef _WIN32
      // Windows differs by version and code page here: in a UTF-8 code page
      // (the emulation's) and on XP it leaves the data alone; elsewhere, and
      // Wine, it copies it. The emulation leaves it.
      EXPECT_EQ(data[0], '#');
#endif
    }
  }
  // Neither name nor data fits: only the type and size come back.
  char name[4] = {'#'};
  BYTE data[2] = {'#', '#'};
  DWORD nameLength = sizeof name;
  DWORD size = sizeof data;
  EXPECT_EQ(RegEnumValueA(base_.get(), 0, name, &nameLength, nullptr, nullptr, data, &size), ERROR_MORE_DATA);
  EXPECT_EQ(name[0], '#');
  EXPECT_EQ(data[0], '#');
  EXPECT_EQ(size, 6u);
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
    EXPECT_EQ(RegQueryInfoKeyA(base_.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               &size, nullptr, nullptr),
              ERROR_SUCCESS);
    return size;
  };
  for (const auto& c : cases) {
    ASSERT_EQ(Set(base_.get(), "v", c.type, c.data, c.size), ERROR_SUCCESS);  // the one value, each time
    EXPECT_EQ(largest(), c.largest) << c.name;
  }
  // Of several values, the largest (14 for the last above), not the newest.
  ASSERT_EQ(Set(base_.get(), "w", REG_BINARY, "0123456789", 9), ERROR_SUCCESS);
  EXPECT_EQ(largest(), 14u);
}

// A class buffer of no length succeeds with the class's length; one too
// short gets as much as fits, NUL-terminated, and 234.
TEST_F(PlatformRegistry, AKeysClassIsCutToFitItsBuffer) {
  Key key;
  ASSERT_EQ(RegCreateKeyExA(base_.get(), "Classy", 0, const_cast<LPSTR>("MyClass"), REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, key.out(), nullptr),
            ERROR_SUCCESS);
  const struct {
    DWORD room;
    LONG rc;
    DWORD length;
    const char* text;
  } cases[] = {{0, ERROR_SUCCESS, 7, "#"},         {1, ERROR_MORE_DATA, 0, ""},
               {4, ERROR_MORE_DATA, 3, "MyC"},     {7, ERROR_MORE_DATA, 6, "MyClas"},
               {8, ERROR_SUCCESS, 7, "MyClass"},   {3, ERROR_SUCCESS, 7, nullptr}};  // no buffer
  for (const auto& c : cases) {
    SCOPED_TRACE(c.room);
    char buffer[16] = {'#'};
    DWORD length = c.room;
    DWORD subKeys = 99;
    EXPECT_EQ(RegQueryInfoKeyA(key.get(), c.text != nullptr ? buffer : nullptr, &length, nullptr, &subKeys, nullptr,
                               nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
              c.rc);
    EXPECT_EQ(length, c.length);
    EXPECT_EQ(subKeys, 0u);
    if (c.text != nullptr) {
      EXPECT_STREQ(buffer, c.text);
    }
  }
}

}  // namespace
