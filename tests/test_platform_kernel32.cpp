#include <gtest/gtest.h>

#include <cstring>

#include "platform/modAPI.h"

// The NT family for the record size the program passes; a record whose size
// field is too small is refused.
TEST(GetVersionExA, ReportsTheNtFamilyWithTheSizeTheProgramPassesAndRefusesLess) {
  for (DWORD size : {148u, 12u}) {
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = size;
    EXPECT_EQ(GetVersionExA(&info) != 0, size == 148) << size;
    EXPECT_EQ(info.dwPlatformId, size == 148 ? static_cast<DWORD>(VER_PLATFORM_WIN32_NT) : 0u);
    EXPECT_GE(info.dwMajorVersion, size == 148 ? 5u : 0u);
  }
}
