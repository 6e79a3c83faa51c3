#include "acquisition/WinPortCatalog.h"

#include <QString>

#include <windows.h>

namespace vireon {

namespace {

PortSet ListedPorts() {
    PortSet listed{};
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS) {
        return listed; // no serial port at all
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256;
        wchar_t data[16];
        DWORD bytes = sizeof data;
        DWORD type = 0;
        const LSTATUS status = RegEnumValueW(key, i, name, &nameLength, nullptr, &type,
                                             reinterpret_cast<BYTE*>(data), &bytes);
        if (status == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (status != ERROR_SUCCESS || type != REG_SZ) {
            continue; // not a port name
        }
        // The text may or may not end in a null.
        const QString port = QString::fromWCharArray(data, static_cast<qsizetype>(bytes / 2));
        const std::string text = port.left(port.indexOf(QChar(0))).toStdString();
        // The device-name rule reads two digits at most: COM100 is not COM0.
        const int n = text.size() <= 5 ? PortNumberFromDeviceName(text) : 0;
        if (n >= 1 && n <= kMaxCommPorts) {
            listed[static_cast<size_t>(n)] = true;
        }
    }
    RegCloseKey(key);
    return listed;
}

} // namespace

WinPortCatalog::WinPortCatalog(QObject* parent) : PolledPortCatalog(ListedPorts, parent) {}

std::string WinPortCatalog::DevicePath(int n) const {
    return n >= 1 && n <= kMaxCommPorts ? "\\\\.\\COM" + std::to_string(n) : std::string();
}

bool WinPortCatalog::PortExists(int n) {
    if (n < 1 || n > kMaxCommPorts) {
        return false;
    }
    const std::wstring path = L"\\\\.\\COM" + std::to_wstring(n);
    const HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(h);
    return true;
}

} // namespace vireon
