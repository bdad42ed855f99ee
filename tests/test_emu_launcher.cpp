// Starting programs on the substitute platform: Windows' argument rules, no
// shell, wine for Windows executables, xdg-open for addresses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/emu/Launcher.h"
#include "tests/LaunchLog.h"

namespace fs = std::filesystem;

namespace {

const std::string kApp = "C:\\Program Files\\Vantorel\\Vtr.exe";

// The arguments behind the program's name, as Windows' CommandLineToArgvW
// gives them (the cases were checked against it, program name included);
// given the program's path, the name is that path, quoted or not, when a
// blank or the end follows it.
const struct {
  std::string line, program;
  Args args;
} kSplits[] = {
    {"prog a b", "", {"a", "b"}}, {"prog  \"a b\"  c ", "", {"a b", "c"}},
    {"prog a\\\\b c\\\\\\d", "", {"a\\\\b", "c\\\\\\d"}}, {"prog a\\\\\"b c\" d", "", {"a\\b c", "d"}},
    {"prog a\\\\\\\"b", "", {"a\\\"b"}}, {"prog \"a\"\"b\" c", "", {"a\"b c"}},
    {"prog \"a\"\"b c\" d", "", {"a\"b", "c d"}}, {"prog \"\"\"a\"\"\" b", "", {"\"a\"", "b"}},
    {"prog \"\" x", "", {"", "x"}}, {"prog \"\"\"\" x", "", {"\" x"}}, {"prog \"\"\"\"\" x", "", {"\"", "x"}},
    {"prog \"\"\"\"\"\" x", "", {"\"\"", "x"}}, {"prog a\"b c\"d e", "", {"ab cd", "e"}},
    {"prog\ta\t\tb", "", {"a", "b"}}, {"prog \"unterminated arg", "", {"unterminated arg"}},
    {"prog \\\\server\\share\\ \"c:\\dir\\\\\" e", "", {"\\\\server\\share\\", "c:\\dir\\", "e"}},
    {"\"pro\"g x", "", {"g", "x"}}, {"prog \"a\\\"b\" \"c\\\\\"", "", {"a\"b", "c\\"}},
    {"\"" + kApp + "\" a", kApp, {"a"}}, {"other.exe a b", kApp, {"a", "b"}},
    {"C:\\Program Filesx y", "C:\\Program Files", {"Filesx", "y"}},
};

TEST(CommandLineArguments, SplitAsWindowsSplitsThem) {
  for (const auto& [line, program, args] : kSplits) EXPECT_EQ(emu::CommandLineArguments(line, program), args) << line;
}

class Launching : public ::testing::Test {
 protected:
  void TearDown() override { emu::ReapLaunched(); }

  // What the opener answers for an address (its scheme may hold "+"): above 32 when it opens.
  static intptr_t OpenAddress() { return emu::OpenWithDesktop("open", "svn+ssh://example.invalid/"); }

  ScratchDrive scratch_;
  const fs::path& root_ = scratch_.root;
};

// The program given apart starts with the arguments of the line, a Windows
// executable through wine; an address opens through the desktop's opener.
// (A script starts as itself: the program's test, test_vtrsystray.cpp, whose
// stand-in main program is one.)
TEST_F(Launching, AWindowsExecutableStartsThroughWineAndAnAddressThroughTheDesktopsOpener) {
  const fs::path exe = root_ / "drive_c/Program Files/Vantorel/Vtr.exe";
  for (const char* opener : {"bin/wine", "bin/xdg-open"}) InstallRecorder(VTR_ARGV_RECORDER, root_ / opener);
  std::ofstream(exe, std::ios::binary) << std::string("MZ\x90\0", 4);
  ASSERT_EQ(emu::Launch(kApp, kApp + " \"D:\\Data\\Net 2.txt\""), 0u);
  ASSERT_EQ(LaunchRecords(scratch_.log, 1).size(), 1u);  // recorded before the next starts: in order
  EXPECT_GT(OpenAddress(), 32);
  ASSERT_EQ(LaunchRecords(scratch_.log, 2).size(), 2u);
  EXPECT_GT(emu::OpenWithDesktop("open", "ms:x"), 32);  // a scheme of two letters is one
  EXPECT_EQ(LaunchRecords(scratch_.log, 3),
            (std::vector<Args>{{(root_ / "bin/wine").string(), exe.string(), "D:\\Data\\Net 2.txt"},
                               {(root_ / "bin/xdg-open").string(), "svn+ssh://example.invalid/"},
                               {(root_ / "bin/xdg-open").string(), "ms:x"}}));
}

TEST_F(Launching, FailuresAnswerWithWindowsCodes) {
  std::ofstream(root_ / "drive_c/plain.txt") << "not a program";
  std::ofstream(root_ / "drive_c/Vtr.exe") << "MZ";
  scratch_.SetEnv("PATH", (root_ / "bin").string());  // no wine to run a Windows program
  const std::pair<const char*, DWORD> cases[] = {
      {"", ERROR_FILE_NOT_FOUND}, {kApp.c_str(), ERROR_FILE_NOT_FOUND},
      {"D:\\Vtr.exe", ERROR_FILE_NOT_FOUND}, {"C:\\Program Files", ERROR_ACCESS_DENIED},
      {"C:\\plain.txt", ERROR_ACCESS_DENIED}, {"C:\\Vtr.exe", 193},
  };
  for (const auto& [program, code] : cases) EXPECT_EQ(emu::Launch(program, "x"), code) << program;
  // No desktop opener either: an address has no program to open it.
  EXPECT_EQ(OpenAddress(), 31);
  EXPECT_TRUE(LaunchRecords(scratch_.log).empty());
}

}  // namespace
