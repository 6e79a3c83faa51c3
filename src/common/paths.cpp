#include "common/paths.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace vireon {

std::string UserConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && *xdg != '\0') {
        return std::string(xdg) + "/vireon2";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/.config/vireon2";
}

std::string PortsFolder() {
    return UserConfigFolder() + "/ports";
}

bool FolderWritable(const std::filesystem::path& folder) {
#ifdef _WIN32
    // A file of this process's own that the system removes when it is let go.
    const std::filesystem::path probe =
        folder / (L".vireon2-" + std::to_wstring(GetCurrentProcessId()) + L".tmp");
    const HANDLE h = CreateFileW(
        probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(h);
    return true;
#else
    return ::access(folder.c_str(), W_OK) == 0;
#endif
}

std::filesystem::path BesideProgram(const std::filesystem::path& programFolder,
                                    const std::filesystem::path& userFolder) {
    if (FolderWritable(programFolder)) {
        return programFolder;
    }
    std::error_code ec;
    std::filesystem::create_directories(userFolder, ec);
    return userFolder;
}

} // namespace vireon
