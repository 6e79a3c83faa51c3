#pragma once
// Per-user folders shared by the program and the simulator (both must agree on them).

#include <string>

namespace vireon {

// $XDG_CONFIG_HOME/vireon2, else $HOME/.config/vireon2.
std::string UserConfigFolder();
// The folder of COM1..COM24 links on Linux.
std::string PortsFolder();

} // namespace vireon
