#pragma once
// Processes and files as the Windows runtime sees them for the form.
#include <string>

// Starts programPath with commandLine in a normal window, without waiting.
bool LaunchProgram(const std::string& programPath, const std::string& commandLine);
// A normal file of exactly that name: no folder, no hidden or system file.
bool NormalFileExists(const std::string& path);
// The folder of the program's own executable, without a trailing backslash
// except for a drive root.
std::string ModuleFolder();
