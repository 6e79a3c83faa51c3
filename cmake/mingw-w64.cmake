# Cross-builds for 64-bit Windows with MinGW-w64 (posix threads, for std::thread and std::mutex)
# and runs the tests under Wine. The whole program needs the Qt for Windows that
# scripts/build-qt-windows makes, given as -DCMAKE_PREFIX_PATH=<its folder>; without it, build
# the Qt-free cores alone with -DVIREON_GUI=OFF.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)

# The Qt for Windows lies outside the MinGW root; its tools (moc, uic, rcc) are the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${triple} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(QT_HOST_PATH /usr)
set(Qt6HostInfo_DIR /usr/lib/x86_64-linux-gnu/cmake/Qt6HostInfo)

# Debian keeps the 64-bit loader out of PATH.
find_program(VIREON_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(VIREON_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VIREON_WINE})
endif()
