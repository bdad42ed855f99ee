#include "platform/win/WinSession.h"

SessionStart::SessionStart(const char* mutexName, const ProgramTexts& program, DWORD patienceMs) {
  mutex_ = CreateMutexA(nullptr, FALSE, mutexName);
  // Without the mutex (one made by a copy run as administrator can't be
  // opened) the window alone decides.
  if (mutex_ != nullptr) {
    switch (WaitForSingleObject(mutex_, patienceMs)) {
      case WAIT_OBJECT_0:
      case WAIT_ABANDONED:  // a start that crashed holding it
        held_ = true;
        break;
      case WAIT_TIMEOUT:  // a copy still loading after that long runs, window or not
        anotherRuns_ = true;
        return;
      default:
        break;
    }
  }
  anotherRuns_ = FindWindowA(program.TrayWindowClass.c_str(), program.TrayCaption.c_str()) != nullptr;
  // Giving way, this start makes no window: the next start may look at once.
  if (anotherRuns_) Release();
}

SessionStart::~SessionStart() {
  Release();
  if (mutex_ != nullptr) CloseHandle(mutex_);
}

void SessionStart::Release() {
  if (held_) ReleaseMutex(mutex_);
  held_ = false;
}

HRESULT RegisterInstallerRestart(RegisterRestartFunction registerRestart) {
  // No command line: the program reads none.
  return registerRestart(nullptr, RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT);
}
