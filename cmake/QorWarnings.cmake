# One warnings list for every target of ours; third-party headers come in as
# system headers and are not affected.
set(QOR_WARNINGS_AS_ERRORS ON CACHE BOOL "Treat compiler warnings as errors")

function(qor_set_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 $<$<BOOL:${QOR_WARNINGS_AS_ERRORS}>:/WX>)
    return()
  endif()
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic
    -Wshadow -Wconversion -Wsign-conversion
    -Wcast-align -Wcast-qual -Wformat=2 -Wnull-dereference
    -Wdouble-promotion -Wimplicit-fallthrough -Wundef
    $<$<COMPILE_LANGUAGE:CXX>:-Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual>
    $<$<BOOL:${QOR_WARNINGS_AS_ERRORS}>:-Werror>)
endfunction()
