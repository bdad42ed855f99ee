// VtrSysTray.exe, the Windows program: loads the tray form on the Windows
// window runtime and runs the message loop until the last form is unloaded.
// It reads no command line. A start while a copy runs in the session says
// where that copy's icon is, and ends.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "platform/win/WinSession.h"
#include "platform/win/WinWindowRuntime.h"
#include "tray/TrayTexts.h"
#include "tray/frmSysTray.h"

namespace {

// The user started the program because they did not see its icon: the box
// says where it is, also when Windows 11 keeps it behind the arrow.
const char* const kAlreadyRunning =
    "VtrSysTray is already running.\r\n\r\n"
    "Its icon is in the notification area at the right end of the taskbar. On Windows 11 it may be behind "
    "the ^ arrow (Show hidden icons). Right-click the icon for its menu.";

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // ShellExecuteA may hand an address to a shell extension, which needs COM
  // on the calling thread.
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  // Loads the common controls that the manifest asks for (version 6).
  InitCommonControls();
  int exitCode = 0;
  {
    WinWindowRuntime runtime(instance, TrayTexts());
    ScopedRuntime installed(runtime);
    SessionStart start(kSessionStartMutex, TrayTexts());
    if (start.AnotherCopyRuns()) {
      // No icon, no setting written: the running copy carries on alone.
      runtime.MsgBox(kAlreadyRunning, vbOKOnly + vbInformation, runtime.App().Title);
    } else {
      frmSysTray form;
      bool loaded = false;
      RunEventHandler([&] {
        form.Load();
        loaded = true;
      });
      if (loaded) {
        start.Release();  // the window exists: a later start finds it
        (void)RegisterInstallerRestart();
        exitCode = runtime.Run();
      } else {
        // A start-up that failed (already shown to the user) ends the program
        // rather than leave it running without an icon.
        if (form.IsLoaded()) RunEventHandler([&] { form.Unload(vbFormCode); });
        exitCode = 1;
      }
    }
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return exitCode;
}
