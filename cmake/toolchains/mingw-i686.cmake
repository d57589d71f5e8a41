# Cross build for 32-bit x86 Windows (the module's home platform) with
# Debian's mingw-w64 packages: cmake --preset mingw-i686
set(CMAKE_SYSTEM_PROCESSOR x86)
set(QOR_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# The entry points are cdecl. If one ever became __stdcall, its decorated
# name (_sCRYPT_Close@4) would no longer match the module-definition file;
# the linker would otherwise quietly bind the plain name to it with a warning.
string(APPEND CMAKE_SHARED_LINKER_FLAGS_INIT " -Wl,--disable-stdcall-fixup")
