#include "platform/win/WinProcesses.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

// The records handed to Windows have its documented 32-bit sizes in the
// shipped i686 program (a wrong header or packing would shift their fields).
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(STARTUPINFOA) == 68 && sizeof(PROCESS_INFORMATION) == 16, "CreateProcessA's records");
static_assert(sizeof(SHELLEXECUTEINFOA) == 60, "ShellExecuteExA's record");
#endif

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

ElevatedRun RunElevatedAndWait(HWND owner, const std::string& programPath, const std::string& parameters) {
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  // The process handle, to wait for it; no error box of the shell's (the
  // caller says what happened); the call returns once the program runs.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.hwnd = owner;
  info.lpVerb = "runas";
  info.lpFile = programPath.c_str();
  info.lpParameters = parameters.c_str();
  info.nShow = SW_HIDE;
  if (!ShellExecuteExA(&info)) {
    DWORD error = GetLastError();
    return ElevatedRun{error != ERROR_SUCCESS ? error : static_cast<DWORD>(ERROR_GEN_FAILURE), 0};
  }
  if (info.hProcess == nullptr) return ElevatedRun{static_cast<DWORD>(ERROR_GEN_FAILURE), 0};
  // reg.exe ends at once; a minute is for a system that is very busy. The
  // utility's window waits with it, as behind a message box.
  DWORD waited = WaitForSingleObject(info.hProcess, 60000);
  DWORD exitCode = 0;
  ElevatedRun run{ERROR_SUCCESS, 0};
  if (waited != WAIT_OBJECT_0) {
    run.Error = waited == WAIT_TIMEOUT ? static_cast<DWORD>(WAIT_TIMEOUT) : GetLastError();
  } else if (GetExitCodeProcess(info.hProcess, &exitCode)) {
    run.ExitCode = exitCode;
  } else {
    run.Error = GetLastError();
  }
  CloseHandle(info.hProcess);
  return run;
}
