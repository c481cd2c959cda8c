# The win32 test tier: the i686 build under the private 32-bit Wine
# (scripts/win32-sysroot.sh makes it, scripts/win32-test.sh runs a test).

# An i686 Windows test program (win32 build only), placed in the win32 bin/
# under the same name as its x86_64 twin, so that the test scripts of the
# Wine tier run it unchanged.
function(klv_add_win32_test_program)
  if(KLV_WIN32)
    klv_add_windows_test_program(klv_win32_tests ${ARGN})
  endif()
endfunction()

# klv_add_win32_test(NAME n [TIMEOUT s] [SIM COMn=SCENARIO ...] COMMAND exe-or-script.sh args...)
# As klv_add_wine_test, for the win32 tree; label win32. A machine without the
# private 32-bit Wine reports the test as skipped.
function(klv_add_win32_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SIM;COMMAND" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  klv_add_bed_test(${T_NAME} ${CMAKE_SOURCE_DIR}/scripts/win32-test.sh --win32 ${KLV_WIN32_DIR}
    SIM ${T_SIM} COMMAND ${T_COMMAND})
  set_tests_properties(${T_NAME} PROPERTIES
    LABELS win32 TIMEOUT ${T_TIMEOUT} SKIP_RETURN_CODE 77
    RESOURCE_LOCK win32prefix FIXTURES_REQUIRED xdisplay)
endfunction()
