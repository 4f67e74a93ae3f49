# INKWARDEN_SANITIZE: "address" (ASan + UBSan) or "thread" (TSan); empty for a plain build.
set(INKWARDEN_SANITIZE "" CACHE STRING "Sanitizer build: address, thread or empty")

if(INKWARDEN_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(INKWARDEN_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT INKWARDEN_SANITIZE STREQUAL "")
  message(FATAL_ERROR "INKWARDEN_SANITIZE must be address, thread or empty")
endif()

# INKWARDEN_FUZZ: a clang tree whose code is instrumented for libFuzzer and checked by ASan and
# UBSan; only the targets in fuzz/ link libFuzzer's main. UBSan findings stay recoverable so that
# fuzz/ubsan.supp can name known ones; the runs halt on every other (UBSAN_OPTIONS=halt_on_error=1).
option(INKWARDEN_FUZZ "Build the libFuzzer targets in fuzz/ (clang only)" OFF)
if(INKWARDEN_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang" OR NOT INKWARDEN_SANITIZE STREQUAL "")
    message(FATAL_ERROR "INKWARDEN_FUZZ needs CC=clang CXX=clang++ and no INKWARDEN_SANITIZE")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  # The program's layers are shared libraries linked with --no-undefined, so the sanitizer
  # runtime is the shared one, found beside the compiler.
  add_link_options(-fsanitize=address,undefined -shared-libsan)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libclang_rt.asan-x86_64.so
    OUTPUT_VARIABLE asan_runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
  get_filename_component(asan_runtime_dir ${asan_runtime} DIRECTORY)
  list(APPEND CMAKE_BUILD_RPATH ${asan_runtime_dir})
endif()

# Code that must pass on a sanitizer's finding itself (that of a forked copy) knows it runs under one.
if(INKWARDEN_FUZZ OR NOT INKWARDEN_SANITIZE STREQUAL "")
  add_compile_definitions(INKWARDEN_SANITIZED)
endif()
