// A stand-in for Vantorel's Vtr.exe in the end-to-end scenarios: it appends
// one line to the launch log and ends. The line holds the path it was started
// from, its command line exactly as given, and the show mode it was asked for:
//   <module path>|<command line>|show=<n>
// The log is the Windows path in VTR_E2E_LOG, or launches.txt beside it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char module[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string log;
  if (const char* env = std::getenv("VTR_E2E_LOG")) {
    log = env;
  } else {
    log = module;
    log = log.substr(0, log.find_last_of('\\') + 1) + "launches.txt";
  }
  STARTUPINFOA si{};
  si.cb = sizeof si;
  GetStartupInfoA(&si);
  int show = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : -1;
  if (FILE* f = std::fopen(log.c_str(), "ab")) {
    std::fprintf(f, "%s|%s|show=%d\n", module, GetCommandLineA(), show);
    std::fclose(f);
  }
  return 0;
}
