#pragma once
// Programs started for the user and the files the program looks for: what
// a test must see and decide without starting anything or touching a disk.
#include <string>

#include "platform/modAPI.h"

// How a program run with administrator rights went: Error is ERROR_SUCCESS
// when it ran (ExitCode is then its exit code), ERROR_CANCELLED when the
// user declined to give the rights, or why it could not be run.
struct ElevatedRun {
  DWORD Error;
  DWORD ExitCode;
};

class ProcessesAndFiles {
 public:
  virtual ~ProcessesAndFiles() = default;

  // Starts a program as a new process in a normal window that takes the
  // focus, without waiting for it. ProgramPath is the executable to start
  // (so that no other program can start in its place, whatever the command
  // line holds); CommandLine is handed to it unchanged. True when it started.
  virtual bool Launch(const std::string& ProgramPath, const std::string& CommandLine) = 0;
  // Runs a program with administrator rights, which the system asks the
  // user for (the user's own consent, or an administrator's password),
  // hidden, and waits for it to end. Where nothing can raise a program's
  // rights the answer is ERROR_NOT_SUPPORTED, which is the default.
  virtual ElevatedRun RunElevated(const std::string& ProgramPath, const std::string& Parameters) {
    (void)ProgramPath;
    (void)Parameters;
    return ElevatedRun{static_cast<DWORD>(ERROR_NOT_SUPPORTED), 0};
  }
  // True when a normal file of exactly that name exists: not a folder, not
  // hidden, not a system file.
  virtual bool FileExists(const std::string& Path) = 0;
  // The folder of the program's own executable, without a trailing
  // backslash except for a drive root ("C:\").
  virtual std::string AppPath() = 0;
  // Windows' function, with its signature: the program passes the buffer
  // size Windows is given, and tests see it.
  virtual UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) = 0;
};
