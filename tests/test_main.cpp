// The main of every test program.
//
// Natively, each test process gets a registry store of its own in a fresh
// temporary folder (unless VTR_REGISTRY is already set), so that tests run
// in parallel without seeing each other's keys. Under Wine the prefix's one
// registry is shared, and the test programs take turns (see CMakeLists.txt).
#include <gtest/gtest.h>

#ifndef _WIN32
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#endif

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
#ifndef _WIN32
  std::filesystem::path privateDir;
  if (std::getenv("VTR_REGISTRY") == nullptr) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "vtr-test-XXXXXX").string();
    if (char* made = ::mkdtemp(pattern.data())) {
      privateDir = made;
      ::setenv("VTR_REGISTRY", (privateDir / "registry.db").c_str(), 1);
      ::setenv("VTR_DRIVE_C", (privateDir / "drive_c").c_str(), 0);
    }
  }
#endif
  int result = RUN_ALL_TESTS();
#ifndef _WIN32
  if (!privateDir.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(privateDir, ignored);
  }
#endif
  return result;
}
