# Install rules for the module: the library, the public header, a CMake
# package (find_package(Qor_enc1) -> Qor_enc1::Qor_enc1) and a pkg-config
# file. Included from src/CMakeLists.txt once the Qor_enc1 target exists;
# qorcrypt installs itself from tools/qorcrypt.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(QOR_INSTALL_CMAKEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/Qor_enc1"
  CACHE STRING "Where the CMake package files go, relative to the prefix")

# Installed consumers compile against the installed header.
target_include_directories(Qor_enc1 INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)

install(TARGETS Qor_enc1 EXPORT Qor_enc1Targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/qor_enc1.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

install(EXPORT Qor_enc1Targets
  NAMESPACE Qor_enc1::
  DESTINATION ${QOR_INSTALL_CMAKEDIR})
configure_package_config_file(
  ${PROJECT_SOURCE_DIR}/cmake/Qor_enc1Config.cmake.in
  ${PROJECT_BINARY_DIR}/Qor_enc1Config.cmake
  INSTALL_DESTINATION ${QOR_INSTALL_CMAKEDIR})
# The interface is fixed within a major version.
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/Qor_enc1ConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/Qor_enc1Config.cmake
  ${PROJECT_BINARY_DIR}/Qor_enc1ConfigVersion.cmake
  DESTINATION ${QOR_INSTALL_CMAKEDIR})

# pkg-config: paths relative to the .pc file's own directory, so the package
# works from whatever prefix `cmake --install --prefix` chose.
set(_qor_pc_dir "${CMAKE_INSTALL_LIBDIR}/pkgconfig")
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(QOR_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
  set(QOR_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
else()
  file(RELATIVE_PATH _qor_up "/prefix/${_qor_pc_dir}" "/prefix")
  string(REGEX REPLACE "/$" "" _qor_up "${_qor_up}")
  set(QOR_PC_PREFIX "\${pcfiledir}/${_qor_up}")
  set(QOR_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
endif()
if(IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(QOR_PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
else()
  set(QOR_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
set(QOR_PC_MODULE_FILE "Qor_enc1${CMAKE_SHARED_LIBRARY_SUFFIX}")
if(WIN32)
  set(QOR_PC_MODULE_DIR "\${prefix}/${CMAKE_INSTALL_BINDIR}")
else()
  set(QOR_PC_MODULE_DIR "\${libdir}")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/Qor_enc1.pc.in ${PROJECT_BINARY_DIR}/Qor_enc1.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/Qor_enc1.pc DESTINATION ${_qor_pc_dir})
