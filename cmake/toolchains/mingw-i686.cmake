# Cross build for 32-bit x86 Windows (the module's home platform) with
# Debian's mingw-w64 packages: cmake --preset mingw-i686
set(CMAKE_SYSTEM_PROCESSOR x86)
set(QOR_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
