#pragma once
// Names by which other programs find the Windows program's windows: the
// hidden tray window (the installer closes a running copy through it).

#include "vtr_version.h"

namespace vtr::win {

inline constexpr char kTrayWindowClass[] = "VtrSysTrayHiddenForm";
inline constexpr char kTrayWindowCaption[] = VTR_TRAY_CAPTION;

}  // namespace vtr::win
