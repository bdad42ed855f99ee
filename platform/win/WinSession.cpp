#include "platform/win/WinSession.h"

HRESULT RegisterInstallerRestart(RegisterRestartFunction registerRestart) {
  // No command line: the program reads none.
  return registerRestart(nullptr, RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT);
}
