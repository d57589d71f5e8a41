# Installs a build into a scratch prefix, then uses only what was installed:
#  1. the installed qorcrypt finds the installed module (not the build tree's)
#     and round-trips a file;
#  2. a consumer project built with find_package(Qor_enc1);
#  3. the same consumer compiled with the flags pkg-config gives;
# and checks that both consumers produce the ciphertext qorcrypt produces.
#
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -DCONSUMER_DIR=... -DC_COMPILER=...
#         -DGENERATOR=... [-DPKG_CONFIG=...] -P install_and_consume.cmake
foreach(variable BUILD_DIR WORK_DIR CONSUMER_DIR C_COMPILER GENERATOR)
  if(NOT ${variable})
    message(FATAL_ERROR "${variable} is not set")
  endif()
endforeach()

function(run)
  cmake_parse_arguments(ARG "" "OUTPUT" "COMMAND" ${ARGN})
  execute_process(COMMAND ${ARG_COMMAND} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    string(JOIN " " shown ${ARG_COMMAND})
    message(FATAL_ERROR "failed (${status}): ${shown}\n${out}\n${err}")
  endif()
  if(ARG_OUTPUT)
    set(${ARG_OUTPUT} "${out}" PARENT_SCOPE)
  endif()
endfunction()

set(prefix "${WORK_DIR}/prefix")
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
run(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}")

# Where each file went depends on the build's install layout; find them.
file(GLOB_RECURSE installed RELATIVE "${prefix}" "${prefix}/*")
foreach(expected bin/qorcrypt include/qor_enc1.h Qor_enc1.so Qor_enc1Config.cmake Qor_enc1ConfigVersion.cmake
                 pkgconfig/Qor_enc1.pc)
  string(REPLACE "." "\\." pattern "${expected}")
  set(found "${installed}")
  list(FILTER found INCLUDE REGEX "(^|/)${pattern}$")
  if(NOT found)
    message(FATAL_ERROR "not installed: ${expected}\ninstalled: ${installed}")
  endif()
  list(GET found 0 path)
  get_filename_component(directory "${prefix}/${path}" DIRECTORY)
  if(expected STREQUAL "Qor_enc1.so")
    set(module_dir "${directory}")
  elseif(expected STREQUAL "pkgconfig/Qor_enc1.pc")
    set(pc_dir "${directory}")
  endif()
endforeach()

set(key "package key")
set(message "Sixteen+ bytes of installed-package text")

# 1. The installed tool must pick the installed module.
set(qorcrypt "${prefix}/bin/qorcrypt")
run(COMMAND "${qorcrypt}" info OUTPUT info)
string(REGEX MATCH "module: *([^\n]*)" _ "${info}")
file(REAL_PATH "${CMAKE_MATCH_1}" module_used)
file(REAL_PATH "${prefix}" real_prefix)
string(FIND "${module_used}" "${real_prefix}/" at)
if(NOT at EQUAL 0)
  message(FATAL_ERROR "installed qorcrypt loaded ${module_used}, not the module under ${real_prefix}")
endif()
file(WRITE "${WORK_DIR}/message.txt" "${message}")
run(COMMAND "${qorcrypt}" encrypt --key "${key}" "${WORK_DIR}/message.txt" -o "${WORK_DIR}/message.enc")
string(LENGTH "${message}" length)
run(COMMAND "${qorcrypt}" decrypt --key "${key}" --length ${length} "${WORK_DIR}/message.enc"
    -o "${WORK_DIR}/message.dec")
file(READ "${WORK_DIR}/message.dec" decrypted)
if(NOT decrypted STREQUAL message)
  message(FATAL_ERROR "installed qorcrypt did not round-trip: '${decrypted}'")
endif()
file(READ "${WORK_DIR}/message.enc" tool_hex HEX)

function(check_consumer name program)
  run(COMMAND ${CMAKE_COMMAND} -E env "LD_LIBRARY_PATH=${module_dir}"
      "${program}" "${key}" "${message}" OUTPUT out)
  string(REGEX MATCH "^([0-9a-f]*)\n" _ "${out}")
  if(NOT CMAKE_MATCH_1 STREQUAL tool_hex OR NOT out MATCHES "round trip OK")
    message(FATAL_ERROR "${name} consumer printed\n${out}\nqorcrypt enciphered\n${tool_hex}")
  endif()
  message(STATUS "${name} consumer: ciphertext equals qorcrypt's, round trip OK")
endfunction()

# 2. find_package.
run(COMMAND ${CMAKE_COMMAND} -S "${CONSUMER_DIR}" -B "${WORK_DIR}/consumer-build" -G "${GENERATOR}"
    "-DCMAKE_C_COMPILER=${C_COMPILER}" "-DCMAKE_PREFIX_PATH=${prefix}" -DCMAKE_BUILD_TYPE=Release)
run(COMMAND ${CMAKE_COMMAND} --build "${WORK_DIR}/consumer-build")
check_consumer(find_package "${WORK_DIR}/consumer-build/consumer")

# 3. pkg-config.
if(NOT PKG_CONFIG)
  message(WARNING "pkg-config not found: the pkg-config consumer was not built")
  return()
endif()
set(ENV{PKG_CONFIG_PATH} "${pc_dir}")
run(COMMAND "${PKG_CONFIG}" --cflags --libs Qor_enc1 OUTPUT flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
run(COMMAND "${C_COMPILER}" -std=c11 "${CONSUMER_DIR}/consumer.c" ${flags} -o "${WORK_DIR}/consumer-pc")
run(COMMAND "${PKG_CONFIG}" --variable=module Qor_enc1 OUTPUT module_file)
string(STRIP "${module_file}" module_file)
if(NOT EXISTS "${module_file}")
  message(FATAL_ERROR "pkg-config's module variable names no file: '${module_file}'")
endif()
check_consumer(pkg-config "${WORK_DIR}/consumer-pc")
