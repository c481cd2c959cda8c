# Registration of tests that run the win64 build under Wine (host tree only).
set(KLV_WIN64_DIR "${CMAKE_SOURCE_DIR}/build/win64" CACHE PATH "win64 build tree whose binaries the Wine tests run")
set(KLV_WIN32_DIR "${CMAKE_SOURCE_DIR}/build/win32" CACHE PATH "win32 build tree (export checks)")
get_filename_component(_klv_build_root "${CMAKE_BINARY_DIR}/.." ABSOLUTE)
set(KLV_SCREENSHOT_DIR "${_klv_build_root}/screenshots" CACHE PATH "where tests save screenshots")
set(KLV_WINE_TEST_SCRIPT "${CMAKE_SOURCE_DIR}/scripts/wine-test.sh")

# klv_add_wine_test(NAME n [LABEL wine|e2e] [TIMEOUT s] [SIM COMn=SCENARIO ...]
#                   COMMAND exe-or-script.sh args...)
# A Windows program is run with Wine from the win64 bin/; a *.sh command is run
# with bash and gets the test bed in its environment (WINEPREFIX, DISPLAY,
# KLV_WIN64_BIN, KLV_PORTS_DIR, KLV_SCREENSHOTS, KLV_TEST_TMP, KLVSIM, KLVTOOL).
function(klv_add_wine_test)
  cmake_parse_arguments(T "" "NAME;LABEL;TIMEOUT" "SIM;COMMAND" ${ARGN})
  if(NOT T_LABEL)
    set(T_LABEL wine)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 180)
  endif()
  klv_add_bed_test(${T_NAME} ${KLV_WINE_TEST_SCRIPT} --win64 ${KLV_WIN64_DIR}
    SIM ${T_SIM} COMMAND ${T_COMMAND})
  set_tests_properties(${T_NAME} PROPERTIES
    LABELS ${T_LABEL} TIMEOUT ${T_TIMEOUT}
    RESOURCE_LOCK wineprefix FIXTURES_REQUIRED xdisplay)
endfunction()

# klv_add_bed_test(NAME RUNNER TREE_OPTION TREE SIM ... COMMAND ...)
# The test NAME run by the test bed's RUNNER script on the Windows build TREE
# (given to the runner as TREE_OPTION TREE). Scenarios and *.sh commands
# named relative to the calling directory; the caller sets the properties.
function(klv_add_bed_test name runner tree_option tree)
  cmake_parse_arguments(T "" "" "SIM;COMMAND" ${ARGN})
  set(_args)
  foreach(sim ${T_SIM})
    string(REGEX MATCH "^([^=]+)=(.*)$" _m "${sim}")
    set(_port ${CMAKE_MATCH_1})
    set(_scn ${CMAKE_MATCH_2})
    if(NOT _scn STREQUAL "series" AND NOT IS_ABSOLUTE "${_scn}")
      set(_scn "${CMAKE_CURRENT_SOURCE_DIR}/${_scn}")
    endif()
    list(APPEND _args --sim "${_port}=${_scn}")
  endforeach()
  list(GET T_COMMAND 0 _cmd)
  list(REMOVE_AT T_COMMAND 0)
  if(_cmd MATCHES "\\.sh$" AND NOT IS_ABSOLUTE "${_cmd}")
    set(_cmd "${CMAKE_CURRENT_SOURCE_DIR}/${_cmd}")
  endif()
  add_test(NAME ${name}
    COMMAND bash ${runner}
      ${tree_option} ${tree} --host ${CMAKE_BINARY_DIR} --shots ${KLV_SCREENSHOT_DIR}
      --name ${name} ${_args} -- ${_cmd} ${T_COMMAND})
endfunction()
