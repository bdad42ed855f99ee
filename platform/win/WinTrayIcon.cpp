#include "platform/win/WinTrayIcon.h"

#include <algorithm>
#include <cstring>

#if defined(_WIN32) && !defined(_WIN64)
static_assert(NOTIFYICONDATAA_V1_SIZE == 88, "the 32-bit program hands the shell the 88-byte icon record");
#endif
static_assert(sizeof(NOTIFYICONDATAA) > NOTIFYICONDATAA_V1_SIZE,
              "the full record reaches past the first form's tooltip field");

namespace {
// The timer on the icon's window that tries a refused icon again.
constexpr UINT_PTR kRetryTimer = 0x5654;  // "VT"
}  // namespace

WinTrayIcon::WinTrayIcon()
    : shell_([](DWORD message, PNOTIFYICONDATAA data) { return ::Shell_NotifyIconA(message, data); }) {}

BOOL WinTrayIcon::Notify(DWORD message, PNOTIFYICONDATAA data) {
  if (data == nullptr) return FALSE;
  // The shell gets the caller's record (its cbSize bytes) in a zeroed block
  // of the full record's size, so the tooltip field is followed by a zero.
  std::memset(&record_, 0, sizeof record_);
  std::memcpy(&record_, data, std::min<std::size_t>(data->cbSize, sizeof record_));
  switch (message) {
    case NIM_ADD:
      wanted_ = true;
      StopRetrying();
      return AddNow();
    case NIM_MODIFY: {
      BOOL result = shell_(message, &record_);
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
  return shell_(message, &record_);
}

bool WinTrayIcon::OnTimer(HWND hwnd, UINT_PTR timerId) {
  if (timerId != kRetryTimer) return false;
  KillTimer(hwnd, kRetryTimer);
  if (wanted_ && record_.hWnd == hwnd) AddNow();
  return true;
}

void WinTrayIcon::OnTaskbarCreated(HWND hwnd) {
  if (!wanted_ || record_.hWnd != hwnd) return;
  StopRetrying();
  AddNow();
}

void WinTrayIcon::UseShell(ShellNotify shell, std::chrono::milliseconds firstRetry) {
  shell_ = std::move(shell);
  retry_ = IconAddRetry(firstRetry);
}

BOOL WinTrayIcon::AddNow() {
  BOOL result = shell_(NIM_ADD, &record_);
  if (result) {
    StopRetrying();
  } else if (auto delay = retry_.NextDelay()) {
    SetTimer(record_.hWnd, kRetryTimer, static_cast<UINT>(delay->count()), nullptr);
  }
  return result;
}

void WinTrayIcon::StopRetrying() {
  retry_.Reset();
  if (record_.hWnd != nullptr) KillTimer(record_.hWnd, kRetryTimer);
}
