# Shared part of the mingw-w64 cross toolchains. The including file sets
# QOR_MINGW_TRIPLE and CMAKE_SYSTEM_PROCESSOR first.
#
# The -posix compilers are used because the module needs std::mutex, which
# the win32 thread model of Debian's gcc 12 does not provide.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${QOR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QOR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QOR_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QOR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A host drops the DLL in as one file: libgcc, libstdc++ and winpthread are
# linked in, so it imports nothing but Windows system DLLs. -static also
# makes the linker pick libwinpthread.a over its import library.
set(_qor_static_runtime "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${_qor_static_runtime}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${_qor_static_runtime}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${_qor_static_runtime}")
# Tells the module that the libstdc++ it links is its own copy, whose
# leftovers it must release at unload (src/exports/windows_runtime_release.cpp).
set(CMAKE_CXX_FLAGS_INIT "-DQOR_STATIC_LIBSTDCXX")
