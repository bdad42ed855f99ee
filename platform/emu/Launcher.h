#pragma once
// Starting programs on a host without Windows. A Windows command line is
// split into arguments by Windows' own rules for program arguments and the
// program is started directly, never through a shell, so that no text in
// the command line is ever run as a command.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/modAPI.h"

namespace emu {

// The arguments that a command line gives the program at programPath, as
// Windows splits them for a program (CommandLineToArgvW): what follows the
// program's name. The name may stand in the line exactly as the path does,
// blanks included and unquoted, or in quotes; any other name ends at the
// next quote when it starts with one and at the first blank otherwise. The
// arguments are separated by blanks and tabs outside quotes, 2n backslashes
// before a quote give n backslashes and the quote opens or closes a quoted
// part, 2n+1 give n backslashes and a literal quote, other backslashes stay
// as they are, and inside quotes "" gives a literal quote.
std::vector<std::string> CommandLineArguments(std::string_view commandLine,
                                              std::string_view programPath);

// Starts the program at programPath (a path of the drive view) with the
// arguments of commandLine, in a session of its own, with no standard
// input or output, and does not wait for it. A Windows executable (an "MZ"
// header, or a name ending in ".exe" that is neither a script nor a native
// executable) is started through wine when wine is installed.
// Returns 0, or a Windows error code: ERROR_FILE_NOT_FOUND (2),
// ERROR_ACCESS_DENIED (5) or ERROR_BAD_EXE_FORMAT (193).
DWORD Launch(std::string_view programPath, std::string_view commandLine);

// Collects the programs started by Launch that have ended, so that none is
// left behind as a zombie. Launch calls it too.
void ReapLaunched();

// Opens a web address (or a file of the drive view) with the desktop's
// opener, xdg-open, started directly; the operation is "open" or none ("").
// Answers as ShellExecuteA does: a value above 32 on success; 2 for a file
// that does not exist, 31 (SE_ERR_NOASSOC) when there is no opener or the
// operation is another.
intptr_t OpenWithDesktop(std::string_view operation, std::string_view file);

}  // namespace emu
