// The program's one copy of each text helper: ASCII case folding and
// comparison, blank trimming, hexadecimal, and registry paths.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/modHex.h"
#include "platform/modRegPath.h"
#include "platform/modStrings.h"

namespace {

using Names = std::vector<std::string_view>;

TEST(AsciiCase, FoldsOnlyAsciiLetters) {
  // "Ä" in UTF-8 and a Latin-1 "ä": bytes above 0x7F stay as they are.
  EXPECT_EQ(UCaseAscii("Software\\a-z_\xC3\x84\xE4"), "SOFTWARE\\A-Z_\xC3\x84\xE4");
  EXPECT_EQ(LCaseAscii("DWORD:@[`\xC3\x84"), "dword:@[`\xC3\x84");
  EXPECT_EQ(UCaseAscii(""), "");
  EXPECT_EQ(AsciiUpper('{'), '{');
  EXPECT_EQ(AsciiLower('@'), '@');
}

TEST(AsciiCase, EqualsAndStartsWithIgnoreOnlyAsciiCase) {
  EXPECT_TRUE(EqualsAsciiNoCase("HKEY_Current_User", "hkey_current_user"));
  EXPECT_TRUE(EqualsAsciiNoCase("", ""));
  EXPECT_FALSE(EqualsAsciiNoCase("Key", "Keys"));
  EXPECT_FALSE(EqualsAsciiNoCase("\xC4", "\xE4"));  // Latin-1 Ä and ä differ
  EXPECT_FALSE(EqualsAsciiNoCase("[", "{"));        // 0x5B and 0x7B are no letters

  EXPECT_TRUE(StartsWithAsciiNoCase("DWORD:00000001", "dword:"));
  EXPECT_TRUE(StartsWithAsciiNoCase("hex(2):", ""));
  EXPECT_FALSE(StartsWithAsciiNoCase("hex", "hex:"));
  EXPECT_FALSE(StartsWithAsciiNoCase("he:", "hex"));
}

TEST(AsciiCase, CompareSortsAsUpperCase) {
  EXPECT_EQ(CompareAsciiNoCase("recent", "RECENT"), 0);
  EXPECT_LT(CompareAsciiNoCase("a", "B"), 0);
  EXPECT_GT(CompareAsciiNoCase("b", "A"), 0);
  EXPECT_LT(CompareAsciiNoCase("Ab", "abc"), 0);  // a prefix sorts first
  EXPECT_GT(CompareAsciiNoCase("abc", "AB"), 0);
  // Upper-cased, "_" (0x5F) comes after every letter (0x41..0x5A).
  EXPECT_GT(CompareAsciiNoCase("_", "z"), 0);
  // Bytes above 0x7F sort after ASCII, not as negative chars.
  EXPECT_GT(CompareAsciiNoCase("\xE4", "z"), 0);
}

TEST(TrimBlanks, TakesSpacesAndTabsFromOneSide) {
  EXPECT_EQ(TrimBlanksLeft(" \t a b \t"), "a b \t");
  EXPECT_EQ(TrimBlanksRight(" \t a b \t"), " \t a b");
  EXPECT_EQ(TrimBlanksLeft(" \t "), "");
  EXPECT_EQ(TrimBlanksRight(""), "");
  EXPECT_EQ(TrimBlanksLeft("\r\nx"), "\r\nx");  // line ends are no blanks
}

TEST(Hex, DigitValues) {
  EXPECT_EQ(HexDigitValue('0'), 0);
  EXPECT_EQ(HexDigitValue('9'), 9);
  EXPECT_EQ(HexDigitValue('a'), 10);
  EXPECT_EQ(HexDigitValue('F'), 15);
  // The neighbours of each digit range.
  for (char c : std::string("/:@G`g x\0", 9)) EXPECT_EQ(HexDigitValue(c), -1) << static_cast<int>(c);
}

TEST(Hex, ParseTakesOneToEightDigits) {
  uint32_t number = 0;
  ASSERT_TRUE(ParseHex32("0", number));
  EXPECT_EQ(number, 0u);
  ASSERT_TRUE(ParseHex32("FfFf", number));
  EXPECT_EQ(number, 0xFFFFu);
  ASSERT_TRUE(ParseHex32("ffffffff", number));
  EXPECT_EQ(number, 0xFFFFFFFFu);
  ASSERT_TRUE(ParseHex32("00000001", number));
  EXPECT_EQ(number, 1u);

  number = 0x1234;
  for (const char* bad : {"", "000000001", "123456789", "12g", " 1", "1 ", "-1", "0x1", "+1"}) {
    EXPECT_FALSE(ParseHex32(bad, number)) << bad;
    EXPECT_EQ(number, 0x1234u) << "a failed parse leaves the number: " << bad;
  }
}

TEST(Hex, AppendPadsButNeverCuts) {
  std::string text = "dword:";
  AppendHex(text, 0x1A, 8, true);
  EXPECT_EQ(text, "dword:0000001a");

  std::string out;
  AppendHex(out, 0, 1);
  EXPECT_EQ(out, "0");
  out.clear();
  AppendHex(out, 0, 0);
  EXPECT_EQ(out, "0");  // zero still has its digit
  out.clear();
  AppendHex(out, 0xABC, 2);
  EXPECT_EQ(out, "ABC");
  out.clear();
  AppendHex(out, 0xFFFFFFFFu, 8);
  EXPECT_EQ(out, "FFFFFFFF");

  EXPECT_EQ(HexByte(0x0A), "0A");
  EXPECT_EQ(HexByte(0xFE, true), "fe");
  EXPECT_EQ(HexByte(0), "00");
}

TEST(Hex, AppendAndParseGoBothWays) {
  for (uint32_t value : {0u, 1u, 0x7Fu, 0x80000000u, 0xDEADBEEFu, 0xFFFFFFFFu}) {
    for (bool lower : {false, true}) {
      std::string digits;
      AppendHex(digits, value, 8, lower);
      uint32_t back = 0;
      ASSERT_TRUE(ParseHex32(digits, back)) << digits;
      EXPECT_EQ(back, value) << digits;
    }
  }
}

TEST(RegPath, SplitRootPath) {
  struct Case {
    std::string_view path, root, subKey;
  };
  const Case cases[] = {
      {"", "", ""},
      {"\\", "", ""},
      {"HKEY_CURRENT_USER", "HKEY_CURRENT_USER", ""},
      {"\\HKEY_CURRENT_USER", "HKEY_CURRENT_USER", ""},
      {"HKEY_CURRENT_USER\\", "HKEY_CURRENT_USER", ""},
      {"\\HKEY_LOCAL_MACHINE\\Software\\Vantorel", "HKEY_LOCAL_MACHINE", "Software\\Vantorel"},
      {"\\\\Software", "", "Software"},  // one leading backslash only
      {"HKCU\\A\\\\B\\", "HKCU", "A\\\\B\\"},
  };
  for (const Case& c : cases) {
    const RegPathParts parts = SplitRootPath(c.path);
    EXPECT_EQ(parts.root, c.root) << c.path;
    EXPECT_EQ(parts.subKey, c.subKey) << c.path;
  }
}

TEST(RegPath, ParentAndLeaf) {
  EXPECT_EQ(ParentPath("Software\\Vantorel\\Recent"), "Software\\Vantorel");
  EXPECT_EQ(LeafName("Software\\Vantorel\\Recent"), "Recent");
  EXPECT_EQ(ParentPath("Recent"), "");
  EXPECT_EQ(LeafName("Recent"), "Recent");
  EXPECT_EQ(ParentPath(""), "");
  EXPECT_EQ(LeafName(""), "");
  EXPECT_EQ(ParentPath("\\Recent"), "");
  EXPECT_EQ(LeafName("\\Recent"), "Recent");
  EXPECT_EQ(ParentPath("A\\"), "A");
  EXPECT_EQ(LeafName("A\\"), "");
}

TEST(RegPath, SplitNamesKeepsEmptyNames) {
  EXPECT_EQ(SplitNames(""), Names{});
  EXPECT_EQ(SplitNames("Software"), Names{"Software"});
  EXPECT_EQ(SplitNames("Software\\Vantorel"), (Names{"Software", "Vantorel"}));
  EXPECT_EQ(SplitNames("A\\\\B"), (Names{"A", "", "B"}));
  EXPECT_EQ(SplitNames("\\A\\"), (Names{"", "A", ""}));
  EXPECT_EQ(SplitNames("\\"), (Names{"", ""}));
}

}  // namespace
