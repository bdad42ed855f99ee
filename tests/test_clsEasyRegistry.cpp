// clsEasyRegistry: paths, key operations, values, error reporting and handle
// ownership. The same tests run on the emulated registry and, cross-built,
// on Wine's. What the registry itself answers is the platform's tests'
// business; here, what the class makes of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <optional>
#include <tuple>
#include <string>
#include <utility>
#include <vector>

#include "registry/clsEasyRegistry.h"
#include "tests/RawRegistry.h"
#include "tests/RegistryTestSupport.h"

namespace {

using rawreg::Bytes;
using rawreg::Sz;
using Data = std::vector<uint8_t>;
using Names = std::vector<std::string>;

const std::string kSub = "Software\\VtrTest\\EasyRegistry";
const std::string kPath = "\\HKEY_LOCAL_MACHINE\\SOFTWARE\\VTRTEST\\EASYREGISTRY";

// A registry failure raised: the number and source of every one, its description.
void ExpectApiError(const ErrObject& error, const std::string& description) {
  EXPECT_EQ(std::tuple(error.Number, error.Source, error.Description),
            std::tuple(clsEasyRegistry::ApiErrorNumber, std::string("EasyRegistry[API Call]"), description));
}

class EasyRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kSub);
    rawreg::CreateKey(HKEY_LOCAL_MACHINE, kSub);
  }
  void TearDown() override {
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kSub);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\VtrTest");  // only when no other test key is left
  }
  static void Put(const std::string& name, DWORD type, const Data& data) {
    rawreg::SetValue(HKEY_LOCAL_MACHINE, kSub, name, type, data);
  }
  static std::optional<rawreg::RawValue> Stored(const std::string& name) {
    return rawreg::GetValue(HKEY_LOCAL_MACHINE, kSub, name);
  }
  static Names SubKeys(const std::string& below = "") { return rawreg::SubKeys(HKEY_LOCAL_MACHINE, kSub + below); }
  // Positioned on the test key, raising registry failures unless suppress.
  clsEasyRegistry& Positioned(bool suppress = false) {
    reg.SuppressErrors(suppress);
    reg.Cd(kPath);
    EXPECT_EQ(reg.lastError(), 0);
    return reg;
  }
  // Suppressing, on a key that does not open: no current handle.
  void OnMissingKey() {
    reg.SuppressErrors(true);
    reg.Cd(kPath + "\\Missing");
  }
  clsEasyRegistry reg;
};

// ---------------------------------------------------------------- paths

// Each step from the key the one before left: paths are trimmed, upper-cased
// in their ASCII letters only, lose one trailing separator, and ".." moves to
// the parent, from a root to no key.
TEST_F(EasyRegistryTest, PathFormsAbsoluteRelativeAndParent) {
  rawreg::CreateKey(HKEY_LOCAL_MACHINE, kSub + "\\A\\B");
  const std::pair<std::string, std::string> steps[] = {
      {"  \\hkey_local_machine\\software\\VtrTest\\easyRegistry\\  ", kPath},
      {"  \\HKEY_CLASSES_ROOT  ", "\\HKEY_CLASSES_ROOT"},
      {"\\HKEY_LOCAL_MACHINE\\Software", "\\HKEY_LOCAL_MACHINE\\SOFTWARE"},
      {" VtrTest\\EasyRegistry\\ ", kPath},
      {"a\\b", kPath + "\\A\\B"},
      {"..", kPath + "\\A"},
      {" .. ", kPath},
      {"..", "\\HKEY_LOCAL_MACHINE\\SOFTWARE\\VTRTEST"},
      {"\\HKEY_LOCAL_MACHINE\\SOFTWARE", "\\HKEY_LOCAL_MACHINE\\SOFTWARE"},
      {"..", "\\HKEY_LOCAL_MACHINE"},
      {"..", ""},
  };
  for (const auto& [path, current] : steps) {
    reg.Cd(path);
    EXPECT_EQ(std::pair(reg.CurrentKey(), reg.lastError()), std::pair(current, 0)) << path;
  }
  reg.SuppressErrors(true);  // these keys are missing
  reg.Cd("\\HKEY_LOCAL_MACHINE\\SOFTWARE\\\\");  // the second separator stays
  EXPECT_EQ(reg.CurrentKey(), "\\HKEY_LOCAL_MACHINE\\SOFTWARE\\");
  reg.Cd(kPath + "\\caf\xE9\xE0z");  // whatever the locale
  EXPECT_EQ(reg.CurrentKey(), kPath + "\\CAF\xE9\xE0Z");
  EXPECT_TRUE(reg.IsWindowsNT());  // both platforms are of the NT family
}

TEST_F(EasyRegistryTest, MissingKeyKeepsTheRequestedPathAndFailsTheNextOperation) {
  Positioned(true).Cd("Missing");  // the key held before is let go too
  EXPECT_EQ(std::pair(reg.SuppressErrors(), reg.lastError()), std::pair(true, 2));
  reg.MakeKey("Child");
  EXPECT_EQ(reg.lastError(), ERROR_INVALID_HANDLE);
  reg.Cd("more");  // relative to a key that is not held
  EXPECT_EQ(std::pair(reg.CurrentKey(), reg.lastError()), std::pair(kPath + "\\MISSING\\MORE", 6));

  // Raised, the same state comes with number, source and description.
  reg.SuppressErrors(false);
  ExpectApiError(ErrorOf([&] { reg.Cd("Child"); }), "Undefined key error code!");
  EXPECT_EQ(std::pair(reg.CurrentKey(), reg.lastError()), std::pair(kPath + "\\MISSING\\MORE\\CHILD", 6));
}

// Misuse of the class is raised whatever SuppressErrors holds, before any
// registry call: lastError stays as the failed open before left it.
TEST_F(EasyRegistryTest, ClassErrorsAreRaisedWhateverSuppressErrorsHolds) {
  const auto cd = [&](const char* path) {
    return [&, path] {
      reg.Cd("\\");  // no current key: a relative path counts as absolute
      reg.Cd(path);
    };
  };
  const auto write = [&](int32_t kind, Variant value) {
    return [&, kind, value]() mutable { reg.ValueOf("bad", kind, value); };
  };
  using namespace ValueKind;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // The class's own error numbers, 1 to 4 above its base. (A DWORD of 1.5 is
  // vtrreg's console test's; infinity fails as 2^32 does.)
  const std::vector<std::pair<int, std::function<void()>>> cases = {
      {1, cd("..")}, {2, cd("")} /* "\" + nothing: the root is empty */, {2, cd("\\HKEY_PERFORMANCE_DATA")},
      {2, cd("\\HKEY_LOCAL_MACHINEX\\Software")}, {4, write(-1, Variant("x"))}, {4, write(4, Variant("x"))},
      {3, write(String, Variant(ByteArray({1})))}, {3, write(DWord, Variant(static_cast<int16_t>(5)))},
      {3, write(DWord, Variant(-1.0))}, {3, write(DWord, Variant(4294967296.0))}, {3, write(DWord, Variant(nan))},
      {3, write(MultiString, Variant(1.0))}, {3, write(Binary, Variant(ByteArray()))},  // never allocated: 0 dimensions
      {3, write(Binary, Variant(ByteArray::WithBounds({{0, 2}, {0, 2}})))}, {3, write(Binary, Variant("text"))},
  };
  for (bool suppress : {false, true}) {
    for (size_t i = 0; i < cases.size(); ++i) {
      SCOPED_TRACE(testing::Message() << "case " << i << (suppress ? " suppressed" : ""));
      OnMissingKey();
      reg.SuppressErrors(suppress);
      const ErrObject error = ErrorOf(cases[i].second);
      EXPECT_EQ(error.Number - clsEasyRegistry::ClassErrorBase, cases[i].first);
      EXPECT_EQ(reg.lastError(), ERROR_FILE_NOT_FOUND);
      // The one description no other caller's test shows.
      EXPECT_TRUE(cases[i].first != 1 || std::string(error.what()) == "No current Key.");
    }
  }
}

// ---------------------------------------------------------------- key operations

// The keys themselves are the registry's to make and delete (its own tests
// show how); here, that the class passes on the caller's names from the key
// it holds, stays there, and reports the answer.
TEST_F(EasyRegistryTest, MakeKeyAndDeletesWorkOnTheCurrentKeyAndReportWhatTheRegistrySays) {
  rawreg::CreateKey(HKEY_LOCAL_MACHINE, kSub + "\\Parent\\Child");
  Put("v", REG_SZ, Bytes("x"));
  Positioned(true).MakeKey("MixedCase\\SubLevel");
  EXPECT_EQ(std::pair(reg.CurrentKey(), reg.lastError()), std::pair(kPath, 0));
  EXPECT_EQ(SubKeys(), (Names{"MixedCase", "Parent"}));
  EXPECT_EQ(SubKeys("\\MixedCase"), Names{"SubLevel"});
  reg.DeleteKey("MixedCase\\SubLevel");
  EXPECT_EQ(std::pair(SubKeys("\\MixedCase"), reg.lastError()), std::pair(Names{}, 0));
  reg.DeleteKey("Parent");  // not recursive: a key with subkeys stays
  EXPECT_EQ(reg.lastError(), ERROR_ACCESS_DENIED);
  reg.DeleteValue("v");
  EXPECT_EQ(std::pair(Stored("v").has_value(), reg.lastError()), std::pair(false, 0));
  reg.DeleteValue("v");
  EXPECT_EQ(std::pair(reg.CurrentKey(), reg.lastError()), std::pair(kPath, 2));

  reg.SuppressErrors(false);
  ExpectApiError(ErrorOf([&] { reg.DeleteKey("Parent"); }), "Access to Registry Denied.");
  EXPECT_EQ(reg.lastError(), ERROR_ACCESS_DENIED);
}

// ---------------------------------------------------------------- values

TEST_F(EasyRegistryTest, WritesStoreEachKindsBytesAndLeaveTheKindAlone) {
  const Data multi = Bytes(std::string("a\0bc\0\0", 6));
  const struct {
    const char* name; int32_t kind; Variant value; DWORD type; Data bytes;
  } cases[] = {
      {"abc", ValueKind::String, Variant("abc"), REG_SZ, Sz("abc")},
      {"empty", ValueKind::String, Variant(std::string()), REG_SZ, {0}},
      {"five", ValueKind::DWord, Variant(5.0), REG_DWORD, {5, 0, 0, 0}},
      {"zero", ValueKind::DWord, Variant(0.0), REG_DWORD, {0, 0, 0, 0}},
      {"bin", ValueKind::Binary, Variant(ByteArray({0x00, 0x0A, 0xFF}, 5)), REG_BINARY, {0x00, 0x0A, 0xFF}},
      {"none", ValueKind::Binary, Variant(ByteArray::WithBounds({{0, 0}})), REG_BINARY, {}},
      {"multi", ValueKind::MultiString, Variant(ByteArray(multi)), REG_MULTI_SZ, multi},
      // Nothing is added, not even to string data that lacks its final zero.
      {"open", ValueKind::MultiString, Variant(ByteArray({'a', 'b'})), REG_MULTI_SZ, {'a', 'b'}},
  };
  Positioned();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int32_t kind = c.kind;
    reg.ValueOf(c.name, kind, c.value);
    const auto stored = Stored(c.name).value_or(rawreg::RawValue{});
    EXPECT_EQ(std::tuple(reg.lastError(), kind, stored.type, stored.bytes), std::tuple(0, c.kind, c.type, c.bytes));
  }
}

TEST_F(EasyRegistryTest, ReadsDecodeEachRegistryType) {
  const Data multi = Bytes(std::string("a\0bc\0\0", 6)), abc = {'a', 'b', 'c'};
  const struct {
    const char* label; DWORD type; Data data; int32_t kind; std::string text; Data bytes; double number;
  } cases[] = {
      // Odd lengths: the missing high byte of the last pair counts as 0.
      {"dword3", REG_DWORD, {0x01, 0x02, 0x03}, ValueKind::DWord, "00030201", {0x01, 0x02, 0x03}, 197121},
      {"dword0", REG_DWORD, {}, ValueKind::DWord, "", {}, 0},
      {"binary", REG_BINARY, {0x0A, 0x00, 0xFF}, ValueKind::Binary, "A 0 FF", {0x0A, 0x00, 0xFF}, 0},
      {"sznonul", REG_SZ, abc, ValueKind::String, "abc", abc, 0},
      {"szempty", REG_SZ, {0}, ValueKind::String, "", {0}, 0}, {"szone", REG_SZ, {'a', 0}, ValueKind::String, "a", {'a'}, 0},
      {"multi", REG_MULTI_SZ, multi, ValueKind::String, std::string("a\0bc\0", 5), Data(multi.begin(), multi.end() - 1), 0},
  };
  for (const auto& c : cases) Put(c.label, c.type, c.data);
  Positioned();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    int32_t kind = 99;
    RegistryValue value = reg.ValueOf(c.label, kind);
    EXPECT_EQ(std::pair(reg.lastError(), kind), std::pair(0, c.kind));
    EXPECT_EQ(std::tuple(value.Text, value.Bytes, value.Number), std::tuple(c.text, c.bytes, c.number));
  }
}

TEST_F(EasyRegistryTest, MissingValueReadsEmptyWhenSuppressedAndRaisesOtherwise) {
  int32_t kind = ValueKind::DWord;
  RegistryValue value = Positioned(true).ValueOf("absent", kind);
  EXPECT_EQ(std::pair(reg.lastError(), kind), std::pair(2, ValueKind::String));
  EXPECT_EQ(std::tuple(value.Text, value.Bytes.size(), value.Number), std::tuple("", 0u, 0.0));

  reg.SuppressErrors(false);
  kind = ValueKind::DWord;
  ExpectApiError(ErrorOf([&] { reg.ValueOf("absent", kind); }), "Key/Value does not exist.");
  EXPECT_EQ(std::pair(reg.lastError(), kind), std::pair(2, ValueKind::DWord));  // nothing was returned
}

// ---------------------------------------------------------------- listings

TEST_F(EasyRegistryTest, DirKeyListsSubkeysAsTheRegistrySpellsThemOrWithoutCurrentKeyTheRoots) {
  Positioned();
  EXPECT_FALSE(reg.DirKey().has_value());  // an empty key lists nothing
  EXPECT_FALSE(reg.DirValue().has_value());
  EXPECT_EQ(reg.lastError(), 0);
  for (const char* name : {"Recent", "options", "MiXeD Case", "b", "Recent\\NotListed"})
    rawreg::CreateKey(HKEY_LOCAL_MACHINE, kSub + "\\" + name);
  Put("value", REG_SZ, Bytes("not a key"));
  EXPECT_EQ(reg.DirKey(), (Names{"b", "MiXeD Case", "options", "Recent"}));  // in the registry's order
  EXPECT_EQ(reg.CurrentKey(), kPath);

  OnMissingKey();
  reg.Cd("\\");
  EXPECT_EQ(reg.DirKey(), (Names{"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                                 "HKEY_DYN_DATA", "HKEY_CURRENT_CONFIG"}));
  EXPECT_FALSE(reg.DirValue().has_value());
  EXPECT_EQ(reg.lastError(), 2);  // no registry call was made
}

// The data and kind of a listed value, found by name (the order is the
// registry's own).
std::pair<std::string, std::string> Column(const clsEasyRegistry::ValueTable& table, const std::string& name) {
  const auto& names = table[clsEasyRegistry::RowName];
  const auto at = static_cast<size_t>(std::find(names.begin(), names.end(), name) - names.begin());
  if (at == names.size()) return {"<not listed>", ""};
  return std::pair(table[clsEasyRegistry::RowData][at], table[clsEasyRegistry::RowKind][at]);
}

// The usual forms (text, bytes, a full DWORD, a list, the default value) are
// vtrreg's listing test's to show.
TEST_F(EasyRegistryTest, DirValueShowsEachTypeByItsDisplayRule) {
  const std::string longText(1023, 'x');  // with its NUL exactly fills the data buffer
  const struct {
    const char* name; DWORD type; Data data; std::string text; const char* kind;
  } cases[] = {
      {"szempty", REG_SZ, {0}, "", "0"},
      {"sznonul", REG_SZ, {'z', 'z', 'z'}, "zzz", "0"},  // only a final zero byte goes
      {"nodata", REG_BINARY, {}, "", ""},
      {"dword3", REG_DWORD, {0x01, 0x02, 0x03}, "00030201 (0,000,197,121)", "2"},
      {"dword8", REG_DWORD, {0, 0, 0, 0, 1, 0, 0, 0}, "0000000100000000 (4,294,967,296)", "2"},
      {"dword9", REG_DWORD, {0, 0, 0, 0, 0, 0, 0, 0, 1}, "00010000000000000000 (18,446,744,073,709,551,616)", "2"},
      {"high", REG_SZ, {0xE9, 0xFC, 0}, "\xE9\xFC", "0"},
      {"long", REG_SZ, Sz(longText), longText, "0"},
  };
  for (const auto& c : cases) Put(c.name, c.type, c.data);
  auto table = Positioned().DirValue().value_or(clsEasyRegistry::ValueTable{});
  EXPECT_EQ(reg.lastError(), 0);
  for (const auto& row : table) EXPECT_EQ(row.size(), std::size(cases));
  for (const auto& c : cases) EXPECT_EQ(Column(table, c.name), std::pair(c.text, std::string(c.kind))) << c.name;
}

// A value's data or name, or a subkey's class, too long for the listing's
// buffers: its index lists empty, and the failure is the caller's to see.
TEST_F(EasyRegistryTest, EntriesTooLongForTheBuffersListEmptyWhenSuppressedAndRaiseOtherwise) {
  Put("big", REG_BINARY, Data(1025, 0xAB));
  Put("small", REG_DWORD, {1, 0, 0, 0});
  Put(std::string(1024, 'n'), REG_SZ, Sz("x"));
  rawreg::CreateKey(HKEY_LOCAL_MACHINE, kSub + "\\Plain");
  rawreg::CreateKey(HKEY_LOCAL_MACHINE, kSub + "\\Wide", std::string(1024, 'c'));  // listed after Plain
  auto table = Positioned(true).DirValue().value_or(clsEasyRegistry::ValueTable{});  // the last error is the last entry's
  // An earlier entry's name and data must not show through a failed index.
  EXPECT_EQ(Column(table, "small"), std::pair(std::string("00000001 (0,000,000,001)"), std::string("2")));
  for (const auto& row : table) EXPECT_EQ(std::tuple(row.size(), std::count(row.begin(), row.end(), "")), std::tuple(3u, 2));
  EXPECT_EQ(reg.DirKey(), (Names{"Plain", ""}));
  EXPECT_EQ(reg.lastError(), ERROR_MORE_DATA);
  reg.SuppressErrors(false);
  ExpectApiError(ErrorOf([&] { reg.DirValue(); }), "Undefined key error code!");
  ExpectApiError(ErrorOf([&] { reg.DirKey(); }), "Undefined key error code!");
  EXPECT_EQ(reg.lastError(), ERROR_MORE_DATA);
}

// ---------------------------------------------------------------- handles

// Every path through the class, successful, suppressed and raised, with the
// objects released at the end: no handle may stay open.
void RunEveryKindOfOperation() {
  {
    clsEasyRegistry reg;
    reg.Cd(kPath);
    reg.MakeKey("Leak\\Deeper");
    reg.Cd("Leak");
    int32_t kind = ValueKind::String;
    reg.ValueOf("s", kind, Variant("text"));
    reg.ValueOf("s", kind);
    ErrorOf([&] { reg.ValueOf("missing", kind); });
    ErrorOf([&] { reg.Cd("NoSuchChild"); });
    reg.Cd(kPath + "\\Leak");
    ErrorOf([&] { reg.Cd("\\HKEY_NOWHERE"); });
    reg.Cd(kPath + "\\Leak");
    reg.DeleteKey("Deeper");
    reg.Cd("..");
    reg.DeleteKey("Leak");
    reg.Cd("\\");
    reg.Cd(kPath);
  }  // released while positioned
  {
    clsEasyRegistry quiet;
    quiet.SuppressErrors(true);
    quiet.Cd(kPath + "\\Missing");
    quiet.MakeKey("X");
    quiet.DirKey();
    quiet.DirValue();
  }  // released after a failed open
}

TEST_F(EasyRegistryTest, NoHandleStaysOpenAfterTheObjectsAreReleased) {
  RunEveryKindOfOperation();  // let the platform open whatever it keeps for good
  const long before = OpenRegistryHandleCount();
  for (int round = 0; round < 3; ++round) RunEveryKindOfOperation();
  EXPECT_EQ(OpenRegistryHandleCount(), before);
  Positioned();
  EXPECT_EQ(OpenRegistryHandleCount(), before + 1);  // one key held, no more
}

}  // namespace
