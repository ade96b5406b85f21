# The 64-bit Windows build (package g++-mingw-w64-x86-64-posix).
set(UMBRAVEL_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
