// kernel32 substitutes for systems without Windows.
#include "platform/modAPI.h"

#include <cstdio>
#include <cstring>

extern "C" BOOL GetVersionExA(LPOSVERSIONINFOA info) {
  if (info == nullptr || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) return FALSE;
  // The substitute platform behaves as the NT family does.
  info->dwMajorVersion = 6;
  info->dwMinorVersion = 2;
  info->dwBuildNumber = 9200;
  info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
  return TRUE;
}

// Where a developer on these systems looks: the text as given, unbuffered.
extern "C" void OutputDebugStringA(LPCSTR text) {
  if (text != nullptr) std::fputs(text, stderr);
}
