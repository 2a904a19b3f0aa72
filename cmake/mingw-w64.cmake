# Cross build for 64-bit Windows with Debian's MinGW-w64 (the POSIX thread model, for
# std::thread and std::mutex); programs run under Wine. Used by ./test-windows.sh.
#
# With Qt for MinGW-w64 (-DCMAKE_PREFIX_PATH=<dir>/qt6-mingw -DQT_HOST_PATH=/usr) the prefix is
# also a root path: package look-ups stay inside the root paths, so Qt's package files are found
# there and never the host's Qt.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
# Programs link the MinGW runtime (libstdc++, libgcc, winpthread) as DLLs, as Qt's own DLLs do:
# one runtime per process. The lane finds them through WINEPATH; package-windows.sh ships them.
