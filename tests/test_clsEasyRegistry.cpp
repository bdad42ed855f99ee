// clsEasyRegistry: paths, key operations, values, error reporting and handle
// ownership. The same tests run on the emulated registry and, cross-built,
// on Wine's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "registry/clsEasyRegistry.h"
#include "tests/RawRegistry.h"
#include "tests/RegistryTestSupport.h"

namespace {

const std::string kSub = "Software\\VtrTest\\EasyRegistry";
const std::string kPath = "\\HKEY_LOCAL_MACHINE\\SOFTWARE\\VTRTEST\\EASYREGISTRY";
constexpr int32_t kApiError = -2147221248;

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

  // An object positioned on the test key, raising registry failures.
  static void Position(clsEasyRegistry& reg) {
    reg.Cd(kPath);
    ASSERT_EQ(reg.lastError(), 0);
  }
};

template <class Operation>
ErrObject RaisedBy(Operation&& operation) {
  try {
    operation();
  } catch (const ErrObject& error) {
    return error;
  }
  ADD_FAILURE() << "no error was raised";
  return ErrObject(0, "", "");
}

void ExpectApiError(const ErrObject& error, const std::string& description) {
  EXPECT_EQ(error.Number, kApiError);
  EXPECT_EQ(error.Source, "EasyRegistry[API Call]");
  EXPECT_EQ(error.Description, description);
}

void ExpectClassError(const ErrObject& error, int code) {
  static const char* const descriptions[] = {"", "No current Key.", "Invalid Key root.",
                                             "Type passed doesn't match Value passed.",
                                             "Type passed doesn't exist. Use STRING, DWORD or BINARY."};
  EXPECT_EQ(error.Number, static_cast<int32_t>(0x80040000u) + code);
  EXPECT_EQ(error.Source, code <= 2 ? "EasyRegistry" : "EasyRegistry [Let ValueOf]");
  EXPECT_EQ(error.Description, descriptions[code]);
  EXPECT_STREQ(error.what(), descriptions[code]);
}

// ---------------------------------------------------------------- paths

TEST_F(EasyRegistryTest, PathFormsAbsoluteRelativeAndParent) {
  clsEasyRegistry reg;
  reg.Cd("  \\hkey_local_machine\\software\\VtrTest\\easyRegistry\\  ");
  EXPECT_EQ(reg.CurrentKey(), kPath);
  EXPECT_EQ(reg.lastError(), 0);

  reg.Cd("  \\HKEY_USERS  ");
  EXPECT_EQ(reg.CurrentKey(), "\\HKEY_USERS");
  EXPECT_EQ(reg.lastError(), 0);

  // Only one trailing separator goes; the second stays in the stored path.
  reg.SuppressErrors(true);
  reg.Cd("\\HKEY_LOCAL_MACHINE\\SOFTWARE\\\\");
  EXPECT_EQ(reg.CurrentKey(), "\\HKEY_LOCAL_MACHINE\\SOFTWARE\\");

  // Upper-casing touches ASCII letters only, whatever the locale.
  reg.Cd(kPath + "\\caf\xE9\xE0z");
  EXPECT_EQ(reg.CurrentKey(), kPath + "\\CAF\xE9\xE0Z");

  // Relative paths of several levels extend the current key.
  rawreg::CreateKey(HKEY_LOCAL_MACHINE, kSub + "\\A\\B");
  reg.Cd("\\HKEY_LOCAL_MACHINE\\Software");
  reg.Cd(" VtrTest\\EasyRegistry\\ ");
  EXPECT_EQ(reg.CurrentKey(), kPath);
  EXPECT_EQ(reg.lastError(), 0);
  reg.Cd("a\\b");
  EXPECT_EQ(reg.CurrentKey(), kPath + "\\A\\B");
  EXPECT_EQ(reg.lastError(), 0);

  // ".." moves to the parent, and from a root to no key.
  Position(reg);
  reg.Cd("..");
  EXPECT_EQ(reg.CurrentKey(), "\\HKEY_LOCAL_MACHINE\\SOFTWARE\\VTRTEST");
  EXPECT_EQ(reg.lastError(), 0);
  reg.Cd(" .. ");
  reg.Cd("..");
  EXPECT_EQ(reg.CurrentKey(), "\\HKEY_LOCAL_MACHINE");
  reg.Cd("..");
  EXPECT_EQ(reg.CurrentKey(), "");
  // With no current key the listing shows the roots again.
  auto roots = reg.DirKey();
  ASSERT_TRUE(roots.has_value());
  EXPECT_EQ(roots->size(), 6u);
}

TEST_F(EasyRegistryTest, UnknownRootsAreRaisedWhateverSuppressErrorsHolds) {
  for (bool suppress : {false, true}) {
    clsEasyRegistry reg;
    reg.SuppressErrors(suppress);
    ExpectClassError(RaisedBy([&] { reg.Cd(""); }), 2);  // "\" + nothing: the root is empty
    ExpectClassError(RaisedBy([&] { reg.Cd("\\HKEY_PERFORMANCE_DATA"); }), 2);
    ExpectClassError(RaisedBy([&] { reg.Cd("\\HKEY_LOCAL_MACHINEX\\Software"); }), 2);
    EXPECT_EQ(reg.lastError(), 0);
  }
}

TEST_F(EasyRegistryTest, MissingKeyKeepsTheRequestedPathAndFailsTheNextOperation) {
  clsEasyRegistry reg;
  reg.SuppressErrors(true);
  EXPECT_TRUE(reg.SuppressErrors());
  reg.Cd(kPath + "\\missing\\deeper");
  EXPECT_EQ(reg.lastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(reg.CurrentKey(), kPath + "\\MISSING\\DEEPER");
  reg.MakeKey("Child");
  EXPECT_EQ(reg.lastError(), ERROR_INVALID_HANDLE);
  reg.Cd("more");  // relative to a key that is not held
  EXPECT_EQ(reg.CurrentKey(), kPath + "\\MISSING\\DEEPER\\MORE");
  EXPECT_EQ(reg.lastError(), ERROR_INVALID_HANDLE);

  // Raised, the same state comes with number, source and description.
  reg.SuppressErrors(false);
  EXPECT_FALSE(reg.SuppressErrors());
  Position(reg);
  ExpectApiError(RaisedBy([&] { reg.Cd(kPath + "\\Missing"); }), "Key/Value does not exist.");
  EXPECT_EQ(reg.lastError(), 2);
  EXPECT_EQ(reg.CurrentKey(), kPath + "\\MISSING");
  ExpectApiError(RaisedBy([&] { reg.Cd("Child"); }), "Undefined key error code!");
  EXPECT_EQ(reg.lastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(reg.CurrentKey(), kPath + "\\MISSING\\CHILD");
}

// ---------------------------------------------------------------- key operations

TEST_F(EasyRegistryTest, MakeKeyCreatesEveryLevelWithTheCallersSpellingAndStaysPut) {
  rawreg::CreateKey(HKEY_LOCAL_MACHINE, kSub + "\\Existing");
  rawreg::SetValue(HKEY_LOCAL_MACHINE, kSub + "\\Existing", "kept", REG_SZ, rawreg::Bytes("yes"));
  clsEasyRegistry reg;
  Position(reg);
  reg.MakeKey("MixedCase\\SubLevel");
  EXPECT_EQ(reg.lastError(), 0);
  reg.MakeKey("Existing\\New");
  EXPECT_EQ(reg.lastError(), 0);
  EXPECT_EQ(reg.CurrentKey(), kPath);

  std::vector<std::string> names = rawreg::SubKeys(HKEY_LOCAL_MACHINE, kSub);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Existing", "MixedCase"}));
  EXPECT_EQ(rawreg::SubKeys(HKEY_LOCAL_MACHINE, kSub + "\\MixedCase"), std::vector<std::string>{"SubLevel"});
  EXPECT_EQ(rawreg::SubKeys(HKEY_LOCAL_MACHINE, kSub + "\\Existing"), std::vector<std::string>{"New"});
  EXPECT_TRUE(rawreg::GetValue(HKEY_LOCAL_MACHINE, kSub + "\\Existing", "kept").has_value());
}

TEST_F(EasyRegistryTest, DeleteKeyAndDeleteValueReportWhatTheRegistrySays) {
  rawreg::CreateKey(HKEY_LOCAL_MACHINE, kSub + "\\Leaf");
  rawreg::CreateKey(HKEY_LOCAL_MACHINE, kSub + "\\Parent\\Child");
  rawreg::SetValue(HKEY_LOCAL_MACHINE, kSub, "v", REG_SZ, rawreg::Bytes("x"));
  rawreg::SetValue(HKEY_LOCAL_MACHINE, kSub, "other", REG_SZ, rawreg::Bytes("y"));
  clsEasyRegistry reg;
  reg.SuppressErrors(true);
  Position(reg);

  reg.DeleteKey("Leaf");
  EXPECT_EQ(reg.lastError(), 0);
  EXPECT_FALSE(rawreg::KeyExists(HKEY_LOCAL_MACHINE, kSub + "\\Leaf"));
  reg.DeleteKey("Leaf");
  EXPECT_EQ(reg.lastError(), ERROR_FILE_NOT_FOUND);
  // Not recursive: a key with subkeys stays.
  reg.DeleteKey("Parent");
  EXPECT_EQ(reg.lastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(rawreg::KeyExists(HKEY_LOCAL_MACHINE, kSub + "\\Parent\\Child"));

  reg.DeleteValue("v");
  EXPECT_EQ(reg.lastError(), 0);
  EXPECT_FALSE(rawreg::GetValue(HKEY_LOCAL_MACHINE, kSub, "v").has_value());
  EXPECT_TRUE(rawreg::GetValue(HKEY_LOCAL_MACHINE, kSub, "other").has_value());
  reg.DeleteValue("v");
  EXPECT_EQ(reg.lastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(reg.CurrentKey(), kPath);

  reg.SuppressErrors(false);
  ExpectApiError(RaisedBy([&] { reg.DeleteValue("v"); }), "Key/Value does not exist.");
  ExpectApiError(RaisedBy([&] { reg.DeleteKey("Parent"); }), "Access to Registry Denied.");
  EXPECT_EQ(reg.lastError(), ERROR_ACCESS_DENIED);
}

// ---------------------------------------------------------------- value writes

TEST_F(EasyRegistryTest, StringWriteStoresTheTextWithOneNul) {
  clsEasyRegistry reg;
  Position(reg);
  int32_t kind = ValueKind::String;
  reg.ValueOf("abc", kind, Variant("abc"));
  EXPECT_EQ(reg.lastError(), 0);
  EXPECT_EQ(kind, ValueKind::String);
  reg.ValueOf("empty", kind, Variant(std::string()));
  reg.ValueOf("", kind, Variant("default value"));
  reg.ValueOf("latin1", kind, Variant("caf\xE9 \xFC"));

  auto abc = rawreg::GetValue(HKEY_LOCAL_MACHINE, kSub, "abc");
  ASSERT_TRUE(abc.has_value());
  EXPECT_EQ(abc->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(abc->bytes, (std::vector<uint8_t>{'a', 'b', 'c', 0}));
  auto empty = rawreg::GetValue(HKEY_LOCAL_MACHINE, kSub, "empty");
  ASSERT_TRUE(empty.has_value());
  EXPECT_EQ(empty->bytes, std::vector<uint8_t>{0});
  auto unnamed = rawreg::GetValue(HKEY_LOCAL_MACHINE, kSub, "");
  ASSERT_TRUE(unnamed.has_value());
  EXPECT_EQ(unnamed->bytes, rawreg::Bytes(std::string("default value") + '\0'));
  auto latin1 = rawreg::GetValue(HKEY_LOCAL_MACHINE, kSub, "latin1");
  ASSERT_TRUE(latin1.has_value());
  EXPECT_EQ(latin1->bytes, rawreg::Bytes(std::string("caf\xE9 \xFC") + '\0'));
}

TEST_F(EasyRegistryTest, DwordWriteAcceptsWholeDoublesInRangeOnly) {
  clsEasyRegistry reg;
  Position(reg);
  int32_t kind = ValueKind::DWord;
  reg.ValueOf("five", kind, Variant(5.0));
  reg.ValueOf("max", kind, Variant(4294967295.0));
  reg.ValueOf("zero", kind, Variant(0.0));
  EXPECT_EQ(reg.lastError(), 0);
  EXPECT_EQ(kind, ValueKind::DWord);
  auto five = rawreg::GetValue(HKEY_LOCAL_MACHINE, kSub, "five");
  ASSERT_TRUE(five.has_value());
  EXPECT_EQ(five->type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(five->bytes, (std::vector<uint8_t>{5, 0, 0, 0}));
  EXPECT_EQ(rawreg::GetValue(HKEY_LOCAL_MACHINE, kSub, "max")->bytes, (std::vector<uint8_t>{255, 255, 255, 255}));
  EXPECT_EQ(rawreg::GetValue(HKEY_LOCAL_MACHINE, kSub, "zero")->bytes, (std::vector<uint8_t>{0, 0, 0, 0}));

  const Variant misfits[] = {Variant(static_cast<int16_t>(5)), Variant(static_cast<int32_t>(5)),
                             Variant(-1.0), Variant(4294967296.0), Variant(1.5), Variant("5"),
                             Variant(std::numeric_limits<double>::quiet_NaN()),
                             Variant(std::numeric_limits<double>::infinity()), Variant()};
  for (const Variant& misfit : misfits) {
    ExpectClassError(RaisedBy([&] { reg.ValueOf("bad", kind, misfit); }), 3);
  }
  EXPECT_FALSE(rawreg::GetValue(HKEY_LOCAL_MACHINE, kSub, "bad").has_value());
}

TEST_F(EasyRegistryTest, BinaryAndMultiStringWritesStoreTheBytesOfOneDimension) {
  clsEasyRegistry reg;
  Position(reg);
  int32_t kind = ValueKind::Binary;
  reg.ValueOf("bin", kind, Variant(ByteArray({0x00, 0x0A, 0xFF}, 5)));  // lower bound 5
  reg.ValueOf("none", kind, Variant(ByteArray(std::vector<uint8_t>{})));
  kind = ValueKind::MultiString;
  reg.ValueOf("multi", kind, Variant(ByteArray(rawreg::Bytes(std::string("a\0bc\0\0", 6)))));
  EXPECT_EQ(reg.lastError(), 0);
  EXPECT_EQ(kind, ValueKind::MultiString);

  auto bin = rawreg::GetValue(HKEY_LOCAL_MACHINE, kSub, "bin");
  ASSERT_TRUE(bin.has_value());
  EXPECT_EQ(bin->type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(bin->bytes, (std::vector<uint8_t>{0x00, 0x0A, 0xFF}));
  auto none = rawreg::GetValue(HKEY_LOCAL_MACHINE, kSub, "none");
  ASSERT_TRUE(none.has_value());
  EXPECT_TRUE(none->bytes.empty());
  auto multi = rawreg::GetValue(HKEY_LOCAL_MACHINE, kSub, "multi");
  ASSERT_TRUE(multi.has_value());
  EXPECT_EQ(multi->type, static_cast<DWORD>(REG_MULTI_SZ));
  EXPECT_EQ(multi->bytes, rawreg::Bytes(std::string("a\0bc\0\0", 6)));
  // Nothing is added, not even to string data that lacks its final zero.
  for (int round = 0; round < 20; ++round) {
    reg.ValueOf("open", kind, Variant(ByteArray({'a', 'b'})));
    auto open = rawreg::GetValue(HKEY_LOCAL_MACHINE, kSub, "open");
    ASSERT_TRUE(open.has_value());
    EXPECT_EQ(open->bytes, (std::vector<uint8_t>{'a', 'b'}));
  }

  const Variant misfits[] = {Variant(ByteArray()),  // never allocated: 0 dimensions
                             Variant(ByteArray::WithBounds({{0, 2}, {0, 2}})), Variant("text"), Variant(1.0),
                             Variant(static_cast<int32_t>(1))};
  for (int32_t binaryKind : {ValueKind::Binary, ValueKind::MultiString}) {
    for (const Variant& misfit : misfits) {
      ExpectClassError(RaisedBy([&] { reg.ValueOf("bad", binaryKind, misfit); }), 3);
    }
  }
  int32_t stringKind = ValueKind::String;
  ExpectClassError(RaisedBy([&] { reg.ValueOf("bad", stringKind, Variant(ByteArray({1}))); }), 3);
  ExpectClassError(RaisedBy([&] { reg.ValueOf("bad", stringKind, Variant(2.0)); }), 3);
  EXPECT_FALSE(rawreg::GetValue(HKEY_LOCAL_MACHINE, kSub, "bad").has_value());
}

TEST_F(EasyRegistryTest, TypeErrorsAreRaisedWhateverSuppressErrorsHoldsBeforeAnyRegistryCall) {
  clsEasyRegistry reg;
  reg.SuppressErrors(true);
  reg.Cd(kPath + "\\Missing");
  ASSERT_EQ(reg.lastError(), 2);
  for (int32_t unknownKind : {-1, 4, 5}) {
    ExpectClassError(RaisedBy([&] { reg.ValueOf("v", unknownKind, Variant("x")); }), 4);
    EXPECT_EQ(reg.lastError(), 2);
  }
  int32_t kind = ValueKind::DWord;
  ExpectClassError(RaisedBy([&] { reg.ValueOf("v", kind, Variant(static_cast<int16_t>(5))); }), 3);
  EXPECT_EQ(reg.lastError(), 2);
}

// ---------------------------------------------------------------- value reads

struct ReadCase {
  const char* label;
  DWORD type;
  std::vector<uint8_t> data;
  int32_t kind;
  std::string text;
  std::vector<uint8_t> bytes;
  double number;
};

TEST_F(EasyRegistryTest, ReadsDecodeEachRegistryType) {
  const std::vector<ReadCase> cases = {
      {"dword", REG_DWORD, {0x78, 0x56, 0x34, 0x12}, ValueKind::DWord, "12345678", {0x78, 0x56, 0x34, 0x12}, 305419896},
      {"dwordmax", REG_DWORD, {255, 255, 255, 255}, ValueKind::DWord, "FFFFFFFF", {255, 255, 255, 255}, 4294967295.0},
      // Odd lengths: the missing high byte of the last pair counts as 0.
      {"dword3", REG_DWORD, {0x01, 0x02, 0x03}, ValueKind::DWord, "00030201", {0x01, 0x02, 0x03}, 197121},
      {"dword0", REG_DWORD, {}, ValueKind::DWord, "", {}, 0},
      {"binary", REG_BINARY, {0x0A, 0x00, 0xFF}, ValueKind::Binary, "A 0 FF", {0x0A, 0x00, 0xFF}, 0},
      {"binary0", REG_BINARY, {}, ValueKind::Binary, "", {}, 0},
      {"sz", REG_SZ, {'a', 'b', 'c', 0}, ValueKind::String, "abc", {'a', 'b', 'c'}, 0},
      {"sznonul", REG_SZ, {'a', 'b', 'c'}, ValueKind::String, "abc", {'a', 'b', 'c'}, 0},
      {"szempty", REG_SZ, {0}, ValueKind::String, "", {0}, 0},
      {"szhigh", REG_SZ, {0xE9, 0xFC, 0}, ValueKind::String, "\xE9\xFC", {0xE9, 0xFC}, 0},
      {"expand", REG_EXPAND_SZ, rawreg::Bytes(std::string("%PATH%\0", 7)), ValueKind::String, "%PATH%",
       rawreg::Bytes("%PATH%"), 0},
      {"multi", REG_MULTI_SZ, rawreg::Bytes(std::string("a\0bc\0\0", 6)), ValueKind::String,
       std::string("a\0bc\0", 5), rawreg::Bytes(std::string("a\0bc\0", 5)), 0},
      {"none", REG_NONE, {1, 2, 0}, ValueKind::String, std::string("\x01\x02"), {1, 2}, 0},
  };
  for (const ReadCase& c : cases) rawreg::SetValue(HKEY_LOCAL_MACHINE, kSub, c.label, c.type, c.data);

  clsEasyRegistry reg;
  Position(reg);
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.label);
    int32_t kind = 99;
    RegistryValue value = reg.ValueOf(c.label, kind);
    EXPECT_EQ(reg.lastError(), 0);
    EXPECT_EQ(kind, c.kind);
    EXPECT_EQ(value.Text, c.text);
    EXPECT_EQ(value.Bytes, c.bytes);
    EXPECT_EQ(value.Number, c.number);
  }
}

TEST_F(EasyRegistryTest, MissingValueReadsEmptyWhenSuppressedAndRaisesOtherwise) {
  clsEasyRegistry reg;
  Position(reg);
  reg.SuppressErrors(true);
  int32_t kind = ValueKind::DWord;
  RegistryValue value = reg.ValueOf("absent", kind);
  EXPECT_EQ(reg.lastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(kind, ValueKind::String);
  EXPECT_EQ(value.Text, "");
  EXPECT_TRUE(value.Bytes.empty());
  EXPECT_EQ(value.Number, 0);

  reg.SuppressErrors(false);
  kind = ValueKind::DWord;
  ExpectApiError(RaisedBy([&] { reg.ValueOf("absent", kind); }), "Key/Value does not exist.");
  EXPECT_EQ(reg.lastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(kind, ValueKind::DWord);  // nothing was returned
}

TEST_F(EasyRegistryTest, LastErrorIsClearedBySuccessfulOperationsOfEveryKind) {
  rawreg::SetValue(HKEY_LOCAL_MACHINE, kSub, "v", REG_SZ, rawreg::Bytes("x"));
  rawreg::CreateKey(HKEY_LOCAL_MACHINE, kSub + "\\K");
  clsEasyRegistry reg;
  reg.SuppressErrors(true);
  Position(reg);
  int32_t kind = ValueKind::String;
  const std::vector<std::pair<const char*, std::function<void()>>> operations = {
      {"Cd .", [&] { reg.Cd("."); }},
      {"read", [&] { reg.ValueOf("v", kind); }},
      {"write", [&] { reg.ValueOf("w", kind, Variant("y")); }},
      {"MakeKey", [&] { reg.MakeKey("M"); }},
      {"DeleteKey", [&] { reg.DeleteKey("K"); }},
      {"DeleteValue", [&] { reg.DeleteValue("v"); }},
      {"Cd relative", [&] { reg.Cd("M"); }},
      {"Cd absolute", [&] { reg.Cd(kPath); }},
      {"DirKey", [&] { reg.DirKey(); }},
      {"DirValue", [&] { reg.DirValue(); }},
  };
  for (const auto& [label, operation] : operations) {
    SCOPED_TRACE(label);
    reg.DeleteValue("absent");
    ASSERT_EQ(reg.lastError(), 2);
    operation();
    EXPECT_EQ(reg.lastError(), 0);
  }
}

// ---------------------------------------------------------------- listings

// The column of a listed value, found by name: the enumeration order is the
// registry's own.
struct Listed {
  std::string data;
  std::string kind;
};
std::optional<Listed> Column(const clsEasyRegistry::ValueTable& table, const std::string& name) {
  for (size_t i = 0; i < table[clsEasyRegistry::RowName].size(); ++i) {
    if (table[clsEasyRegistry::RowName][i] == name)
      return Listed{table[clsEasyRegistry::RowData][i], table[clsEasyRegistry::RowKind][i]};
  }
  return std::nullopt;
}

TEST_F(EasyRegistryTest, WithoutCurrentKeyDirKeyListsTheRootsDirValueNothingAndDotDotIsRaised) {
  clsEasyRegistry reg;
  reg.SuppressErrors(true);
  reg.Cd(kPath + "\\Missing");
  reg.Cd("\\");
  ASSERT_EQ(reg.lastError(), 2);
  auto roots = reg.DirKey();
  ASSERT_TRUE(roots.has_value());
  EXPECT_EQ(*roots, (std::vector<std::string>{"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                              "HKEY_USERS", "HKEY_DYN_DATA", "HKEY_CURRENT_CONFIG"}));
  EXPECT_FALSE(reg.DirValue().has_value());
  EXPECT_EQ(reg.lastError(), 2);  // no registry call was made
  // ".." without a current key is a class error, raised even when suppressed.
  ExpectClassError(RaisedBy([&] { reg.Cd(".."); }), 1);
  EXPECT_EQ(reg.lastError(), 2);
  EXPECT_EQ(reg.CurrentKey(), "");
}

TEST_F(EasyRegistryTest, AnEmptyKeyListsAsNothingRatherThanAnEmptyArray) {
  clsEasyRegistry reg;
  Position(reg);
  EXPECT_FALSE(reg.DirKey().has_value());
  EXPECT_EQ(reg.lastError(), 0);
  EXPECT_FALSE(reg.DirValue().has_value());
  EXPECT_EQ(reg.lastError(), 0);
  EXPECT_EQ(reg.CurrentKey(), kPath);
}

TEST_F(EasyRegistryTest, DirKeyListsSubkeysAsTheRegistrySpellsThem) {
  for (const char* name : {"Recent", "options", "MiXeD Case", "b"}) rawreg::CreateKey(HKEY_LOCAL_MACHINE, kSub + "\\" + name);
  rawreg::CreateKey(HKEY_LOCAL_MACHINE, kSub + "\\Recent\\NotListed");
  rawreg::SetValue(HKEY_LOCAL_MACHINE, kSub, "value", REG_SZ, rawreg::Bytes("not a key"));
  clsEasyRegistry reg;
  Position(reg);
  auto names = reg.DirKey();
  ASSERT_TRUE(names.has_value());
  std::sort(names->begin(), names->end());
  EXPECT_EQ(*names, (std::vector<std::string>{"MiXeD Case", "Recent", "b", "options"}));
  EXPECT_EQ(reg.lastError(), 0);
  EXPECT_EQ(reg.CurrentKey(), kPath);
  // The key handle the listing opened serves the next operation as usual.
  reg.MakeKey("After");
  EXPECT_EQ(reg.lastError(), 0);
}

TEST_F(EasyRegistryTest, DirValueShowsEachTypeByItsDisplayRule) {
  const std::string longText(1023, 'x');  // with its NUL exactly fills the data buffer
  struct Case {
    const char* name;
    DWORD type;
    std::vector<uint8_t> data;
    std::string text;
    const char* kind;
  } cases[] = {
      {"sz", REG_SZ, {'a', 'b', 'c', 0}, "abc", "0"},
      {"szempty", REG_SZ, {0}, "", "0"},
      {"sznonul", REG_SZ, {'z', 'z', 'z'}, "zzz", "0"},  // only a final zero byte goes
      {"nodata", REG_BINARY, {}, "", ""},
      {"binary", REG_BINARY, {0x00, 0x0A, 0xFF}, "0 A FF", "1"},
      {"dwordmax", REG_DWORD, {255, 255, 255, 255}, "FFFFFFFF (4,294,967,295)", "2"},
      {"dword3", REG_DWORD, {0x01, 0x02, 0x03}, "00030201 (0,000,197,121)", "2"},
      {"dword8", REG_DWORD, {0, 0, 0, 0, 1, 0, 0, 0}, "0000000100000000 (4,294,967,296)", "2"},
      {"dword9", REG_DWORD, {0, 0, 0, 0, 0, 0, 0, 0, 1}, "00010000000000000000 (18,446,744,073,709,551,616)", "2"},
      {"multi", REG_MULTI_SZ, rawreg::Bytes(std::string("a\0bc\0\0", 6)), std::string("a\0bc\0", 5), "0"},
      {"expand", REG_EXPAND_SZ, rawreg::Bytes(std::string("%TEMP%\0", 7)), "%TEMP%", "0"},
      {"none", REG_NONE, {'q', 'r'}, "qr", "0"},
      {"high", REG_SZ, {0xE9, 0xFC, 0}, "\xE9\xFC", "0"},
      {"long", REG_SZ, rawreg::Bytes(longText + '\0'), longText, "0"},
      {"", REG_SZ, rawreg::Bytes(std::string("default\0", 8)), "default", "0"},
  };
  for (const Case& c : cases) rawreg::SetValue(HKEY_LOCAL_MACHINE, kSub, c.name, c.type, c.data);

  clsEasyRegistry reg;
  Position(reg);
  auto table = reg.DirValue();
  ASSERT_TRUE(table.has_value());
  EXPECT_EQ(reg.lastError(), 0);
  ASSERT_EQ((*table)[clsEasyRegistry::RowName].size(), std::size(cases));
  EXPECT_EQ((*table)[clsEasyRegistry::RowData].size(), std::size(cases));
  EXPECT_EQ((*table)[clsEasyRegistry::RowKind].size(), std::size(cases));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto listed = Column(*table, c.name);
    ASSERT_TRUE(listed.has_value());
    EXPECT_EQ(listed->data, c.text);
    EXPECT_EQ(listed->kind, c.kind);
  }
}

TEST_F(EasyRegistryTest, EntriesTooLongForTheBuffersListEmptyWhenSuppressedAndRaiseOtherwise) {
  rawreg::SetValue(HKEY_LOCAL_MACHINE, kSub, "big", REG_BINARY, std::vector<uint8_t>(1025, 0xAB));
  clsEasyRegistry reg;
  reg.SuppressErrors(true);
  Position(reg);
  auto table = reg.DirValue();
  ASSERT_TRUE(table.has_value());
  EXPECT_EQ(reg.lastError(), ERROR_MORE_DATA);
  EXPECT_EQ((*table)[clsEasyRegistry::RowName], std::vector<std::string>{""});
  EXPECT_EQ((*table)[clsEasyRegistry::RowData], std::vector<std::string>{""});
  EXPECT_EQ((*table)[clsEasyRegistry::RowKind], std::vector<std::string>{""});

  // An earlier entry's name and data must not show through a failed index.
  rawreg::SetValue(HKEY_LOCAL_MACHINE, kSub, "small", REG_DWORD, {1, 0, 0, 0});
  rawreg::SetValue(HKEY_LOCAL_MACHINE, kSub, std::string(1024, 'n'), REG_SZ, rawreg::Bytes(std::string("x\0", 2)));
  table = reg.DirValue();
  ASSERT_TRUE(table.has_value());
  ASSERT_EQ((*table)[clsEasyRegistry::RowName].size(), 3u);
  int failed = 0;
  for (size_t i = 0; i < 3; ++i) {
    const std::string& name = (*table)[clsEasyRegistry::RowName][i];
    if (name == "small") {
      EXPECT_EQ((*table)[clsEasyRegistry::RowData][i], "00000001 (0,000,000,001)");
      continue;
    }
    ++failed;
    EXPECT_EQ(name, "");
    EXPECT_EQ((*table)[clsEasyRegistry::RowData][i], "");
    EXPECT_EQ((*table)[clsEasyRegistry::RowKind][i], "");
  }
  EXPECT_EQ(failed, 2);

  reg.SuppressErrors(false);
  ExpectApiError(RaisedBy([&] { reg.DirValue(); }), "Undefined key error code!");
  EXPECT_EQ(reg.lastError(), ERROR_MORE_DATA);
}

// ---------------------------------------------------------------- handles

// Every path through the class, successful, suppressed and raised, with the
// objects released at the end: no handle may stay open.
void RunEveryKindOfOperation() {
  {
    clsEasyRegistry reg;
    reg.Cd(kPath);
    reg.Cd(".");
    reg.MakeKey("Leak\\Deeper");
    reg.Cd("Leak");
    int32_t kind = ValueKind::String;
    reg.ValueOf("s", kind, Variant("text"));
    reg.ValueOf("s", kind);
    kind = ValueKind::DWord;
    reg.ValueOf("d", kind, Variant(7.0));
    reg.DirKey();
    reg.DirValue();
    RaisedBy([&] { reg.ValueOf("d", kind, Variant(static_cast<int32_t>(7))); });
    RaisedBy([&] { reg.ValueOf("missing", kind); });
    RaisedBy([&] { reg.Cd("NoSuchChild"); });
    reg.Cd(kPath + "\\Leak");
    RaisedBy([&] { reg.Cd("\\HKEY_NOWHERE"); });
    reg.Cd(kPath + "\\Leak");
    reg.DeleteValue("s");
    reg.DeleteKey("Deeper");
    reg.Cd("..");
    reg.DeleteKey("Leak");
    reg.Cd("\\HKEY_LOCAL_MACHINE");
    reg.Cd("\\");
    reg.Cd(kPath);
  }  // released while positioned
  {
    clsEasyRegistry quiet;
    quiet.SuppressErrors(true);
    quiet.Cd(kPath + "\\Missing");
    quiet.MakeKey("X");
    quiet.Cd(kPath);
    quiet.DeleteKey("Missing");
    quiet.Cd("Missing");
    quiet.DirKey();
    quiet.DirValue();
  }  // released after a failed open
}

TEST_F(EasyRegistryTest, NoHandleStaysOpenAfterTheObjectsAreReleased) {
  RunEveryKindOfOperation();  // let the platform open whatever it keeps for good
  const long before = OpenRegistryHandleCount();
  for (int round = 0; round < 3; ++round) RunEveryKindOfOperation();
  EXPECT_EQ(OpenRegistryHandleCount(), before);

  clsEasyRegistry reg;
  reg.Cd(kPath);
  EXPECT_EQ(OpenRegistryHandleCount(), before + 1);  // one key held, no more
  reg.Cd(".");
  reg.MakeKey("K");
  EXPECT_EQ(OpenRegistryHandleCount(), before + 1);
}

}  // namespace
