// The drive view of the substitute platform: Windows paths on the host.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/Strings.h"
#include "platform/emu/DriveView.h"
#include "tests/LaunchLog.h"

namespace fs = std::filesystem;

namespace {

// C: is the configured folder, Z: the root; a name is found without regard
// to case when the exact one is missing. Only a normal file there counts as
// one: not a folder, not a hidden file, not a missing one.
TEST(DriveView, WindowsPathsLeadToTheirHostPathsWhereANormalFileMayBe) {
  const ScratchDrive scratch;
  const fs::path& driveC = scratch.driveC;
  for (const char* file : {"Program Files/Vantorel/Vtr.exe", "a.txt", "A.txt", ".Hidden.exe"})
    std::ofstream(driveC / file) << "x";  // (ScratchDrive made the folder)
  const struct {
    const char* windows;
    std::optional<fs::path> host;
    bool normal;
  } cases[] = {
      {"C:\\Docs\\a.txt", driveC / "Docs/a.txt", false}, {"c:/Docs/a.txt", driveC / "Docs/a.txt", false},
      {"C:\\", driveC, false}, {"C:", driveC, false}, {"Z:\\usr\\bin", "/usr/bin", false}, {"z:\\", "/", false},
      {"C:\\..\\..\\etc\\passwd", driveC / "etc/passwd", false},  // dots never leave the drive
      {"C:\\PROGRAM FILES\\vantorel\\vtr.EXE", driveC / "Program Files/Vantorel/Vtr.exe", true},
      {"C:\\A.txt", driveC / "A.txt", true}, {"C:\\a.txt", driveC / "a.txt", true},  // the exact name wins
      // A name found nowhere stays as written, behind the names that were found.
      {"C:\\program files\\New\\X.txt", driveC / "Program Files/New/X.txt", false},
      {"C:\\.Hidden.exe", driveC / ".Hidden.exe", false}, {"D:\\Vtr.exe", std::nullopt, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(emu::HostPath(c.windows), c.host ? std::optional(c.host->string()) : std::nullopt) << c.windows;
    EXPECT_EQ(emu::NormalFileExists(c.windows), c.normal) << c.windows;
  }
  // Back, a drive's root keeps its backslash: "C:" alone names the drive's current folder to Windows.
  EXPECT_EQ(emu::WindowsPath(driveC.string()), "C:\\");
  EXPECT_EQ(emu::WindowsPath("/"), "Z:\\");
}

TEST(DriveView, TheProgramsFolderLeadsBackToItsExecutable) {
  const std::string folder = emu::ProgramFolder();
  EXPECT_EQ(folder.substr(1, 2), ":\\");
  EXPECT_NE(folder.back(), '\\');
  const auto host = emu::HostPath(folder);
  ASSERT_TRUE(host);
  EXPECT_EQ(fs::path(*host), fs::read_symlink("/proc/self/exe").parent_path());
}

// As the terminal front end hands it back for GetWindowsDirectoryA.
TEST(DriveView, TheWindowsDirectoryIsTheWindowsFolderOfDriveC) {
  char buffer[255];
  EXPECT_EQ(CopyOutText(emu::WindowsDirectory(), buffer, 255), 10u);
  EXPECT_STREQ(buffer, "C:\\WINDOWS");
  char small[10] = "unchanged";
  EXPECT_EQ(CopyOutText(emu::WindowsDirectory(), small, sizeof small), 11u);
  EXPECT_STREQ(small, "unchanged");
}

}  // namespace
