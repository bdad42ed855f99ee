// The vtrreg program itself, run as a user runs it: natively, and as
// vtrreg.exe under wine64 (started through the command interpreter).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "tests/RegistryTestSupport.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace {

const std::string kSub = "Software\\VtrRegCli";

// A path of the build or source tree as this program sees it.
std::string HostPath(std::string path) {
#ifdef _WIN32
  std::replace(path.begin(), path.end(), '/', '\\');
  return "Z:" + path;
#else
  return path;
#endif
}

struct Result {
  int status = -1;
  std::string out, err;
};

class VtrRegCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteRegistryTree(HKEY_CURRENT_USER, kSub);
    dir = std::filesystem::temp_directory_path() /
          ("vtrreg-cli-" + std::to_string(std::random_device{}()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
  }
  void TearDown() override {
    DeleteRegistryTree(HKEY_CURRENT_USER, kSub);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }

  // Runs vtrreg with the arguments, standard input from `input` when given.
  Result Vtrreg(const std::vector<std::string>& arguments, const std::string* input = nullptr) {
    std::string command = HostPath(VTRREG_EXE);
    // In double quotes, for the shell and the command interpreter alike: the
    // tests pass no double quote, no "$" or "`", and no trailing backslash.
    for (const std::string& argument : arguments) command += " \"" + argument + '"';
    const std::filesystem::path in = dir / "in.txt", out = dir / "out.txt", err = dir / "err.txt";
    if (input != nullptr) {
      std::ofstream(in, std::ios::binary) << *input;
      command += " < " + in.string();
    }
    command += " > " + out.string() + " 2> " + err.string();
    Result result;
    const int status = std::system(command.c_str());
#ifdef _WIN32
    result.status = status;
#else
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    result.out = FileText(out);
    result.err = FileText(err);
    return result;
  }

  std::filesystem::path dir;
};

// An argument that is no command is one more word of the one before; none
// runs after quit.
TEST_F(VtrRegCliTest, EachArgumentIsOneCommandLineOrOneMoreWord) {
  const Result r = Vtrreg({"mkdir '\\HKEY_CURRENT_USER\\Software\\VtrRegCli\\Sub Key'", "mkdir",
                           "\\HKEY_CURRENT_USER\\Software\\VtrRegCli\\Two Words",
                           "cd \\HKEY_CURRENT_USER\\Software\\VtrRegCli", "set -t 2 Count 0xF", "lv", "ls", "pwd",
                           "quit", "get"});
  EXPECT_EQ(std::tuple(r.status, r.err), std::tuple(0, ""));
  EXPECT_EQ(r.out,
            "Name   Data                      Kind\n"
            "Count  0000000F (0,000,000,015)  2 DWord\n"
            "Sub Key\nTwo Words\n"
            "\\HKEY_CURRENT_USER\\SOFTWARE\\VTRREGCLI\n");
}

TEST_F(VtrRegCliTest, AScriptStopsAtItsFirstFailure) {
  const std::string script =
      "# a comment, then a blank line\n"
      "\n"
      "mkdir \\HKEY_CURRENT_USER\\Software\\VtrRegCli\r\n"
      "cd \\HKEY_CURRENT_USER\\Software\\VtrRegCli\n"
      "pwd\r\n"
      "cd Missing\n"
      "set Written yes\n";
  const Result r = Vtrreg({}, &script);
  // Lines end with or without a carriage return. No error of the set after
  // the failure: it never ran.
  EXPECT_EQ(std::tuple(r.status, r.out), std::tuple(1, "\\HKEY_CURRENT_USER\\SOFTWARE\\VTRREGCLI\n"));
  EXPECT_EQ(r.err, "vtrreg: line 6: error -2147221248 (0x80040100), source \"EasyRegistry[API Call]\": "
                   "Key/Value does not exist.\n");
}

TEST_F(VtrRegCliTest, ExportAndImportGoThroughFiles) {
  const std::string file = (dir / "a.reg").string();
  ASSERT_EQ(Vtrreg({"mkdir \\HKEY_CURRENT_USER\\Software\\VtrRegCli\\K", "cd \\HKEY_CURRENT_USER\\Software\\VtrRegCli\\K",
                    "set -t binary B 01 02", "export \\HKEY_CURRENT_USER\\Software\\VtrRegCli -o " + file})
                .status,
            0);
  EXPECT_EQ(FileText(file), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\VtrRegCli]\r\n\r\n"
                            "[HKEY_CURRENT_USER\\Software\\VtrRegCli\\K]\r\n\"B\"=hex:01,02\r\n\r\n");
  EXPECT_FALSE(std::filesystem::exists(file + ".tmp"));
  DeleteRegistryTree(HKEY_CURRENT_USER, kSub);
  const Result r = Vtrreg({"import", file, "export \\HKEY_CURRENT_USER\\Software\\VtrRegCli\\K"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "imported " + file + ": 2 keys, 1 values, 0 deletions\n" +
                       "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\VtrRegCli\\K]\r\n\"B\"=hex:01,02\r\n\r\n");
}

// The help on standard output, the errors on standard error.
TEST_F(VtrRegCliTest, HelpAndWrongOptions) {
  const std::tuple<const char*, int, const char*> cases[] = {
      {"--help", 0, "Commands:\n  cd [PATH] "},
      {"help", 0, "Commands:\n  cd [PATH] "},
      {"help ls", 0, "ls [PATH]\n    list the subkeys of the current key (or of PATH)\n"},
      {"--version", 0, "vtrreg "},
      {"--frobnicate", 2, "(0x80040201), source \"vtrreg\": unknown option --frobnicate"},
      {"frobnicate", 1, "argument 1: error -2147220990 (0x80040202)"},
  };
  for (const auto& [argument, status, words] : cases) {
    const Result r = Vtrreg({argument});
    EXPECT_EQ(r.status, status) << argument;
    EXPECT_NE((status == 0 ? r.out : r.err).find(words), std::string::npos) << r.out << r.err;
  }
}

}  // namespace
