# The win32 test tier: the i686 build under the private 32-bit Wine
# (scripts/win32-sysroot.sh makes it, scripts/win32-test.sh runs a test).

# An i686 Windows test program (win32 build only), placed in the win32 bin/
# under the same name as its x86_64 twin, so that the test scripts of the
# Wine tier run it unchanged.
function(klv_add_win32_test_program)
  cmake_parse_arguments(T "GUI" "NAME" "SOURCES;LIBS" ${ARGN})
  if(NOT KLV_WIN32)
    return()
  endif()
  if(T_GUI)
    add_executable(${T_NAME} WIN32 ${T_SOURCES})
  else()
    add_executable(${T_NAME} ${T_SOURCES})
  endif()
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} user32 gdi32 comctl32 comdlg32 advapi32 winmm)
  if(NOT TARGET klv_win32_tests)
    add_custom_target(klv_win32_tests ALL)
  endif()
  add_dependencies(klv_win32_tests ${T_NAME})
endfunction()

# klv_add_win32_test(NAME n [TIMEOUT s] [SIM COMn=SCENARIO ...] COMMAND exe-or-script.sh args...)
# As klv_add_wine_test, for the win32 tree; label win32. A machine without the
# private 32-bit Wine reports the test as skipped.
function(klv_add_win32_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SIM;COMMAND" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set(_args)
  foreach(sim ${T_SIM})
    string(REGEX MATCH "^([^=]+)=(.*)$" _m "${sim}")
    set(_scn ${CMAKE_MATCH_2})
    if(NOT _scn STREQUAL "series" AND NOT IS_ABSOLUTE "${_scn}")
      set(_scn "${CMAKE_CURRENT_SOURCE_DIR}/${_scn}")
    endif()
    list(APPEND _args --sim "${CMAKE_MATCH_1}=${_scn}")
  endforeach()
  list(GET T_COMMAND 0 _cmd)
  list(REMOVE_AT T_COMMAND 0)
  if(_cmd MATCHES "\\.sh$" AND NOT IS_ABSOLUTE "${_cmd}")
    set(_cmd "${CMAKE_CURRENT_SOURCE_DIR}/${_cmd}")
  endif()
  add_test(NAME ${T_NAME}
    COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/win32-test.sh
      --win32 ${KLV_WIN32_DIR} --host ${CMAKE_BINARY_DIR} --shots ${KLV_SCREENSHOT_DIR}
      --name ${T_NAME} ${_args} -- ${_cmd} ${T_COMMAND})
  set_tests_properties(${T_NAME} PROPERTIES
    LABELS win32 TIMEOUT ${T_TIMEOUT} SKIP_RETURN_CODE 77
    RESOURCE_LOCK win32prefix FIXTURES_REQUIRED xdisplay)
endfunction()
