#include "tray/TrayTexts.h"

#include <string>

const ProgramTexts& TrayTexts() {
  static const ProgramTexts texts{
      .Title = "VtrSysTray",
      .TrayCaption = kTrayWindowCaption,
      .TrayWindowClass = kTrayWindowClass,
      .SessionEndReason = std::string(kTrayWindowCaption) + " is asking whether to run Vantorel first.",
      .ComplaintPrefix = "vtrsystray: ",
  };
  return texts;
}
