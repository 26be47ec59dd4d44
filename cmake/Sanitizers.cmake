# -DTRIMUL_SANITIZE=address gives AddressSanitizer with UndefinedBehaviorSanitizer;
# -DTRIMUL_SANITIZE=thread gives ThreadSanitizer.
set(TRIMUL_SANITIZE "" CACHE STRING "Sanitizers: empty, address or thread")
if(TRIMUL_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(TRIMUL_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT TRIMUL_SANITIZE STREQUAL "")
  message(FATAL_ERROR "TRIMUL_SANITIZE must be empty, 'address' or 'thread'")
endif()
