#pragma once
// Per-user folders shared by the program and the simulator (both must agree on them).

#include <filesystem>
#include <string>

namespace vireon {

// $XDG_CONFIG_HOME/vireon2, else $HOME/.config/vireon2.
std::string UserConfigFolder();
// The folder of COM1..COM24 links on Linux.
std::string PortsFolder();

// Whether the user may make files in `folder`. On Windows this is tried, since a folder's
// attributes do not tell (one under Program Files reads as writable to everybody).
bool FolderWritable(const std::filesystem::path& folder);
// Where the files kept beside the program go: the program's folder when the user may write
// there, else `userFolder` (made when missing).
std::filesystem::path BesideProgram(const std::filesystem::path& programFolder,
                                    const std::filesystem::path& userFolder);

} // namespace vireon
