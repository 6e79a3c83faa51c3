// Points a configuration file at a given port, keeping every other setting (the demo uses it
// to send the program to the simulator's port).

#include "files/ConfigFile.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: demo-config CONFIG-FILE PORT\n";
        return 2;
    }
    const std::filesystem::path path = argv[1];
    const int port = std::atoi(argv[2]);
    if (port < 1 || port > 24) {
        std::cerr << "demo-config: port must be 1..24\n";
        return 2;
    }
    vireon::CfgSettings settings;
    vireon::LoadCfg(path, settings, path.parent_path().string());
    settings.CommPortNo = static_cast<int16_t>(port);
    const vireon::WriteResult w = vireon::SaveCfg(path, settings);
    if (!w.Ok) {
        std::cerr << "demo-config: " << w.Error << "\n";
        return 1;
    }
    return 0;
}
