# Cross build for x86-64 Windows with Debian's mingw-w64 packages:
# cmake --preset mingw-x86_64
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(QOR_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
