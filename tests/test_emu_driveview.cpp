// The drive view of the substitute platform: Windows paths on the host.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <utility>

#include "platform/emu/DriveView.h"
#include "tests/LaunchLog.h"

namespace fs = std::filesystem;

namespace {

class DriveView : public ::testing::Test {
 protected:
  static void Touch(const fs::path& p) {
    fs::create_directories(p.parent_path());
    std::ofstream(p) << "x";
  }

  ScratchDrive scratch_;
  const fs::path& driveC_ = scratch_.driveC;
};

// C: is the configured folder, Z: the root; a name is found without regard
// to case when the exact one is missing.
TEST_F(DriveView, WindowsPathsLeadToTheirHostPaths) {
  Touch(driveC_ / "Program Files/Vantorel/Vtr.exe");
  Touch(driveC_ / "a.txt");
  Touch(driveC_ / "A.txt");
  EXPECT_EQ(emu::DriveCFolder(), driveC_.string());
  const std::pair<const char*, fs::path> cases[] = {
      {"C:\\Docs\\a.txt", driveC_ / "Docs/a.txt"}, {"c:/Docs/a.txt", driveC_ / "Docs/a.txt"}, {"C:\\", driveC_},
      {"Z:\\usr\\bin", "/usr/bin"}, {"z:\\", "/"},
      {"C:\\..\\..\\etc\\passwd", driveC_ / "etc/passwd"},  // dots never leave the drive
      {"C:\\PROGRAM FILES\\vantorel\\vtr.EXE", driveC_ / "Program Files/Vantorel/Vtr.exe"},
      {"C:\\A.txt", driveC_ / "A.txt"}, {"C:\\a.txt", driveC_ / "a.txt"},  // the exact name wins
      // A name found nowhere stays as written, behind the names that were found.
      {"C:\\program files\\New\\X.txt", driveC_ / "Program Files/New/X.txt"},
  };
  for (const auto& [windows, host] : cases) EXPECT_EQ(emu::HostPath(windows), host.string()) << windows;
}

TEST_F(DriveView, ANormalFileIsNeitherAFolderNorHidden) {
  Touch(driveC_ / "Vantorel/Vtr.exe");
  Touch(driveC_ / "Vantorel/.Hidden.exe");
  for (const auto& [path, normal] : {std::pair{"C:\\Vantorel\\Vtr.exe", true}, {"c:\\VANTOREL\\VTR.EXE", true},
                                     {"C:\\Vantorel", false}, {"C:\\Vantorel\\.Hidden.exe", false},
                                     {"C:\\Vantorel\\Missing.exe", false}, {"", false},
                                     {"D:\\Vantorel\\Vtr.exe", false}})
    EXPECT_EQ(emu::NormalFileExists(path), normal) << path;
}

TEST_F(DriveView, TheProgramsFolderLeadsBackToItsExecutable) {
  const std::string folder = emu::ProgramFolder();
  ASSERT_GE(folder.size(), 3u);
  EXPECT_EQ(folder.substr(1, 2), ":\\");
  EXPECT_NE(folder.back(), '\\');
  const auto host = emu::HostPath(folder);
  ASSERT_TRUE(host);
  EXPECT_EQ(fs::path(*host), fs::read_symlink("/proc/self/exe").parent_path());
}

TEST(GetWindowsDirectoryA, AnswersTheWindowsFolderOfDriveC) {
  char buffer[255];
  EXPECT_EQ(GetWindowsDirectoryA(buffer, 255), 10u);
  EXPECT_STREQ(buffer, "C:\\WINDOWS");
  char small[10] = "unchanged";
  EXPECT_EQ(GetWindowsDirectoryA(small, sizeof small), 11u);
  EXPECT_STREQ(small, "unchanged");
}

}  // namespace
