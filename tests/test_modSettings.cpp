// The settings store: defaults, creation of missing keys, replacement and
// deletion, below \HKEY_LOCAL_MACHINE\Software\Vantorel.
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

  static bool HasSubKey(const std::string& parent, const std::string& name) {
    for (const std::string& each : rawreg::SubKeys(HKEY_LOCAL_MACHINE, parent))
      if (each == name) return true;
    return false;
  }
};

TEST_F(SettingsTest, MissingSectionGivesTheDefaultAndCreatesNothing) {
  EXPECT_EQ(GetRegSetting("Vantorel", "Options", "LastFileApplied", "None"), "None");
  EXPECT_FALSE(rawreg::KeyExists(HKEY_LOCAL_MACHINE, kApp));
  rawreg::CreateKey(HKEY_LOCAL_MACHINE, kApp + "\\Recent");
  EXPECT_EQ(GetRegSetting("Vantorel", "Options", "AutoShutdown", "0"), "0");
  EXPECT_FALSE(rawreg::KeyExists(HKEY_LOCAL_MACHINE, kApp + "\\Options"));
}

TEST_F(SettingsTest, MissingValueGivesTheDefaultAnEmptyOneDoesNot) {
  rawreg::SetValue(HKEY_LOCAL_MACHINE, kApp + "\\Recent", "File1", REG_SZ, rawreg::Sz(""));
  EXPECT_EQ(GetRegSetting("Vantorel", "Recent", "MaxFile", "3"), "3");
  EXPECT_EQ(GetRegSetting("Vantorel", "Recent", "File1", "default"), "");
}

TEST_F(SettingsTest, SaveCreatesTheKeysWithTheCallersSpellingAndWritesAStringValue) {
  SaveRegSetting("Vantorel", "Options", "TrayIconActive", "1");
  EXPECT_TRUE(HasSubKey("Software", "Vantorel"));
  EXPECT_EQ(rawreg::SubKeys(HKEY_LOCAL_MACHINE, kApp), std::vector<std::string>{"Options"});
  auto stored = rawreg::GetValue(HKEY_LOCAL_MACHINE, kApp + "\\Options", "TrayIconActive");
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(stored->bytes, rawreg::Sz("1"));
  EXPECT_EQ(GetRegSetting("Vantorel", "Options", "TrayIconActive", "x"), "1");
}

TEST_F(SettingsTest, SaveReplacesOneValueAndLeavesTheOthers) {
  rawreg::SetValue(HKEY_LOCAL_MACHINE, kApp + "\\Options", "LastFileApplied", REG_SZ, rawreg::Sz("C:\\a.vtr"));
  rawreg::SetValue(HKEY_LOCAL_MACHINE, kApp + "\\Options", "TrayIconActive", REG_DWORD, {1, 0, 0, 0});
  SaveRegSetting("Vantorel", "Options", "TrayIconActive", "0");
  auto replaced = rawreg::GetValue(HKEY_LOCAL_MACHINE, kApp + "\\Options", "TrayIconActive");
  ASSERT_TRUE(replaced.has_value());
  EXPECT_EQ(replaced->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(replaced->bytes, rawreg::Sz("0"));
  EXPECT_EQ(GetRegSetting("Vantorel", "Options", "LastFileApplied", "None"), "C:\\a.vtr");
}

TEST_F(SettingsTest, DeleteWithoutKeyRemovesTheSectionWithKeyOnlyThatValue) {
  SaveRegSetting("Vantorel", "Recent", "File1", "C:\\one.vtr");
  SaveRegSetting("Vantorel", "Recent", "File2", "C:\\two.vtr");
  SaveRegSetting("Vantorel", "Options", "TrayIcon", "0");

  DeleteRegSetting("Vantorel", "Recent", "File1");
  EXPECT_EQ(GetRegSetting("Vantorel", "Recent", "File1", "gone"), "gone");
  EXPECT_EQ(GetRegSetting("Vantorel", "Recent", "File2", "gone"), "C:\\two.vtr");

  DeleteRegSetting("Vantorel", "Recent", "");
  EXPECT_FALSE(rawreg::KeyExists(HKEY_LOCAL_MACHINE, kApp + "\\Recent"));
  EXPECT_EQ(GetRegSetting("Vantorel", "Options", "TrayIcon", "1"), "0");
}

TEST_F(SettingsTest, NoHandleStaysOpen) {
  SaveRegSetting("Vantorel", "Options", "TrayIconActive", "1");
  const long before = OpenRegistryHandleCount();
  for (int i = 0; i < 5; ++i) {
    SaveRegSetting("Vantorel", "Options", "TrayIconActive", "1");
    GetRegSetting("Vantorel", "Options", "TrayIconActive", "0");
    GetRegSetting("Vantorel", "Missing", "TrayIconActive", "0");
    DeleteRegSetting("Vantorel", "Options", "Absent");
    DeleteRegSetting("Vantorel", "Missing", "");
  }
  EXPECT_EQ(OpenRegistryHandleCount(), before);
}

}  // namespace
