// The registry functions as a caller sees them. The same source runs natively
// (on the emulated registry) and under wine64 (on Wine's registry); where the
// two are known to answer differently, the test names the platform and why.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/modAPI.h"
#include "tests/RegistryTestSupport.h"

namespace {

const std::string kBase = "Software\\VtrTest\\PlatformRegistry";

// Owns one open key handle and closes it exactly once.
class Key {
 public:
  Key() = default;
  explicit Key(HKEY handle) : handle_(handle) {}
  ~Key() { Close(); }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY get() const { return handle_; }
  HKEY* out() {
    Close();
    return &handle_;
  }
  LONG Close() {
    LONG rc = handle_ != nullptr ? RegCloseKey(handle_) : ERROR_SUCCESS;
    handle_ = nullptr;
    return rc;
  }
  HKEY release() {
    HKEY handle = handle_;
    handle_ = nullptr;
    return handle;
  }

 private:
  HKEY handle_ = nullptr;
};

LONG Create(HKEY parent, const std::string& path, Key& key, DWORD* disposition = nullptr,
            REGSAM access = KEY_ALL_ACCESS) {
  return RegCreateKeyExA(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                         key.out(), disposition);
}

LONG Open(HKEY parent, const char* path, Key& key, REGSAM access) {
  return RegOpenKeyExA(parent, path, 0, access, key.out());
}

LONG SetString(HKEY key, const char* name, const std::string& text) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1));
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

std::vector<std::string> SubKeyNames(HKEY key) {
  std::vector<std::string> names;
  char name[300];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof name;
    LONG rc = RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    EXPECT_EQ(rc, ERROR_SUCCESS);
    if (rc != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  return names;
}

std::vector<std::string> ValueNames(HKEY key) {
  std::vector<std::string> names;
  char name[300];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof name;
    LONG rc = RegEnumValueA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    EXPECT_EQ(rc, ERROR_SUCCESS);
    if (rc != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  return names;
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
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  Key opened;
  EXPECT_EQ(Open(base_.get(), "mixed\\DEEPER", opened, KEY_READ), ERROR_SUCCESS);
  EXPECT_EQ(SubKeyNames(base_.get()), std::vector<std::string>{"MiXed"});

  ASSERT_EQ(SetString(base_.get(), "Val", "first"), ERROR_SUCCESS);
  ASSERT_EQ(SetString(base_.get(), "VAL", "second"), ERROR_SUCCESS);
  EXPECT_EQ(QueryString(base_.get(), "vAl"), "second");
  EXPECT_EQ(ValueNames(base_.get()), std::vector<std::string>{"Val"});
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
  EXPECT_EQ(SubKeyNames(trailing.get()), std::vector<std::string>{"Three"});

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

TEST_F(PlatformRegistry, NameLengthLimits) {
  const std::string longest(255, 'k');
  Key key;
  ASSERT_EQ(Create(base_.get(), longest, key), ERROR_SUCCESS);
  EXPECT_EQ(SubKeyNames(base_.get()), std::vector<std::string>{longest});
  EXPECT_EQ(Create(base_.get(), std::string(257, 'k'), key), ERROR_INVALID_PARAMETER);

  const std::string longestValue(16383, 'v');
  EXPECT_EQ(SetString(base_.get(), longestValue.c_str(), "x"), ERROR_SUCCESS);
  EXPECT_EQ(QueryString(base_.get(), longestValue.c_str()), "x");
  const std::string tooLong(16384, 'v');
  EXPECT_EQ(SetString(base_.get(), tooLong.c_str(), "x"), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegQueryValueExA(base_.get(), tooLong.c_str(), nullptr, nullptr, nullptr, nullptr),
            ERROR_FILE_NOT_FOUND);
}

TEST_F(PlatformRegistry, PredefinedRootsOpenAsThemselvesAndNeedNoClosing) {
  for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                    HKEY_CURRENT_CONFIG, HKEY_DYN_DATA}) {
    HKEY opened = nullptr;
    EXPECT_EQ(RegOpenKeyExA(root, nullptr, 0, KEY_READ, &opened), ERROR_SUCCESS);
    EXPECT_EQ(opened, root);
    EXPECT_EQ(RegCloseKey(root), ERROR_SUCCESS);
  }
  Key software;
  EXPECT_EQ(Open(HKEY_LOCAL_MACHINE, "SOFTWARE", software, KEY_READ), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), ERROR_ACCESS_DENIED);
}

TEST_F(PlatformRegistry, EachCallChecksTheRightsOfItsHandle) {
  Key child;
  ASSERT_EQ(Create(base_.get(), "Child", child), ERROR_SUCCESS);
  ASSERT_EQ(SetString(base_.get(), "v", "data"), ERROR_SUCCESS);
  char name[64];
  DWORD length = sizeof name;

  Key query;
  ASSERT_EQ(Open(base_.get(), nullptr, query, KEY_QUERY_VALUE), ERROR_SUCCESS);
  EXPECT_EQ(QueryString(query.get(), "v"), "data");
  EXPECT_EQ(SetString(query.get(), "v", "x"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteValueA(query.get(), "v"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegEnumKeyExA(query.get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_ACCESS_DENIED);
  // Deletion takes no right of the handle: the handle's own key is refused
  // here only because it has a subkey.
  EXPECT_EQ(RegDeleteKeyA(query.get(), ""), ERROR_ACCESS_DENIED);

  Key enumerate;
  ASSERT_EQ(Open(base_.get(), nullptr, enumerate, KEY_ENUMERATE_SUB_KEYS), ERROR_SUCCESS);
  EXPECT_EQ(SubKeyNames(enumerate.get()), std::vector<std::string>{"Child"});
  length = sizeof name;
  EXPECT_EQ(RegEnumValueA(enumerate.get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegQueryValueExA(enumerate.get(), "v", nullptr, nullptr, nullptr, nullptr),
            ERROR_ACCESS_DENIED);

  Key set;
  ASSERT_EQ(Open(base_.get(), nullptr, set, KEY_SET_VALUE), ERROR_SUCCESS);
  EXPECT_EQ(SetString(set.get(), "w", "written"), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(set.get(), "w", nullptr, nullptr, nullptr, nullptr), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteValueA(set.get(), "w"), ERROR_SUCCESS);

  // Generic rights stand for the key rights they map to.
  Key generic;
  ASSERT_EQ(Open(base_.get(), nullptr, generic, GENERIC_READ), ERROR_SUCCESS);
  EXPECT_EQ(QueryString(generic.get(), "v"), "data");
  EXPECT_EQ(SetString(generic.get(), "v", "x"), ERROR_ACCESS_DENIED);

  Key none;
  ASSERT_EQ(Open(base_.get(), nullptr, none, 0), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(none.get(), "v", nullptr, nullptr, nullptr, nullptr), ERROR_ACCESS_DENIED);
#ifndef _WIN32
  // Windows answers key information only to a handle with KEY_QUERY_VALUE
  // (ZwQueryKey); Wine does not check it.
  DWORD count = 0;
  EXPECT_EQ(RegQueryInfoKeyA(none.get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr),
            ERROR_ACCESS_DENIED);
#endif
  EXPECT_EQ(RegDeleteKeyA(none.get(), "Child"), ERROR_SUCCESS);
}

TEST_F(PlatformRegistry, BadOrClosedHandlesAnswerInvalidHandle) {
  Key key;
  ASSERT_EQ(Create(base_.get(), "Gone", key), ERROR_SUCCESS);
  HKEY closed = key.release();
  ASSERT_EQ(RegCloseKey(closed), ERROR_SUCCESS);

  // Checked at once: Windows hands a closed handle's value out again later.
  EXPECT_EQ(RegCloseKey(closed), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegQueryValueExA(closed, "x", nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);

  const BYTE data[] = {1};
  char name[64];
  {
    HKEY bad = nullptr;
    HKEY out = nullptr;
    DWORD length = sizeof name;
    DWORD count = 0;
    EXPECT_EQ(RegOpenKeyExA(bad, "x", 0, KEY_READ, &out), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCreateKeyExA(bad, "x", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &out, nullptr),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegDeleteKeyA(bad, "x"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegDeleteValueA(bad, "x"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueExA(bad, "x", nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegSetValueExA(bad, "x", 0, REG_BINARY, data, 1), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryInfoKeyA(bad, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegEnumKeyExA(bad, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegEnumValueA(bad, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(bad), ERROR_INVALID_HANDLE);
  }
}

TEST_F(PlatformRegistry, AHandleToADeletedKeyAnswersKeyDeletedUntilClosed) {
  Key doomed;
  ASSERT_EQ(Create(base_.get(), "Doomed", doomed), ERROR_SUCCESS);
  ASSERT_EQ(SetString(doomed.get(), "v", "data"), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteKeyA(base_.get(), "Doomed"), ERROR_SUCCESS);
  // A new key of the same name is another key.
  Key reborn;
  ASSERT_EQ(Create(base_.get(), "Doomed", reborn), ERROR_SUCCESS);
  EXPECT_EQ(QueryString(reborn.get(), "v"), "<missing>");

  HKEY h = doomed.get();
  const BYTE data[] = {1};
  char name[64];
  DWORD length = sizeof name;
  DWORD count = 0;
  HKEY out = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x1234));
  EXPECT_EQ(RegOpenKeyExA(h, nullptr, 0, KEY_READ, &out), ERROR_KEY_DELETED);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(RegOpenKeyExA(h, "x", 0, KEY_READ, &out), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCreateKeyExA(h, "x", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &out, nullptr),
            ERROR_KEY_DELETED);
  EXPECT_EQ(RegDeleteKeyA(h, "x"), ERROR_KEY_DELETED);
  EXPECT_EQ(RegDeleteKeyA(h, ""), ERROR_KEY_DELETED);
  EXPECT_EQ(RegDeleteValueA(h, "v"), ERROR_KEY_DELETED);
  EXPECT_EQ(RegQueryValueExA(h, "v", nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
  EXPECT_EQ(RegSetValueExA(h, "v", 0, REG_BINARY, data, 1), ERROR_KEY_DELETED);
  EXPECT_EQ(RegQueryInfoKeyA(h, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr),
            ERROR_KEY_DELETED);
  EXPECT_EQ(RegEnumKeyExA(h, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
  EXPECT_EQ(RegEnumValueA(h, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
  EXPECT_EQ(doomed.Close(), ERROR_SUCCESS);
}

TEST_F(PlatformRegistry, DeleteKeyRefusesAKeyWithSubkeys) {
  Key leaf;
  ASSERT_EQ(Create(base_.get(), "Parent\\Leaf", leaf), ERROR_SUCCESS);
  leaf.Close();
  EXPECT_EQ(RegDeleteKeyA(base_.get(), "Parent"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyA(base_.get(), "parent\\leaf"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(base_.get(), "Parent\\Leaf"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyA(base_.get(), nullptr), ERROR_INVALID_PARAMETER);

  // An empty name deletes the handle's own key, with its values, whatever
  // rights the handle holds.
  Key self;
  ASSERT_EQ(Open(base_.get(), "Parent", self, KEY_QUERY_VALUE), ERROR_SUCCESS);
  {
    Key writer;
    ASSERT_EQ(Open(base_.get(), "Parent", writer, KEY_SET_VALUE), ERROR_SUCCESS);
    ASSERT_EQ(SetString(writer.get(), "v", "data"), ERROR_SUCCESS);
  }
  EXPECT_EQ(RegDeleteKeyA(self.get(), ""), ERROR_SUCCESS);
  Key probe;
  EXPECT_EQ(Open(base_.get(), "Parent", probe, KEY_READ), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(Create(base_.get(), "Parent", probe), ERROR_SUCCESS);
  EXPECT_TRUE(ValueNames(probe.get()).empty());
}

TEST_F(PlatformRegistry, QueryValueAnswersSizesAndRefusesShortBuffers) {
  ASSERT_EQ(SetString(base_.get(), "text", "hello"), ERROR_SUCCESS);
  DWORD type = 0;
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(base_.get(), "text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 6u);

  char buffer[16];
  std::memset(buffer, '#', sizeof buffer);
  size = 5;
  type = 0;
  EXPECT_EQ(RegQueryValueExA(base_.get(), "text", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  size = 6;
  EXPECT_EQ(RegQueryValueExA(base_.get(), "text", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(buffer, "hello");

  DWORD reserved = 0;
  EXPECT_EQ(RegQueryValueExA(base_.get(), "text", &reserved, nullptr, nullptr, &size),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegQueryValueExA(base_.get(), "text", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), nullptr),
            ERROR_INVALID_PARAMETER);
  type = 77;
  size = 55;
  EXPECT_EQ(RegQueryValueExA(base_.get(), "missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(type, static_cast<DWORD>(REG_NONE));
  EXPECT_EQ(size, 0u);

  // The default value answers to NULL and to the empty name.
  ASSERT_EQ(SetString(base_.get(), nullptr, "default"), ERROR_SUCCESS);
  EXPECT_EQ(QueryString(base_.get(), ""), "default");
  EXPECT_EQ(RegDeleteValueA(base_.get(), ""), ERROR_SUCCESS);
  EXPECT_EQ(QueryString(base_.get(), nullptr), "<missing>");
}

TEST_F(PlatformRegistry, DataIsStoredExactlyAsGiven) {
  auto stored = [this](const char* name) {
    std::vector<BYTE> data(64, 0xEE);
    DWORD size = static_cast<DWORD>(data.size());
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExA(base_.get(), name, nullptr, &type, data.data(), &size), ERROR_SUCCESS);
    data.resize(std::min<size_t>(size, data.size()));
    return std::make_pair(type, data);
  };
  // A string without its final NUL (the byte after it is not one either).
  const char abcd[] = "abcd";
  ASSERT_EQ(RegSetValueExA(base_.get(), "noNul", 0, REG_SZ, reinterpret_cast<const BYTE*>(abcd), 3),
            ERROR_SUCCESS);
  EXPECT_EQ(stored("noNul"), std::make_pair(DWORD{REG_SZ}, std::vector<BYTE>{'a', 'b', 'c'}));

  const BYTE odd[] = {1, 2, 3, 4, 5};
  ASSERT_EQ(RegSetValueExA(base_.get(), "dword3", 0, REG_DWORD, odd, 3), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(base_.get(), "dword5", 0, REG_DWORD, odd, 5), ERROR_SUCCESS);
  EXPECT_EQ(stored("dword3"), std::make_pair(DWORD{REG_DWORD}, std::vector<BYTE>{1, 2, 3}));
  EXPECT_EQ(stored("dword5"), std::make_pair(DWORD{REG_DWORD}, std::vector<BYTE>{1, 2, 3, 4, 5}));

  const BYTE multi[] = {'a', 0, 'b', 0, 0};
  ASSERT_EQ(RegSetValueExA(base_.get(), "multi", 0, REG_MULTI_SZ, multi, sizeof multi), ERROR_SUCCESS);
  EXPECT_EQ(stored("multi"), std::make_pair(DWORD{REG_MULTI_SZ}, std::vector<BYTE>(multi, multi + 5)));

  ASSERT_EQ(RegSetValueExA(base_.get(), "empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
  EXPECT_EQ(stored("empty"), std::make_pair(DWORD{REG_BINARY}, std::vector<BYTE>{}));

  ASSERT_EQ(RegSetValueExA(base_.get(), "odd type", 0, 0x12345, odd, 2), ERROR_SUCCESS);
  EXPECT_EQ(stored("odd type"), std::make_pair(DWORD{0x12345}, std::vector<BYTE>{1, 2}));

  std::vector<BYTE> every(256);
  for (int i = 0; i < 256; ++i) every[i] = static_cast<BYTE>(i);
  ASSERT_EQ(RegSetValueExA(base_.get(), "bytes", 0, REG_BINARY, every.data(), 256), ERROR_SUCCESS);
  std::vector<BYTE> back(300);
  DWORD size = static_cast<DWORD>(back.size());
  ASSERT_EQ(RegQueryValueExA(base_.get(), "bytes", nullptr, nullptr, back.data(), &size), ERROR_SUCCESS);
  back.resize(size);
  EXPECT_EQ(back, every);

  // Replacing a value replaces its type too.
  ASSERT_EQ(SetString(base_.get(), "bytes", "now text"), ERROR_SUCCESS);
  EXPECT_EQ(stored("bytes").first, static_cast<DWORD>(REG_SZ));
}

TEST_F(PlatformRegistry, SubkeysEnumerateInCaseInsensitiveNameOrder) {
  for (const char* name : {"b", "A", "a1", "Z", "0", "c"}) {
    Key key;
    ASSERT_EQ(Create(base_.get(), name, key), ERROR_SUCCESS);
  }
  EXPECT_EQ(SubKeyNames(base_.get()), (std::vector<std::string>{"0", "A", "a1", "b", "c", "Z"}));

  char name[8];
  std::memset(name, '#', sizeof name);
  DWORD length = 2;  // "a1" needs 3 with its NUL
  EXPECT_EQ(RegEnumKeyExA(base_.get(), 2, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_MORE_DATA);
  EXPECT_EQ(length, 2u);
  length = 3;
  FILETIME written = {0, 0};
  EXPECT_EQ(RegEnumKeyExA(base_.get(), 2, name, &length, nullptr, nullptr, nullptr, &written),
            ERROR_SUCCESS);
  EXPECT_STREQ(name, "a1");
  EXPECT_EQ(length, 2u);
  EXPECT_NE(written.dwHighDateTime, 0u);
  length = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(base_.get(), 6, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  DWORD reserved = 0;
  EXPECT_EQ(RegEnumKeyExA(base_.get(), 0, name, &length, &reserved, nullptr, nullptr, nullptr),
            ERROR_INVALID_PARAMETER);
}

#ifndef _WIN32
// Windows orders subkeys by their upper-cased names, so "_" (0x5F) comes
// after every letter; Wine compares lower-cased names and puts it first.
TEST_F(PlatformRegistry, PunctuationSortsAgainstUpperCasedNames) {
  for (const char* name : {"_under", "Zed", "alpha", "[bracket"}) {
    Key key;
    ASSERT_EQ(Create(base_.get(), name, key), ERROR_SUCCESS);
  }
  EXPECT_EQ(SubKeyNames(base_.get()), (std::vector<std::string>{"alpha", "Zed", "[bracket", "_under"}));
}
#endif

TEST_F(PlatformRegistry, ValuesEnumerateOnceEachWithTheirData) {
  for (const char* name : {"b", "A", "c", ""}) ASSERT_EQ(SetString(base_.get(), name, name), ERROR_SUCCESS);
  std::vector<std::string> names = ValueNames(base_.get());
#ifndef _WIN32
  // The emulation keeps the order of creation; Windows promises no order and
  // Wine sorts by name, so only here is the order checked.
  EXPECT_EQ(names, (std::vector<std::string>{"b", "A", "c", ""}));
#endif
  EXPECT_EQ(std::multiset<std::string>(names.begin(), names.end()),
            (std::multiset<std::string>{"", "A", "b", "c"}));

  DWORD index = static_cast<DWORD>(std::find(names.begin(), names.end(), "A") - names.begin());
  char name[8];
  BYTE data[8];
  DWORD length = sizeof name;
  DWORD size = 1;  // "A" and its NUL need 2
  DWORD type = 0;
  EXPECT_EQ(RegEnumValueA(base_.get(), index, name, &length, nullptr, &type, data, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 2u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  size = 0;
  length = sizeof name;
  EXPECT_EQ(RegEnumValueA(base_.get(), index, name, &length, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 2u);
  EXPECT_EQ(length, 1u);
  size = sizeof data;
  length = 1;  // no room for the name's NUL
  EXPECT_EQ(RegEnumValueA(base_.get(), index, name, &length, nullptr, &type, data, &size), ERROR_MORE_DATA);
  length = sizeof name;
  EXPECT_EQ(RegEnumValueA(base_.get(), 4, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegEnumValueA(base_.get(), 0, nullptr, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegEnumValueA(base_.get(), 0, name, &length, nullptr, nullptr, data, nullptr),
            ERROR_INVALID_PARAMETER);
}

TEST_F(PlatformRegistry, QueryInfoCountsAndMeasures) {
  for (const char* name : {"short", "muchLonger"}) {
    Key key;
    ASSERT_EQ(Create(base_.get(), name, key), ERROR_SUCCESS);
  }
  ASSERT_EQ(SetString(base_.get(), "v", "12345678"), ERROR_SUCCESS);
  ASSERT_EQ(SetString(base_.get(), "longerName", "1"), ERROR_SUCCESS);
  DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxValue = 0;
  FILETIME written = {0, 0};
  ASSERT_EQ(RegQueryInfoKeyA(base_.get(), nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values,
                             &maxValueName, &maxValue, nullptr, &written),
            ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 2u);
  EXPECT_EQ(maxSubKey, 10u);
  EXPECT_EQ(values, 2u);
  EXPECT_EQ(maxValueName, 10u);
  // Enough for the largest data; Windows counts strings as stored, in UTF-16.
  EXPECT_GE(maxValue, 9u);
  EXPECT_NE(written.dwHighDateTime, 0u);

  ASSERT_EQ(RegDeleteKeyA(base_.get(), "short"), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteValueA(base_.get(), "v"), ERROR_SUCCESS);
  ASSERT_EQ(RegQueryInfoKeyA(base_.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values,
                             nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 1u);
  EXPECT_EQ(values, 1u);
  char cls[4];
  EXPECT_EQ(RegQueryInfoKeyA(base_.get(), cls, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr),
            ERROR_INVALID_PARAMETER);
}

TEST_F(PlatformRegistry, AnEnumeratingHandleSeesChangesMadeThroughOthers) {
  Key reader;
  ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, kBase.c_str(), reader, KEY_READ), ERROR_SUCCESS);
  for (const char* name : {"k1", "k3"}) {
    Key key;
    ASSERT_EQ(Create(base_.get(), name, key), ERROR_SUCCESS);
  }
  ASSERT_EQ(SetString(base_.get(), "v1", "1"), ERROR_SUCCESS);
  EXPECT_EQ(SubKeyNames(reader.get()), (std::vector<std::string>{"k1", "k3"}));
  EXPECT_EQ(ValueNames(reader.get()), std::vector<std::string>{"v1"});

  Key added;
  ASSERT_EQ(Create(base_.get(), "k2", added), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteKeyA(base_.get(), "k1"), ERROR_SUCCESS);
  ASSERT_EQ(SetString(base_.get(), "v2", "2"), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteValueA(base_.get(), "v1"), ERROR_SUCCESS);
  EXPECT_EQ(SubKeyNames(reader.get()), (std::vector<std::string>{"k2", "k3"}));
  EXPECT_EQ(ValueNames(reader.get()), std::vector<std::string>{"v2"});
}

TEST_F(PlatformRegistry, EveryHandleOpenedIsClosedExactlyOnce) {
  Key child;
  ASSERT_EQ(Create(base_.get(), "Child", child), ERROR_SUCCESS);
  long before = OpenRegistryHandleCount();
  std::vector<HKEY> handles;
  for (int i = 0; i < 5; ++i) {
    HKEY handle = nullptr;
    ASSERT_EQ(RegOpenKeyExA(base_.get(), "Child", 0, KEY_READ, &handle), ERROR_SUCCESS);
    handles.push_back(handle);
  }
  EXPECT_EQ(OpenRegistryHandleCount(), before + 5);
  EXPECT_EQ(std::set<HKEY>(handles.begin(), handles.end()).size(), 5u);
  for (HKEY handle : handles) EXPECT_EQ(RegCloseKey(handle), ERROR_SUCCESS);
  EXPECT_EQ(OpenRegistryHandleCount(), before);
  // Failed opens leave nothing open.
  HKEY none = nullptr;
  EXPECT_EQ(RegOpenKeyExA(base_.get(), "Missing", 0, KEY_READ, &none), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(OpenRegistryHandleCount(), before);
}

TEST_F(PlatformRegistry, BadArgumentsGetWindowsCodes) {
  EXPECT_EQ(RegSetValueExA(base_.get(), "v", 0, REG_BINARY, nullptr, 2), 998);  // ERROR_NOACCESS
  // Arguments are checked before the handle.
  DWORD reserved = 0;
  EXPECT_EQ(RegQueryValueExA(nullptr, "v", &reserved, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
#ifndef _WIN32
  // Wine's advapi32 writes through these pointers unchecked and crashes;
  // Windows answers ERROR_INVALID_PARAMETER, as the emulation does.
  EXPECT_EQ(RegOpenKeyExA(base_.get(), "x", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegCreateKeyExA(base_.get(), "x", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, nullptr, nullptr),
            ERROR_INVALID_PARAMETER);
  DWORD length = 8;
  EXPECT_EQ(RegEnumKeyExA(base_.get(), 0, nullptr, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_INVALID_PARAMETER);
#endif
}

}  // namespace
