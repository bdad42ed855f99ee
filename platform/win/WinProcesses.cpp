#include "platform/win/WinProcesses.h"

#include <windows.h>

#include <vector>

bool LaunchProgram(const std::string& programPath, const std::string& commandLine) {
  if (programPath.empty()) return false;
  // CreateProcessA may write into the command line; it gets its own copy.
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  // The program's path as the application name: Windows starts exactly that
  // file, however the unquoted path in the command line could be split.
  if (!CreateProcessA(programPath.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool NormalFileExists(const std::string& path) {
  if (path.empty() || path.find_first_of("*?") != std::string::npos) return false;
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
}

std::string ModuleFolder() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::string();
    if (length < buffer.size()) {
      std::string path(buffer.data(), length);
      const size_t slash = path.find_last_of('\\');
      std::string folder = path.substr(0, slash == std::string::npos ? 0 : slash);
      if (folder.size() == 2 && folder[1] == ':') folder += '\\';  // a drive root keeps its backslash
      return folder;
    }
    buffer.resize(buffer.size() * 2);
  }
}
