// The main of every test program.
//
// Natively, each test process gets a registry store of its own in a fresh
// temporary folder (unless VTR_REGISTRY is already set), so that tests run
// in parallel without seeing each other's keys. Under Wine the prefix's one
// registry is shared, and the test programs take turns (see CMakeLists.txt).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#ifndef _WIN32
#include "platform/emu/UserData.h"
#include "tray/UserDataNames.h"
#endif

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
#ifdef _WIN32
  return RUN_ALL_TESTS();
#else
  emu::SetUserDataNames({kDataFolderName, kStoreVariable, kDriveCVariable});
  std::string folder = (std::filesystem::temp_directory_path() / "vtr-test-XXXXXX").string();
  if (std::getenv("VTR_REGISTRY") != nullptr || ::mkdtemp(folder.data()) == nullptr) return RUN_ALL_TESTS();
  ::setenv("VTR_REGISTRY", (folder + "/registry.db").c_str(), 1);
  ::setenv("VTR_DRIVE_C", (folder + "/drive_c").c_str(), 0);
  const int result = RUN_ALL_TESTS();
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return result;
#endif
}
