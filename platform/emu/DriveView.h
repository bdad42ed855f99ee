#pragma once
// The file system as the program sees it on systems without Windows: through
// drive letters, as Wine shows it. C: is a folder of the user's (one an
// environment variable names, UserData.h; by default "drive_c" beside the
// registry store) and Z: is the root "/".
// The program only ever handles paths in their Windows form; these functions
// map them to the host's paths and back.

#include <optional>
#include <string>
#include <string_view>

#include "platform/modAPI.h"

namespace emu {

// The host folder that stands for C:, as an absolute path.
std::string DriveCFolder();

// The host path of a Windows path ("C:\Docs\a.txt", "z:/usr/bin", a path
// relative to the current folder), or nothing when the path names no place
// of the view (another drive letter, a network name, an embedded zero).
// "." and ".." are resolved as Windows does, never above a drive's root. A
// name along the path that does not exist with exactly its letter case is
// looked up without regard to case; one that is not found stays as written.
std::optional<std::string> HostPath(std::string_view windowsPath);

// The Windows form of a host path: "C:\..." below C:'s folder, "Z:\..."
// elsewhere; a drive's root keeps its backslash ("Z:\").
std::string WindowsPath(std::string_view hostPath);

// Whether a normal file of that name exists: not a folder or other special
// file, not hidden (a name starting with "." counts as hidden, as does
// Wine's hidden attribute) and not a system file (Wine's system attribute).
bool NormalFileExists(std::string_view windowsPath);

// The folder of the running program's own executable, in Windows form,
// without a trailing backslash except for a drive's root.
std::string ProgramFolder();

// The Windows directory of the view, "C:\WINDOWS".
std::string WindowsDirectory();

}  // namespace emu
