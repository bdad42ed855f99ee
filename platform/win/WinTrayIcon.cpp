#include "platform/win/WinTrayIcon.h"

namespace {
// The timer on the icon's window that tries a refused icon again.
constexpr UINT_PTR kRetryTimer = 0x5654;  // "VT"
}  // namespace

WinTrayIcon::WinTrayIcon()
    : shell_([](DWORD message, PNOTIFYICONDATAA data) { return ::Shell_NotifyIconA(message, data); }) {}

BOOL WinTrayIcon::Notify(DWORD message, PNOTIFYICONDATAA data) {
  if (data == nullptr) return FALSE;
  record_ = ShellRecord(*data);
  switch (message) {
    case NIM_ADD:
      wanted_ = true;
      StopRetrying();
      return AddNow();
    case NIM_MODIFY: {
      BOOL result = shell_(message, &record_.Record);
      // The shell lost the icon (or never took it): add it as it now stands.
      if (!result && wanted_) result = AddNow();
      return result;
    }
    case NIM_DELETE:
      wanted_ = false;
      StopRetrying();
      break;
    default:
      break;
  }
  return shell_(message, &record_.Record);
}

bool WinTrayIcon::OnTimer(HWND hwnd, UINT_PTR timerId) {
  if (timerId != kRetryTimer) return false;
  KillTimer(hwnd, kRetryTimer);
  if (wanted_ && record_.Record.hWnd == hwnd) AddNow();
  return true;
}

void WinTrayIcon::OnTaskbarCreated(HWND hwnd) {
  if (!wanted_ || record_.Record.hWnd != hwnd) return;
  StopRetrying();
  AddNow();
}

void WinTrayIcon::UseShell(ShellNotify shell, std::chrono::milliseconds firstRetry) {
  shell_ = std::move(shell);
  retry_ = IconAddRetry(firstRetry);
}

BOOL WinTrayIcon::AddNow() {
  BOOL result = shell_(NIM_ADD, &record_.Record);
  if (result) {
    StopRetrying();
  } else if (auto delay = retry_.NextDelay()) {
    SetTimer(record_.Record.hWnd, kRetryTimer, static_cast<UINT>(delay->count()), nullptr);
  }
  return result;
}

void WinTrayIcon::StopRetrying() {
  retry_.Reset();
  if (record_.Record.hWnd != nullptr) KillTimer(record_.Record.hWnd, kRetryTimer);
}
