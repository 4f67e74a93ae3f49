# inkwarden_test(NAME SOURCES <files> LIBS <targets> LABELS <labels> [XVFB | TWOSCREENS] [DEVSIM])
# Builds one QtTest executable and registers it with ctest. Every test gets a folder of its own
# (its program folder, for files the program looks for beside itself) and a home of its own, so
# nothing touches the real user's folders; GUI tests run offscreen, or under a private X server
# when XVFB is given, or a private X server with two screens side by side (tests/x11/two-screens)
# when TWOSCREENS is given. DEVSIM points the device layer at an empty simulator folder of the test's
# own (a test plugs devices by serving a simulator there), so no test sees the machine's devices.
# WINDOW_MANAGER <functions> (with TWOSCREENS) runs those test functions once more as NAME_openbox,
# on the same two screens under a window manager.
set(INKWARDEN_LSAN_SUPP ${CMAKE_SOURCE_DIR}/tests/lsan.supp)
set(INKWARDEN_TSAN_SUPP ${CMAKE_SOURCE_DIR}/tests/tsan.supp)

function(inkwarden_test name)
  cmake_parse_arguments(T "XVFB;TWOSCREENS;DEVSIM" "" "SOURCES;LIBS;LABELS;WINDOW_MANAGER" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE Qt5::Test ${T_LIBS})
  # Helpers every area's tests share (tests/*.h).
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/${name})
  # The program runs only the PDF writer beside it: each test gets the one built here there.
  if(TARGET inkwarden-pdfwriter)
    add_custom_command(TARGET ${name} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E create_symlink $<TARGET_FILE:inkwarden-pdfwriter> $<TARGET_FILE_DIR:${name}>/inkwarden-pdfwriter)
  endif()
  set(home ${CMAKE_CURRENT_BINARY_DIR}/home/${name})
  file(MAKE_DIRECTORY ${home})
  if(T_XVFB)
    add_test(NAME ${name} COMMAND xvfb-run -a -s "-screen 0 1920x1080x24" $<TARGET_FILE:${name}>)
    # xvfb-run -a picks its display number racily; one private server at a time.
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK xvfb)
    set(platform "xcb;QT_XCB_GL_INTEGRATION=none")
  elseif(T_TWOSCREENS)
    add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/tests/x11/two-screens $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK xvfb)
    if(T_WINDOW_MANAGER)
      add_test(NAME ${name}_openbox
        COMMAND ${CMAKE_SOURCE_DIR}/tests/x11/two-screens --window-manager $<TARGET_FILE:${name}> ${T_WINDOW_MANAGER})
      set_tests_properties(${name}_openbox PROPERTIES RESOURCE_LOCK xvfb)
    endif()
    # No OpenGL: where the server offers GLX, Qt would load Mesa and unload it before the leak
    # check, which then cannot name the owner of Mesa's allocations.
    set(platform "xcb;QT_XCB_GL_INTEGRATION=none")
  else()
    add_test(NAME ${name} COMMAND ${name})
    set(platform offscreen)
  endif()
  set(devsim "")
  if(T_DEVSIM)
    file(MAKE_DIRECTORY ${home}/devsim)
    set(devsim "INKWARDEN_DEVSIM=${home}/devsim;")
  endif()
  set(registered ${name})
  if(T_WINDOW_MANAGER)
    list(APPEND registered ${name}_openbox)
  endif()
  set_tests_properties(${registered} PROPERTIES
    LABELS "${T_LABELS}"
    ENVIRONMENT "${devsim}HOME=${home};XDG_CONFIG_HOME=${home}/.config;XDG_DATA_HOME=${home}/.local/share;XDG_CACHE_HOME=${home}/.cache;QT_QPA_PLATFORM=${platform};LSAN_OPTIONS=suppressions=${INKWARDEN_LSAN_SUPP}:print_suppressions=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1;TSAN_OPTIONS=suppressions=${INKWARDEN_TSAN_SUPP}:halt_on_error=1:ignore_noninstrumented_modules=1")
endfunction()
