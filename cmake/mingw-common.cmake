# Shared by cmake/mingw-i686.cmake and cmake/mingw-x86_64.cmake, which set
# UMBRAVEL_MINGW_ARCH first: Debian's MinGW-w64 compilers with POSIX threads, so
# std::thread, std::mutex and std::atomic work as on Linux.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${UMBRAVEL_MINGW_ARCH})
set(CMAKE_C_COMPILER ${UMBRAVEL_MINGW_ARCH}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${UMBRAVEL_MINGW_ARCH}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${UMBRAVEL_MINGW_ARCH}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${UMBRAVEL_MINGW_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# No DLL beside the executable: the C and C++ runtimes and winpthreads are linked in; the
# symbols are left out (-s).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -s")
