#pragma once
// The shell and window messages that the tray utility uses: the icon record
// of Shell_NotifyIconA with its message and flag codes, the mouse messages
// that the icon's callback carries, and ShellExecuteA's show modes.
//
// On Windows these are the system's own. Elsewhere the same names are
// declared here, with the record in its first, 88-byte form: window and icon
// handles of the substitute platform are 32-bit values, as they are in the
// 32-bit program, so the record has the same bytes on every platform.
// The functions themselves (Shell_NotifyIconA, ShellExecuteA,
// GetWindowsDirectoryA) are reached through the window runtime
// (platform/TrayShell.h, platform/ProcessesAndFiles.h), which records them
// in tests.
#include "platform/modAPI.h"

#ifndef _WIN32

#include <cstdint>

// A window or icon handle as a 32-bit field of a shell record.
template <class Handle>
struct Handle32 {
  DWORD Value;

  Handle32& operator=(Handle handle) {
    Value = static_cast<DWORD>(reinterpret_cast<uintptr_t>(handle));
    return *this;
  }
  operator Handle() const { return reinterpret_cast<Handle>(static_cast<uintptr_t>(Value)); }
};

extern "C" {

typedef struct _NOTIFYICONDATAA {
  DWORD cbSize;
  Handle32<HWND> hWnd;
  UINT uID;
  UINT uFlags;
  UINT uCallbackMessage;
  Handle32<HICON> hIcon;
  CHAR szTip[64];
} NOTIFYICONDATAA, *PNOTIFYICONDATAA;

#define NOTIFYICONDATAA_V1_SIZE 88

#define NIM_ADD 0x00000000
#define NIM_MODIFY 0x00000001
#define NIM_DELETE 0x00000002

#define NIF_MESSAGE 0x00000001
#define NIF_ICON 0x00000002
#define NIF_TIP 0x00000004

#define WM_NULL 0x0000
#define WM_CLOSE 0x0010
#define WM_QUERYENDSESSION 0x0011
#define WM_ENDSESSION 0x0016
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_RBUTTONDBLCLK 0x0206
#define WM_MBUTTONDOWN 0x0207
#define WM_MBUTTONUP 0x0208
#define WM_MBUTTONDBLCLK 0x0209

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1

}  // extern "C"

static_assert(sizeof(NOTIFYICONDATAA) == NOTIFYICONDATAA_V1_SIZE,
              "the icon record has the 88-byte layout of the first NOTIFYICONDATA");

#endif  // !_WIN32
