// The settings store: defaults, creation of missing keys, replacement and
// deletion, below \HKEY_LOCAL_MACHINE\Software\Vantorel.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry/modSettings.h"
#include "tests/RawRegistry.h"
#include "tests/RegistryTestSupport.h"

namespace {

const std::string kApp = "Software\\Vantorel";

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { DeleteRegistryTree(HKEY_LOCAL_MACHINE, kApp); }
  void TearDown() override { DeleteRegistryTree(HKEY_LOCAL_MACHINE, kApp); }
};

TEST_F(SettingsTest, MissingSectionOrValueGivesTheDefaultAndCreatesNothing) {
  EXPECT_EQ(GetRegSetting("Vantorel", "Options", "LastFileApplied", "None"), "None");
  EXPECT_FALSE(rawreg::KeyExists(HKEY_LOCAL_MACHINE, kApp));
  rawreg::CreateKey(HKEY_LOCAL_MACHINE, kApp + "\\Recent");
  EXPECT_EQ(GetRegSetting("Vantorel", "Options", "AutoShutdown", "0"), "0");
  EXPECT_FALSE(rawreg::KeyExists(HKEY_LOCAL_MACHINE, kApp + "\\Options"));
  // A missing value gives the default, an empty one does not.
  rawreg::SetValue(HKEY_LOCAL_MACHINE, kApp + "\\Recent", "File1", REG_SZ, rawreg::Sz(""));
  EXPECT_EQ(GetRegSetting("Vantorel", "Recent", "MaxFile", "3"), "3");
  EXPECT_EQ(GetRegSetting("Vantorel", "Recent", "File1", "default"), "");
}

TEST_F(SettingsTest, SaveCreatesTheKeysWithTheCallersSpellingAndWritesOrReplacesOneStringValue) {
  // The value's bytes when it is a string, with its zero.
  const auto stored = [](const char* name) {
    auto value = rawreg::GetValue(HKEY_LOCAL_MACHINE, kApp + "\\Options", name);
    return value && value->type == REG_SZ ? std::string(value->bytes.begin(), value->bytes.end()) : "<no string>";
  };
  SaveRegSetting("Vantorel", "Options", "TrayIconActive", "1");
  EXPECT_THAT(rawreg::SubKeys(HKEY_LOCAL_MACHINE, "Software"), ::testing::Contains("Vantorel"));
  EXPECT_EQ(rawreg::SubKeys(HKEY_LOCAL_MACHINE, kApp), std::vector<std::string>{"Options"});
  EXPECT_EQ(stored("TrayIconActive"), std::string("1", 2));

  // A value of another type is replaced by a string; the others stay.
  rawreg::SetValue(HKEY_LOCAL_MACHINE, kApp + "\\Options", "LastFileApplied", REG_SZ, rawreg::Sz("C:\\a.vtr"));
  rawreg::SetValue(HKEY_LOCAL_MACHINE, kApp + "\\Options", "TrayIconActive", REG_DWORD, {1, 0, 0, 0});
  SaveRegSetting("Vantorel", "Options", "TrayIconActive", "0");
  EXPECT_EQ(stored("TrayIconActive"), std::string("0", 2));
  EXPECT_EQ(GetRegSetting("Vantorel", "Options", "LastFileApplied", "None"), "C:\\a.vtr");
}

// (A value deleted alone, and a section deleted whole: the recent list's tests.)
TEST_F(SettingsTest, DeleteWithoutKeyRemovesOnlyThatSection) {
  SaveRegSetting("Vantorel", "Recent", "File1", "C:\\one.vtr");
  SaveRegSetting("Vantorel", "Options", "TrayIcon", "0");
  DeleteRegSetting("Vantorel", "Recent", "");
  EXPECT_EQ(rawreg::SubKeys(HKEY_LOCAL_MACHINE, kApp), std::vector<std::string>{"Options"});
}

}  // namespace
