// VtrSysTray.exe, the Windows program: loads the tray form on the Windows
// window runtime and runs the message loop until the last form is unloaded.
// It reads no command line.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "platform/win/WinSession.h"
#include "platform/win/WinWindowRuntime.h"
#include "tray/frmSysTray.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // ShellExecuteA may hand an address to a shell extension, which needs COM
  // on the calling thread.
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  // Loads the common controls that the manifest asks for (version 6).
  InitCommonControls();
  int exitCode = 0;
  {
    WinWindowRuntime runtime(instance);
    ScopedRuntime installed(runtime);
    frmSysTray form;
    bool loaded = false;
    RunEventHandler([&] {
      form.Load();
      loaded = true;
    });
    if (loaded) {
      (void)RegisterInstallerRestart();
      exitCode = runtime.Run();
    } else {
      // A start-up that failed (already shown to the user) ends the program
      // rather than leave it running without an icon.
      if (form.IsLoaded()) RunEventHandler([&] { form.Unload(vbFormCode); });
      exitCode = 1;
    }
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return exitCode;
}
