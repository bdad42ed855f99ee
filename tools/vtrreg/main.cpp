// vtrreg: a registry console for people who support Vantorel installations.
//
//   vtrreg                  interactive on a terminal, else one command per
//                           line from standard input
//   vtrreg COMMAND-LINE...  one-shot: each argument is one command line
//
// Exit status: 0 when every command succeeded, 1 when one failed (a script
// or a one-shot run stops at the first failure), 2 for a wrong option.
#include <clocale>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "tools/vtrreg/CommandTable.h"
#include "tools/vtrreg/RegConsole.h"
#include "tools/vtrreg/VtrRegError.h"
#include "vtr_version.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>

#include "platform/emu/UserData.h"
#include "tray/UserDataNames.h"
#endif

namespace {

std::string VersionText() {
  return "vtrreg " + std::to_string(VTR_VERSION_MAJOR) + "." + std::to_string(VTR_VERSION_MINOR) + "." +
         std::to_string(VTR_VERSION_REVISION);
}

std::string UsageText() {
  return "Usage: vtrreg                   interactive on a terminal; otherwise one command per line\n"
         "                                from standard input, stopping at the first failure\n"
         "       vtrreg COMMAND-LINE...   run each argument as one command line, stopping at the\n"
         "                                first failure; an argument that does not start with a\n"
         "                                command is one more word of the command before it\n"
         "       vtrreg --help | --version\n"
         "\n" +
         CommandHelp() +
         "\n"
         "Example: vtrreg 'cd \\HKEY_LOCAL_MACHINE\\Software\\Vantorel\\Recent' lv\n"
         "         vtrreg import tools/sample.reg\n"
         "Natively the registry is the store in $VTR_REGISTRY (default ~/.local/share/vantorel/registry.db).\n"
         "Exit status: 0 success, 1 a command failed, 2 a wrong option.\n";
}

bool StdinIsTerminal() {
#ifdef _WIN32
  // A console, not the C library's flag for the descriptor: that one can be
  // inherited stale through a command interpreter's redirection.
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
#else
  return ::isatty(STDIN_FILENO) != 0;
#endif
}

// The word before the first blank, unquoted: enough to tell a command.
std::string LeadingWord(const std::string& argument) {
  const size_t first = argument.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  return argument.substr(first, argument.find_first_of(" \t", first) - first);
}

int RunArguments(RegConsole& console, int argc, char** argv) {
  // Group the arguments into command lines: `vtrreg import my.reg` is one.
  struct CommandLine {
    int argument;
    std::string text;
    std::vector<std::string> extraWords;
  };
  std::vector<CommandLine> lines;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (lines.empty() || IsCommandName(LeadingWord(argument))) {
      lines.push_back({i, argument, {}});  // not a command at all: reported when it runs
    } else {
      lines.back().extraWords.push_back(argument);  // one word, blanks and all
    }
  }
  for (const CommandLine& line : lines) {
    const std::string context = "argument " + std::to_string(line.argument);
    if (!console.Execute(line.text, context, line.extraWords)) return 1;
    if (console.QuitRequested()) break;
  }
  return 0;
}

int RunLines(RegConsole& console, bool interactive) {
  bool failed = false;
  std::string line;
  int number = 0;
  if (interactive) std::cout << VersionText() << ": type help for the commands, exit to leave.\n";
  while (true) {
    if (interactive) {
      std::cout << console.Prompt();
      std::cout.flush();
    }
    if (!std::getline(std::cin, line)) break;
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const bool ok = console.Execute(line, interactive ? std::string() : "line " + std::to_string(number));
    if (!ok) {
      failed = true;
      if (!interactive) break;  // a script does not go on after a failure
    }
    if (console.QuitRequested()) break;
  }
  if (interactive && !console.QuitRequested()) std::cout << "\n";
  return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
#ifndef _WIN32
  emu::SetUserDataNames({kDataFolderName, kStoreVariable, kDriveCVariable});
#endif
  // The digit-grouping separator of dword listings is the user's.
  std::setlocale(LC_NUMERIC, "");
#ifdef _WIN32
  // export writes the registry editor's CRLF line ends itself; every other
  // line ends in LF alone, on both streams alike.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  std::ios::sync_with_stdio(true);

  if (argc > 1) {
    const std::string first = argv[1];
    if (first == "--help" || first == "-h") {
      std::cout << UsageText();
      return 0;
    }
    if (first == "--version") {
      std::cout << VersionText() << "\n";
      return 0;
    }
    if (first.size() > 1 && first[0] == '-') {
      const ErrObject error = VtrRegError::Make(VtrRegError::Usage, VtrRegError::Source,
                                                "unknown option " + first + " (vtrreg --help shows the usage)");
      std::cerr << RegConsole::FormatError(error, "") << "\n";
      return 2;
    }
  }

  RegConsole console(std::cout, std::cerr);
  if (argc > 1) return RunArguments(console, argc, argv);
  return RunLines(console, StdinIsTerminal());
}
