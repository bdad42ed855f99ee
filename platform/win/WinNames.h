#pragma once
// Names by which other programs find the Windows program's windows: the
// hidden tray window (the installer closes a running copy through it, and a
// second start finds the running copy by it); and the mutex that a start
// holds while it looks for a running copy and makes its own window.

#include "vtr_version.h"

namespace vtr::win {

inline constexpr char kTrayWindowClass[] = "VtrSysTrayHiddenForm";
inline constexpr char kTrayWindowCaption[] = VTR_TRAY_CAPTION;
inline constexpr char kSessionStartMutex[] = "Local\\VtrSysTray.Start";

}  // namespace vtr::win
