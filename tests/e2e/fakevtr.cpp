// A stand-in for Vantorel's Vtr.exe in the end-to-end scenarios: it appends
// one line to the launch log and ends. The line holds the path it was started
// from, its command line exactly as given, and the show mode it was asked for:
//   <module path>|<command line>|show=<n>
// The log is the Windows path in VTR_E2E_LOG (both scenario scripts set it).
// With VTR_E2E_APPLY set it also does what Vantorel does when it applies the
// file it was given: it writes the file's name as "LastFileApplied", through
// its own registry view (the 32-bit one when it is built for i686).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char module[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  const char* log = std::getenv("VTR_E2E_LOG");
  STARTUPINFOA si{};
  GetStartupInfoA(&si);  // fills in the whole record, its size too
  int show = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : -1;
  if (FILE* f = log ? std::fopen(log, "ab") : nullptr) {
    std::fprintf(f, "%s|%s|show=%d\n", module, GetCommandLineA(), show);
    std::fclose(f);
  }
  if (std::getenv("VTR_E2E_APPLY") && __argc > 1) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Vantorel\\Options", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) == ERROR_SUCCESS) {
      const std::string file = __argv[1];
      RegSetValueExA(key, "LastFileApplied", 0, REG_SZ, reinterpret_cast<const BYTE*>(file.c_str()),
                     static_cast<DWORD>(file.size() + 1));
      RegCloseKey(key);
    }
  }
  return 0;
}
