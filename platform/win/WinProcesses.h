#pragma once
// Processes and files as the Windows runtime sees them for the form.
#include <windows.h>

#include <string>

#include "platform/ProcessesAndFiles.h"

// Starts programPath with commandLine in a normal window, without waiting.
bool LaunchProgram(const std::string& programPath, const std::string& commandLine);
// A normal file of exactly that name: no folder, no hidden or system file.
bool NormalFileExists(const std::string& path);
// The folder of the program's own executable, without a trailing backslash
// except for a drive root.
std::string ModuleFolder();
// Runs programPath with administrator rights (the "runas" verb: Windows asks
// the user, on behalf of owner), hidden, and waits up to a minute for it.
ElevatedRun RunElevatedAndWait(HWND owner, const std::string& programPath, const std::string& parameters);
