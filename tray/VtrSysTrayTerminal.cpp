// vtrsystray, the program on systems without Windows: the tray form on the
// terminal front end, with the emulated registry and the drive view beneath
// it. Like the Windows program, it reads no command line.
#include "about/frmAbout.h"
#include "platform/emu/UserData.h"
#include "platform/terminal/TerminalRuntime.h"
#include "tray/TrayTexts.h"
#include "tray/UserDataNames.h"
#include "tray/frmSysTray.h"

int main() {
  emu::SetUserDataNames({kDataFolderName, kStoreVariable, kDriveCVariable});
  TerminalRuntime runtime(TrayTexts());
  ScopedRuntime installed(runtime);
  frmSysTray form;
  return runtime.Run(form, form.mnuAbout);
}
