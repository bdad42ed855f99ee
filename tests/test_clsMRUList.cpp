// The recent file list, on the registry of the platform (the emulated store
// natively, Wine's registry under wine64), and the keyed list beneath it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recent/Collection.h"
#include "recent/clsMRUList.h"
#include "registry/ErrObject.h"
#include "registry/modSettings.h"
#include "tests/RecordingRuntime.h"

namespace {

using Names = std::vector<std::string>;
const char kMissing[] = "<missing>";

Names Entries(clsMRUList& list) {
  Names names;
  Collection& files = list.fileList();
  for (int16_t i = 1; i <= files.Count(); ++i) names.push_back(files.Item(i));
  return names;
}

template <class F>
int32_t ErrorNumberOf(F&& f) {
  try {
    f();
  } catch (const ErrObject& e) {
    return e.Number;
  }
  return 0;
}

TEST(Collection, KeepsOrderAndInsertsBeforeAPosition) {
  Collection c;
  c.Add("a");
  c.Add("b", std::string("kb"));
  c.Add("c", std::nullopt, int16_t{1});
  c.Add("d", std::string("kd"), int16_t{3});
  ASSERT_EQ(c.Count(), 4);
  EXPECT_EQ(c.Item(1), "c");
  EXPECT_EQ(c.Item(2), "a");
  EXPECT_EQ(c.Item(3), "d");
  EXPECT_EQ(c.Item(4), "b");
  c.Remove(2);
  ASSERT_EQ(c.Count(), 3);
  EXPECT_EQ(c.Item(2), "d");
}

TEST(Collection, RefusesAKeyTakenAlreadyWithoutRegardToCase) {
  Collection c;
  c.Add("x", std::string("File1"));
  try {
    c.Add("y", std::string("FILE1"));
    FAIL() << "a second FILE1 was accepted";
  } catch (const ErrObject& e) {
    EXPECT_EQ(e.Number, 457);
    EXPECT_EQ(e.Description, "This key is already associated with an element of this collection.");
  }
  EXPECT_EQ(c.Count(), 1);
  // Entries without a key never clash, and a removed entry frees its key.
  c.Add("x");
  c.Add("x");
  c.Remove(1);
  c.Add("y", std::string("file1"));
  EXPECT_EQ(c.Count(), 3);
}

TEST(Collection, PositionsOutsideTheListAreSubscriptErrors) {
  Collection c;
  EXPECT_EQ(ErrorNumberOf([&] { c.Item(1); }), 9);
  c.Add("a");
  EXPECT_EQ(ErrorNumberOf([&] { c.Item(0); }), 9);
  EXPECT_EQ(ErrorNumberOf([&] { c.Item(2); }), 9);
  EXPECT_EQ(ErrorNumberOf([&] { c.Remove(-1); }), 9);
  EXPECT_EQ(ErrorNumberOf([&] { c.Add("b", std::nullopt, int16_t{2}); }), 9);
  EXPECT_EQ(c.Count(), 1);
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
  static Names Loaded() {
    clsMRUList list;
    list.getRecentList();
    return Entries(list);
  }
};

TEST_F(RecentList, WithoutTheSectionTheMaximumIsThreeAndTheListEmpty) {
  clsMRUList list;
  EXPECT_EQ(list.MaxFile(), 0);
  list.getRecentList();
  EXPECT_EQ(list.MaxFile(), 3);
  EXPECT_EQ(list.fileList().Count(), 0);
}

TEST_F(RecentList, LoadsUpToTheMaximumCappedAtFive) {
  Store("9", {"a", "b", "c", "d", "e"});
  clsMRUList list;
  list.getRecentList();
  EXPECT_EQ(list.MaxFile(), 5);
  EXPECT_EQ(Entries(list), (Names{"a", "b", "c", "d", "e"}));

  SaveRegSetting("Vantorel", "Recent", "MaxFile", "2");
  EXPECT_EQ(Loaded(), (Names{"a", "b"}));
  SaveRegSetting("Vantorel", "Recent", "MaxFile", "0");
  EXPECT_EQ(Loaded(), Names{});
  SaveRegSetting("Vantorel", "Recent", "MaxFile", "-1");
  EXPECT_EQ(Loaded(), Names{});
}

TEST_F(RecentList, TheFirstGapEndsTheListButBlanksAreNames) {
  Store("5", {"a", kMissing, "c"});
  EXPECT_EQ(Loaded(), Names{"a"});
  Store("5", {"a", "", "c"});
  EXPECT_EQ(Loaded(), Names{"a"});
  Store("5", {"a", "  ", "c"});
  EXPECT_EQ(Loaded(), (Names{"a", "  ", "c"}));
}

TEST_F(RecentList, MaxFileTextThatIsNoWholeNumberGivesTheDefault) {
  Store("", {"a", "b", "c", "d", "e"});
  const struct {
    const char* text;
    int16_t max;
  } cases[] = {
      {"abc", 3}, {"", 3},       {"4.5", 3},    {"0x5", 3},     {"1e1", 3},   {"4 5", 3},
      {"-", 3},   {" 4 ", 4},    {"\t2\t", 2},  {"+2", 2},      {"05", 5},    {"99999", 5},
      {"32767", 5}, {"-32768", -32768}, {"-99999", -32768}, {"999999999999999999999", 5},
  };
  for (const auto& c : cases) {
    SaveRegSetting("Vantorel", "Recent", "MaxFile", c.text);
    clsMRUList list;
    list.getRecentList();
    EXPECT_EQ(list.MaxFile(), c.max) << '"' << c.text << '"';
    EXPECT_EQ(list.fileList().Count(), c.max > 0 ? c.max : 0) << '"' << c.text << '"';
  }
}

TEST_F(RecentList, ASecondLoadOfTheSameObjectIsADuplicateKeyError) {
  Store("3", {"a"});
  clsMRUList list;
  list.getRecentList();
  EXPECT_EQ(ErrorNumberOf([&] { list.getRecentList(); }), 457);
}

TEST_F(RecentList, SetRecentFileMovesAnEntryToTheHeadInItsNewCase) {
  Store("3", {"b", "c:\\x.txt", "d"});
  clsMRUList list;
  list.getRecentList();
  list.setRecentFile("C:\\X.TXT");
  EXPECT_EQ(Entries(list), (Names{"C:\\X.TXT", "b", "d"}));
  // Only the list in memory changed.
  EXPECT_EQ(Stored(), (Names{"b", "c:\\x.txt", "d", kMissing, kMissing}));
}

TEST_F(RecentList, SetRecentFileOnAFullListDropsTheOldest) {
  Store("3", {"a", "b", "c"});
  clsMRUList list;
  list.getRecentList();
  list.setRecentFile("n");
  EXPECT_EQ(Entries(list), (Names{"n", "a", "b"}));
  list.setRecentFile("m");
  EXPECT_EQ(Entries(list), (Names{"m", "n", "a"}));
}

TEST_F(RecentList, SetRecentFileKeepsNothingWithoutAMaximum) {
  clsMRUList unloaded;
  unloaded.setRecentFile("a");
  EXPECT_EQ(unloaded.fileList().Count(), 0);

  Store("0", {"a"});
  clsMRUList none;
  none.getRecentList();
  none.setRecentFile("b");
  EXPECT_EQ(none.fileList().Count(), 0);
}

TEST_F(RecentList, RemoveRecentFileLeavesAGapUntilTheListIsStored) {
  Store("3", {"a", "b", "c"});
  clsMRUList list;
  list.getRecentList();
  list.removeRecentFile("B");
  EXPECT_EQ(Entries(list), (Names{"a", "c"}));
  EXPECT_EQ(Stored(), (Names{"a", kMissing, "c", kMissing, kMissing}));
  EXPECT_EQ(Loaded(), Names{"a"});

  list.setRecentList();
  EXPECT_EQ(Stored(), (Names{"a", "c", kMissing, kMissing, kMissing}));
  EXPECT_EQ(Loaded(), (Names{"a", "c"}));
}

TEST_F(RecentList, RemoveRecentFileDeletesEveryStoredMatchUpToTheMaximum) {
  // The list stops at the gap, but the stored values behind it are examined.
  Store("4", {"a", kMissing, "Z", "z", "z"});
  clsMRUList list;
  list.getRecentList();
  list.removeRecentFile("z");
  EXPECT_EQ(Entries(list), Names{"a"});
  EXPECT_EQ(Stored(), (Names{"a", kMissing, kMissing, kMissing, "z"}));

  // A name found nowhere changes nothing.
  list.removeRecentFile("q");
  EXPECT_EQ(Entries(list), Names{"a"});
  EXPECT_EQ(Stored(), (Names{"a", kMissing, kMissing, kMissing, "z"}));
}

TEST_F(RecentList, SetRecentListRewritesFileOneToFive) {
  Store("2", {"v1", "v2", "v3", "v4", "v5"});
  clsMRUList list;
  list.getRecentList();
  list.setRecentFile("new");
  list.setRecentList();
  EXPECT_EQ(Stored(), (Names{"new", "v1", kMissing, kMissing, kMissing}));
  EXPECT_EQ(GetRegSetting("Vantorel", "Recent", "MaxFile", kMissing), "2");

  SaveRegSetting("Vantorel", "Recent", "MaxFile", "0");
  Store("", {"v1", "v2", "v3", "v4", "v5"});
  clsMRUList empty;
  empty.getRecentList();
  empty.setRecentList();
  EXPECT_EQ(Stored(), (Names{kMissing, kMissing, kMissing, kMissing, kMissing}));
  EXPECT_EQ(GetRegSetting("Vantorel", "Recent", "MaxFile", kMissing), "0");
}

TEST_F(RecentList, FileListIsTheObjectsOwnList) {
  Store("3", {"a", "b", "c"});
  clsMRUList list;
  list.getRecentList();
  list.fileList().Remove(1);
  EXPECT_EQ(Entries(list), (Names{"b", "c"}));
  list.setRecentList();
  EXPECT_EQ(Stored(), (Names{"b", "c", kMissing, kMissing, kMissing}));
}

TEST(GetFileName, GivesTheTextBehindTheLastBackslash) {
  clsMRUList list;
  EXPECT_EQ(list.GetFileName("C:\\Docs\\a.txt"), "a.txt");
  EXPECT_EQ(list.GetFileName("a.txt"), "a.txt");
  EXPECT_EQ(list.GetFileName("C:\\Docs\\"), "");
  EXPECT_EQ(list.GetFileName(""), "");
  EXPECT_EQ(list.GetFileName("C:/Docs/a.txt"), "C:/Docs/a.txt");
}

TEST(GetFileName, NamesOfAnyLengthGiveTheirLastPart) {
  clsMRUList list;
  // The last backslash beyond 32,767 characters.
  const std::string deep = "C:\\" + std::string(39'990, 'd') + "\\b.txt";
  ASSERT_GT(deep.size(), 40'000u - 10);
  EXPECT_EQ(list.GetFileName(deep), "b.txt");
  // A 40,000-character name whose last backslash is near the start.
  const std::string longName = "C:\\" + std::string(40'000 - 3, 'n');
  EXPECT_EQ(list.GetFileName(longName), std::string(40'000 - 3, 'n'));
  // Exactly 32,767 characters, ending with a backslash.
  EXPECT_EQ(list.GetFileName(std::string(32'766, 'x') + "\\"), "");
  EXPECT_EQ(list.GetFileName(std::string(40'000, 'y')), std::string(40'000, 'y'));
}

TEST(GetFileName, AValidLongNameShowsNoMessageBox) {
  RecordingRuntime runtime;
  clsMRUList list;
  EXPECT_EQ(list.GetFileName("C:\\Docs\\" + std::string(39'992, 'n')), std::string(39'992, 'n'));
  EXPECT_TRUE(runtime.MsgBoxes.empty());
}

}  // namespace
