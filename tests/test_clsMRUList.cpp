// The recent file list, on the registry of the platform (the emulated store
// natively, Wine's registry under wine64), and the keyed list beneath it.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "recent/Collection.h"
#include "recent/clsMRUList.h"
#include "registry/modSettings.h"

namespace {

using Names = std::vector<std::string>;
const char kMissing[] = "<missing>";

Names Entries(clsMRUList& list) {
  Names names;
  Collection& files = list.fileList();
  for (int16_t i = 1; i <= files.Count(); ++i) names.push_back(files.Item(i));
  return names;
}

// Each test starts from a registry without the section "Recent" and leaves none.
class RecentList : public ::testing::Test {
 protected:
  void SetUp() override { DeleteRegSetting("Vantorel", "Recent", ""); }
  void TearDown() override { DeleteRegSetting("Vantorel", "Recent", ""); }

  static void Store(const std::string& maxFile, const Names& files) {
    if (!maxFile.empty()) SaveRegSetting("Vantorel", "Recent", "MaxFile", maxFile);
    for (size_t i = 0; i < files.size(); ++i)
      if (files[i] != kMissing) SaveRegSetting("Vantorel", "Recent", "File" + std::to_string(i + 1), files[i]);
  }
  // File1 to File5 as stored, kMissing where there is no value.
  static Names Stored() {
    Names names;
    for (int n = 1; n <= 5; ++n) names.push_back(GetRegSetting("Vantorel", "Recent", "File" + std::to_string(n), kMissing));
    return names;
  }
};

// MaxFile is a whole number in decimal, capped at five; any other text
// gives the default three. The first missing or empty name ends the list.
TEST_F(RecentList, LoadsUpToTheMaximumCappedAtFiveAndTheFirstGapEndsTheList) {
  const Names five = {"a", "b", "c", "d", "e"};
  Store("", five);
  const std::pair<const char*, int> maxima[] = {  // the text, how many of the five it loads
      {"9", 5},   {"2", 2},    {"0", 0},     {"abc", 3},  {"", 3},       {"4.5", 3},    {"0x5", 3},
      {"1e1", 3}, {"4 5", 3},  {"-", 3},     {" 4 ", 4},  {"\t2\t", 2},  {"+2", 2},     {"05", 5},
      {"99999", 5}, {"32767", 5}, {"-32768", 0}, {"-99999", 0}, {"999999999999999999999", 5},
  };
  const auto loaded = [] {
    clsMRUList list;
    list.getRecentList();
    return Entries(list);
  };
  for (const auto& [text, count] : maxima) {
    SaveRegSetting("Vantorel", "Recent", "MaxFile", text);
    EXPECT_EQ(loaded(), Names(five.begin(), five.begin() + count)) << '"' << text << '"';
  }
  const std::pair<Names, Names> gaps[] = {  // stored, loaded
      {{"a", kMissing, "c"}, {"a"}}, {{"a", "", "c"}, {"a"}}, {{"a", "  ", "c"}, {"a", "  ", "c"}} /* blanks are a name */};
  for (const auto& [stored, names] : gaps) {
    DeleteRegSetting("Vantorel", "Recent", "");
    Store("3", stored);
    EXPECT_EQ(loaded(), names) << stored[1];
  }
}

// A new or renamed entry goes to the head of the list in memory; a removal
// deletes the stored entry too, leaving a gap that ends the list when read,
// until setRecentList writes File1 to File5 afresh.
TEST_F(RecentList, ChangesStayInMemoryUntilSetRecentListRewritesFileOneToFive) {
  Store("3", {"b", "c:\\x.txt", "d"});
  clsMRUList list;
  list.getRecentList();
  list.setRecentFile("C:\\X.TXT");  // moved to the head, in its new case
  list.removeRecentFile("B");
  EXPECT_EQ(Entries(list), (Names{"C:\\X.TXT", "d"}));
  EXPECT_EQ(Stored(), (Names{kMissing, "c:\\x.txt", "d", kMissing, kMissing}));
  list.setRecentFile("new");
  list.setRecentList();
  EXPECT_EQ(Stored(), (Names{"new", "C:\\X.TXT", "d", kMissing, kMissing}));

  Store("2", {"v1", "v2", "v3", "v4", "v5"});
  clsMRUList two;
  two.getRecentList();
  two.setRecentFile("new");
  two.setRecentList();
  EXPECT_EQ(Stored(), (Names{"new", "v1", kMissing, kMissing, kMissing}));
}

// Positions counted in the string's own size type: a name of any length
// (beyond 32,767 characters too) gives its last part.
TEST(GetFileName, GivesTheTextBehindTheLastBackslash) {
  const std::string deep = "C:\\" + std::string(39'990, 'd') + "\\b.txt", longName(40'000, 'n');
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\Docs\\a.txt", "a.txt"}, {"a.txt", "a.txt"},  {"C:\\Docs\\", ""},
      {"", ""},                       {"C:/Docs/a.txt", "C:/Docs/a.txt"}, {deep, "b.txt"},
      {"C:\\" + longName, longName}, {std::string(32'766, 'x') + "\\", ""},
  };
  clsMRUList list;
  for (const auto& [name, last] : cases) EXPECT_EQ(list.GetFileName(name), last) << name.substr(0, 20);
}

}  // namespace
