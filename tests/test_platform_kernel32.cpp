#include <gtest/gtest.h>

#include <cstring>

#include "platform/modAPI.h"

TEST(GetVersionExA, ReportsTheNtFamilyWithTheSizeTheProgramPasses) {
  OSVERSIONINFOA info;
  std::memset(&info, 0, sizeof info);
  info.dwOSVersionInfoSize = 148;
  ASSERT_NE(GetVersionExA(&info), 0);
  EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
  EXPECT_GE(info.dwMajorVersion, 5u);
}

TEST(GetVersionExA, RefusesARecordWhoseSizeFieldIsTooSmall) {
  OSVERSIONINFOA info;
  std::memset(&info, 0, sizeof info);
  info.dwOSVersionInfoSize = 12;
  EXPECT_EQ(GetVersionExA(&info), 0);
}
