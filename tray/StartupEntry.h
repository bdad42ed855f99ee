#pragma once
// The utility's start-up entry: the value "VtrSysTray" of the machine's Run
// key, which starts it at every user's logon, and its removal by "Close and
// Disable".
//
// The Run key belongs to the machine: a program running without
// administrator rights (a standard user, or an administrator under UAC) may
// read it but is refused (ERROR_ACCESS_DENIED) when it writes there, and
// Windows does not redirect that key to a per-user copy. So the removal is
// tried with the utility's own rights first and, when refused, offered once
// more with administrator rights; the user always learns whether the
// utility will start again.
#include <string>

#include "platform/modAPI.h"

// The entry's key, as a path of the registry class, and its value's name.
extern const char* const StartupEntryKey;
extern const char* const StartupEntryName;

// The texts of the boxes shown when the removal is refused (the title is
// the program's).
namespace StartupEntryText {
// Asks whether to remove the entry with administrator rights (Yes or No).
extern const char* const AskElevation;
// Said after No, after a declined elevation, and after a failure: the
// utility starts again at the next logon, and how to stop that.
extern const char* const StartsAgain;
// Put before StartsAgain when the removal with administrator rights failed.
extern const char* const NotRemoved;
}  // namespace StartupEntryText

// Removes the entry with the utility's own rights. The registry's answer:
// ERROR_SUCCESS when it was removed, ERROR_FILE_NOT_FOUND when there was no
// key or no value, ERROR_ACCESS_DENIED when the removal was refused.
LONG RemoveStartupEntry();

// False only when the registry says the entry (or its key) is missing.
bool StartupEntryPresent();

// What follows a removal that answered lngResult. Removed or missing:
// nothing, as ever. Refused: the question owned by the tray window; on Yes
// the removal runs again elevated (Windows' own reg.exe), and unless the
// entry is gone afterwards the user is told that the utility starts again
// at the next logon; on No the user is told so at once.
void SettleStartupEntryRemoval(LONG lngResult);

// The elevated removal: Windows' reg.exe, and its arguments for the
// registry view that this program itself sees.
std::string ElevatedRemovalProgram(const std::string& strWindowsDirectory);
std::string ElevatedRemovalParameters();
