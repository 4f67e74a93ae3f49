# INKWARDEN_SANITIZE: "address" (ASan + UBSan) or "thread" (TSan); empty for a plain build.
set(INKWARDEN_SANITIZE "" CACHE STRING "Sanitizer build: address, thread or empty")

if(INKWARDEN_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(INKWARDEN_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT INKWARDEN_SANITIZE STREQUAL "")
  message(FATAL_ERROR "INKWARDEN_SANITIZE must be address, thread or empty")
endif()
