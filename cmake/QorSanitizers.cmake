# QOR_SANITIZE takes a list such as "address;undefined" or "thread" and
# instruments everything built in this tree, tests and module alike.
set(QOR_SANITIZE "" CACHE STRING "Sanitizers to build with (address;undefined or thread)")

if(QOR_SANITIZE)
  list(JOIN QOR_SANITIZE "," _qor_sanitizers)
  add_compile_options(-fsanitize=${_qor_sanitizers} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${_qor_sanitizers})
endif()
