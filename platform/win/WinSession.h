#pragma once
// The program among the others of the user's session: one copy per session,
// and a restart after an installer closed it.
#include <windows.h>

#include "platform/ProgramTexts.h"

// Decides at start-up whether this start is the session's one copy. The
// running copy is the one whose tray window exists (the program's
// TrayWindowClass and TrayCaption; a copy that closed its icon, or crashed,
// no longer counts). A mutex named in the session's own
// namespace ("Local\", so each user of a shared machine has a copy of their
// own) keeps two starts at the same moment from both finding no window: a
// start holds it from its look until its own window exists (Release).
class SessionStart {
 public:
  // Waits up to patienceMs for a start that holds the mutex (a copy being
  // loaded, whose window then decides); one that takes longer counts as running.
  SessionStart(const char* mutexName, const ProgramTexts& program, DWORD patienceMs = 10000);
  ~SessionStart();
  SessionStart(const SessionStart&) = delete;
  SessionStart& operator=(const SessionStart&) = delete;

  // False when this start is the session's one copy.
  bool AnotherCopyRuns() const { return anotherRuns_; }
  // This copy's window exists: other starts may look now.
  void Release();

 private:
  HANDLE mutex_ = nullptr;
  bool held_ = false;
  bool anotherRuns_ = false;
};

// What an installer that closed the program through the Restart Manager may
// do afterwards: start it again. Not after a reboot, a crash or a hang: the
// start-up entry starts it at logon, and a copy that keeps crashing should
// stay down. The program runs on whatever the answer (Wine only pretends
// to register).
using RegisterRestartFunction = HRESULT(WINAPI*)(PCWSTR, DWORD);
HRESULT RegisterInstallerRestart(RegisterRestartFunction registerRestart = RegisterApplicationRestart);
