// Starting programs on the substitute platform: Windows' argument rules, no
// shell, wine for Windows executables, xdg-open for addresses.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/emu/Launcher.h"
#include "tests/LaunchLog.h"

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

namespace {

// Expected splits, as Windows' CommandLineToArgvW gives them (the cases were
// checked against it, program name included).
const std::pair<const char*, Args> kSplits[] = {
    {"prog a b", {"prog", "a", "b"}},
    {"prog  \"a b\"  c ", {"prog", "a b", "c"}},
    {"prog a\\\\b c\\\\\\d", {"prog", "a\\\\b", "c\\\\\\d"}},
    {"prog a\\\"b", {"prog", "a\"b"}},
    {"prog a\\\\\"b c\" d", {"prog", "a\\b c", "d"}},
    {"prog a\\\\\\\"b", {"prog", "a\\\"b"}},
    {"prog \"a\"\"b\" c", {"prog", "a\"b c"}},
    {"prog \"a\"\"b c\" d", {"prog", "a\"b", "c d"}},
    {"prog \"\"\"a\"\"\" b", {"prog", "\"a\"", "b"}},
    {"prog \"\" x", {"prog", "", "x"}},
    {"prog \"\"\"\" x", {"prog", "\" x"}},
    {"prog \"\"\"\"\" x", {"prog", "\"", "x"}},
    {"prog \"\"\"\"\"\" x", {"prog", "\"\"", "x"}},
    {"prog a\"b c\"d e", {"prog", "ab cd", "e"}},
    {"prog \"x\"; touch /tmp/owned; \".txt\"", {"prog", "x;", "touch", "/tmp/owned;", ".txt"}},
    {"prog \"$(touch /tmp/owned)\" `id` a&b|c", {"prog", "$(touch /tmp/owned)", "`id`", "a&b|c"}},
    {"\"C:\\Program Files\\V\\Vtr.exe\" \"D:\\Data\\Net 2.txt\"",
     {"C:\\Program Files\\V\\Vtr.exe", "D:\\Data\\Net 2.txt"}},
    {"C:\\Program Files\\V\\Vtr.exe \"D:\\Data\\Net 2.txt\"",
     {"C:\\Program", "Files\\V\\Vtr.exe", "D:\\Data\\Net 2.txt"}},
    {"prog\ta\t\tb", {"prog", "a", "b"}},
    {"prog \"unterminated arg", {"prog", "unterminated arg"}},
    {"prog \\\\server\\share\\ \"c:\\dir\\\\\" e", {"prog", "\\\\server\\share\\", "c:\\dir\\", "e"}},
    {"\"pro\"g x", {"pro", "g", "x"}},
    {"prog \"a\\\"b\" \"c\\\\\"", {"prog", "a\"b", "c\\"}},
};

TEST(CommandLineToArgv, SplitsAsWindowsDoes) {
  for (const auto& [line, argv] : kSplits) EXPECT_EQ(emu::CommandLineToArgv(line), argv) << line;
}

TEST(CommandLineArguments, TheProgramsNameIsThePathGivenApartEvenWithBlanks) {
  const std::string app = "C:\\Program Files\\Vantorel\\Vtr.exe";
  EXPECT_EQ(emu::CommandLineArguments(app, app), Args{});
  EXPECT_EQ(emu::CommandLineArguments(app + " \"D:\\Data\\Net 2.txt\"", app), Args{"D:\\Data\\Net 2.txt"});
  EXPECT_EQ(emu::CommandLineArguments("\"" + app + "\" a", app), Args{"a"});
  // Another name in front: Windows' rule for a program's name.
  EXPECT_EQ(emu::CommandLineArguments("other.exe a b", app), (Args{"a", "b"}));
  // The path is only the program's name when a blank or the end follows it.
  EXPECT_EQ(emu::CommandLineArguments("C:\\Program Filesx y", "C:\\Program Files"), (Args{"Filesx", "y"}));
}

class Launching : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("vtr-launch-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "drive_c/Program Files/Vantorel");
    fs::create_directories(root_ / "bin");
    log_ = (root_ / "launches.log").string();
    env_.Set("VTR_DRIVE_C", (root_ / "drive_c").string());
    env_.Set("VTR_ARGV_LOG", log_);
    env_.Set("PATH", (root_ / "bin").string() + ":/usr/bin:/bin");
  }
  void TearDown() override {
    emu::ReapLaunched();
    fs::remove_all(root_);
  }
  void WriteFile(const fs::path& where, const std::string& content) {
    std::ofstream(where, std::ios::binary) << content;
  }

  fs::path root_;
  std::string log_;
  ScopedEnvironment env_;
};

// The program given apart starts with the arguments of the line: a script
// as itself, whatever its name says; a Windows executable through wine.
TEST_F(Launching, StartsTheProgramGivenApartWithTheArgumentsOfTheLineAndWindowsOnesThroughWine) {
  const fs::path exe = root_ / "drive_c/Program Files/Vantorel/Vtr.exe";
  const std::string app = "C:\\Program Files\\Vantorel\\Vtr.exe";
  for (bool windows : {false, true}) {
    SCOPED_TRACE(windows ? "Windows executable" : "script");
    const fs::path recorder = windows ? root_ / "bin/wine" : exe;
    InstallRecorder(VTR_ARGV_RECORDER, recorder);
    if (windows) WriteFile(exe, std::string("MZ\x90\0", 4));
    fs::remove(log_);
    ASSERT_EQ(emu::Launch(app, app + " \"D:\\Data\\Net 2.txt\""), 0u);
    const auto launches = WaitForLaunches(log_, 1);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].program, recorder.string());
    EXPECT_EQ(launches[0].args, (windows ? Args{exe.string(), "D:\\Data\\Net 2.txt"} : Args{"D:\\Data\\Net 2.txt"}));
  }
}

TEST_F(Launching, FailuresAnswerWithWindowsCodes) {
  EXPECT_EQ(emu::Launch("", ""), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(emu::Launch("C:\\Program Files\\Vantorel\\Vtr.exe", "x"), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(emu::Launch("D:\\Vtr.exe", "x"), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(emu::Launch("C:\\Program Files", "x"), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  WriteFile(root_ / "drive_c/plain.txt", "not a program");
  EXPECT_EQ(emu::Launch("C:\\plain.txt", "x"), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  // A Windows program with no wine to run it.
  ::setenv("PATH", (root_ / "bin").c_str(), 1);
  WriteFile(root_ / "drive_c/Vtr.exe", "MZ");
  EXPECT_EQ(emu::Launch("C:\\Vtr.exe", "x"), 193u);
  EXPECT_TRUE(ReadLaunchLog(log_).empty());
}

}  // namespace
