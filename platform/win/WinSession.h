#pragma once
// The program among the others of the user's session: a restart after an
// installer closed it.
#include <windows.h>

// What an installer that closed the program through the Restart Manager may
// do afterwards: start it again. Not after a reboot, a crash or a hang: the
// start-up entry starts it at logon, and a copy that keeps crashing should
// stay down. The program runs on whatever the answer (Wine only pretends
// to register).
using RegisterRestartFunction = HRESULT(WINAPI*)(PCWSTR, DWORD);
HRESULT RegisterInstallerRestart(RegisterRestartFunction registerRestart = RegisterApplicationRestart);
