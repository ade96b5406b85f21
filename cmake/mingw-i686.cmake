# The 32-bit Windows build, the original target (package g++-mingw-w64-i686-posix).
set(UMBRAVEL_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Floating point in SSE2 registers, as on x86-64: the x87 unit's 80-bit intermediates would
# round differently, and the capture's audio would no longer match the Linux build's.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
