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
  NOTIFYICONDATAA& block = report_.record;
  std::memset(&block, 0, sizeof block);
  std::memcpy(&block, data, std::min<std::size_t>(data->cbSize, sizeof block));
  switch (message) {
    case NIM_ADD:
      wanted_ = true;
      StopRetrying();
      return AddNow();
    case NIM_MODIFY: {
      ++report_.modifies;
      report_.lastMessage = message;
      BOOL result = report_.lastResult = shell_(message, &block);
      // The shell lost the icon (or never took it): add it as it now stands.
      if (!result && wanted_) result = AddNow();
      return result;
    }
    case NIM_DELETE:
      ++report_.deletes;
      wanted_ = false;
      StopRetrying();
      break;
    default:
      break;
  }
  report_.lastMessage = message;
  return report_.lastResult = shell_(message, &block);
}

bool WinTrayIcon::OnTimer(HWND hwnd, UINT_PTR timerId) {
  if (timerId != kRetryTimer) return false;
  KillTimer(hwnd, kRetryTimer);
  if (wanted_ && report_.record.hWnd == hwnd) AddNow();
  return true;
}

void WinTrayIcon::OnTaskbarCreated(HWND hwnd) {
  if (!wanted_ || report_.record.hWnd != hwnd) return;
  StopRetrying();
  AddNow();
}

void WinTrayIcon::UseShell(ShellNotify shell, std::chrono::milliseconds firstRetry) {
  shell_ = std::move(shell);
  retry_ = IconAddRetry(firstRetry);
}

BOOL WinTrayIcon::AddNow() {
  ++report_.adds;
  report_.lastMessage = NIM_ADD;
  BOOL result = report_.lastResult = shell_(NIM_ADD, &report_.record);
  if (result) {
    StopRetrying();
  } else if (auto delay = retry_.NextDelay()) {
    SetTimer(report_.record.hWnd, kRetryTimer, static_cast<UINT>(delay->count()), nullptr);
  }
  return result;
}

void WinTrayIcon::StopRetrying() {
  retry_.Reset();
  if (report_.record.hWnd != nullptr) KillTimer(report_.record.hWnd, kRetryTimer);
}
