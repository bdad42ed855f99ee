#pragma once
// The program's names and the texts that name it, in one place. The
// platform shows them but knows none: main hands TrayTexts() to the runtime.
//
// Where each text appears:
//   "VtrSysTray"            the title of every message box (App.Title), but
//                           for the end-of-session question, whose title is
//                           "Vantorel" (frmSysTray::Form_QueryUnload); and
//                           the start of a trace line
//   "Vantorel System Tray"  the tray window's caption (VTR_TRAY_CAPTION of
//                           CMakeLists.txt: also the program's description
//                           in its resources, the installer's Start-menu
//                           entry and the signatures' program name)
//   SessionEndReason        Windows' shut-down screen, while the question waits
//   "vtrsystray: "          the terminal front end's complaints about its input
// The menu's, the About box's and the start-up entry's texts are the forms'
// own (frmSysTray, frmAbout, StartupEntry).
#include "platform/ProgramTexts.h"
#include "vtr_version.h"

// The installer (tools/package/NSIS.template.in) closes a running copy
// through the window of this class and caption, and a second start finds
// the running copy by them: the values stay.
inline constexpr char kTrayWindowClass[] = "VtrSysTrayHiddenForm";
inline constexpr char kTrayWindowCaption[] = VTR_TRAY_CAPTION;
// Held by a start while it looks for a running copy in the user's session
// and makes its own window ("Local\": one copy per session).
inline constexpr char kSessionStartMutex[] = "Local\\VtrSysTray.Start";

const ProgramTexts& TrayTexts();
