# Cross-compiling for 32-bit Windows. Nothing 32-bit runs on our machines: this build is
# compiled and linked, not tested.
set(TARNEL_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
