# The X display shared by every test that makes windows: one Xvfb for the
# whole CTest run, started and stopped by a fixture.
add_test(NAME testbed_display_start
  COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/xvfb-fixture.sh start ${CMAKE_BINARY_DIR} ${KLV_WIN64_DIR})
add_test(NAME testbed_display_stop
  COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/xvfb-fixture.sh stop ${CMAKE_BINARY_DIR} ${KLV_WIN64_DIR})
set_tests_properties(testbed_display_start PROPERTIES FIXTURES_SETUP xdisplay LABELS "wine;e2e" TIMEOUT 120)
set_tests_properties(testbed_display_stop PROPERTIES FIXTURES_CLEANUP xdisplay LABELS "wine;e2e" TIMEOUT 60)
