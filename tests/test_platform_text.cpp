// The program's one copy of each text helper: ASCII case folding, blank
// trimming, hexadecimal, registry paths and their roots, printable text.
// The edge cases their callers (the store, vtrreg, the terminal) rely on.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/Hex.h"
#include "platform/Printable.h"
#include "platform/RegPath.h"
#include "platform/RegRoot.h"
#include "platform/Strings.h"

namespace {

using Names = std::vector<std::string_view>;

TEST(PlatformText, CaseFoldsOnlyAsciiLettersAndTrimsOnlyBlanks) {
  // "Ä" in UTF-8 and a Latin-1 "ä": bytes above 0x7F stay as they are.
  EXPECT_EQ(UCaseAscii("Software\\a-z_\xC3\x84\xE4"), "SOFTWARE\\A-Z_\xC3\x84\xE4");
  EXPECT_EQ(LCaseAscii("DWORD:@[`"), "dword:@[`");
#ifndef _WIN32
  // Narrow text is UTF-8 here (ANSI on Windows): an accented capital folds,
  // the last letter too; the multiplication sign, small letters and the sharp s stay.
  EXPECT_EQ(LCase("Caf\xC3\x89 \xC3\x97 \xC3\x9F\xC3\xA0 \xC3\x89"), "caf\xC3\xA9 \xC3\x97 \xC3\x9F\xC3\xA0 \xC3\xA9");
#endif
  EXPECT_TRUE(EqualsAsciiNoCase("HKEY_Current_User", "hkey_current_user"));
  EXPECT_FALSE(EqualsAsciiNoCase("\xC4", "\xE4"));  // Latin-1 Ä and ä differ
  EXPECT_FALSE(EqualsAsciiNoCase("Key", "Keys"));
  EXPECT_TRUE(StartsWithAsciiNoCase("DWORD:00000001", "dword:"));
  EXPECT_FALSE(StartsWithAsciiNoCase("hex", "hex:"));
  EXPECT_EQ(TrimBlanksLeft(" \t a b \t"), "a b \t");
  EXPECT_EQ(TrimBlanksRight(" \t a b \t"), " \t a b");
  EXPECT_EQ(TrimBlanksLeft("\r\nx"), "\r\nx");  // line ends are no blanks
}

TEST(PlatformText, HexTakesOneToEightDigitsAndGoesBothWays) {
  uint32_t number = 0x1234;
  for (const char* bad : {"", "000000001", "12g", " 1", "-1", "0x1"}) {
    EXPECT_FALSE(ParseHex32(bad, number)) << bad;
    EXPECT_EQ(number, 0x1234u) << "a failed parse leaves the number: " << bad;
  }
  for (uint32_t value : {0u, 0x7Fu, 0xDEADBEEFu, 0xFFFFFFFFu}) {
    std::string digits;
    AppendHex(digits, value, 8, value % 2 != 0);
    ASSERT_TRUE(ParseHex32(digits, number)) << digits;
    EXPECT_EQ(number, value) << digits;
  }
  std::string text;
  AppendHex(text, 0xABC, 2);
  EXPECT_EQ(text, "ABC") << "padded, never cut";
}

TEST(PlatformText, RegistryPathsSplitAtBackslashes) {
  const RegPathParts parts = SplitRootPath("\\HKEY_LOCAL_MACHINE\\Software\\Vantorel");
  EXPECT_EQ(std::tie(parts.root, parts.subKey), std::tuple("HKEY_LOCAL_MACHINE", "Software\\Vantorel"));
  EXPECT_EQ(SplitRootPath("\\\\Software").root, "") << "one leading backslash only";
  EXPECT_EQ(SplitRootPath("HKEY_CURRENT_USER").subKey, "");
  const std::string_view path = "Software\\Vantorel\\Recent";
  EXPECT_EQ(std::tuple(ParentPath(path), LeafName(path)), std::tuple("Software\\Vantorel", "Recent"));
  EXPECT_EQ(std::tuple(ParentPath("Recent"), LeafName("A\\")), std::tuple("", ""));
  EXPECT_EQ(SplitNames(""), Names{});
  EXPECT_EQ(SplitNames("A\\\\B"), (Names{"A", "", "B"})) << "empty names are kept";
  EXPECT_EQ(SplitNames("\\A\\"), (Names{"", "A", ""}));
}

TEST(PlatformText, RootNamesResolveInAnyCaseAndOnlyTheSix) {
  EXPECT_EQ(RootKeyNamed("hkey_Local_Machine"), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(RootKeyNamed("HKEY_DYN_DATA"), HKEY_DYN_DATA);
  for (const char* none : {"", "HKEY_PERFORMANCE_DATA", "HKEY_USERSX", "HKCU"})
    EXPECT_EQ(RootKeyNamed(none), nullptr) << none;
  const auto path = ResolveKeyPath(" \\hkey_users\\.DEFAULT\\Software\\\t");
  ASSERT_TRUE(path.has_value());
  EXPECT_EQ(std::tie(path->root, path->rootName, path->subKey),
            std::tuple(HKEY_USERS, "hkey_users", ".DEFAULT\\Software"));
  EXPECT_EQ(ResolveKeyPath("HKEY_CURRENT_USER\\")->subKey, "");
  EXPECT_FALSE(ResolveKeyPath("\\\\HKEY_CURRENT_USER").has_value()) << "an empty root";
}

TEST(PlatformText, PrintableTextEscapesEveryControlAndNoCharacter) {
  EXPECT_EQ(Printable(std::string_view("a\0b\tc\r\nd", 8)), "a\\0b\\tc\\r\\nd");
  EXPECT_EQ(Printable("\x1B[2J\x7F\x01"), "\\x1B[2J\\x7F\\x01");
  EXPECT_EQ(Printable("C:\\x \"y\""), "C:\\x \"y\"");
#ifdef _WIN32
  EXPECT_EQ(Printable("caf\xE9 \x9B"), "caf\xE9 \x9B") << "ANSI characters";
#else
  // Each length, the lowest second byte (U+00C0) and the last character (U+10FFFF).
  const char* characters = "\xC3\x80 \xE2\x82\xAC \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF";
  EXPECT_EQ(Printable(characters), characters);
  // Not UTF-8: a lone byte, a cut character, an overlong form, a surrogate,
  // beyond U+10FFFF.
  EXPECT_EQ(Printable("caf\xE9"), "caf\\xE9");
  EXPECT_EQ(Printable("\xE2\x82"), "\\xE2\\x82");
  EXPECT_EQ(Printable("\xC0\xAF\xE0\x80\xAF"), "\\xC0\\xAF\\xE0\\x80\\xAF");
  EXPECT_EQ(Printable("\xED\xA0\x80\xF4\x90\x80\x80"), "\\xED\\xA0\\x80\\xF4\\x90\\x80\\x80");
  // U+009B is a terminal's CSI even in UTF-8; U+00A0 is a character.
  EXPECT_EQ(Printable("\xC2\x9B" "2J\xC2\xA0"), "\\xC2\\x9B" "2J\xC2\xA0");
#endif
}

}  // namespace
