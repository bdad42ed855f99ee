#pragma once
// The names and texts by which the platform shows the program. The program
// hands them to its runtime when it starts: the platform names no program
// of its own. Which text appears where is told with the program's values
// (tray/TrayTexts.h).
#include <string>

struct ProgramTexts {
  std::string Title;             // App.Title: the program's message boxes' title; begins each trace line
  std::string TrayCaption;       // the tray form's window caption
  std::string TrayWindowClass;   // Windows: the tray window's class; with the caption, others find the window by it
  std::string SessionEndReason;  // Windows: why the end of the session waits while the tray form asks
  std::string ComplaintPrefix;   // the terminal front end: begins each complaint about its input
};
