# Helpers shared by all directories.
include(CMakeParseArguments)

# Sources of a directory by glob, so that new files are picked up on the next
# configure without touching the list files.
function(klv_glob out)
  set(_files)
  foreach(pattern ${ARGN})
    file(GLOB _g CONFIGURE_DEPENDS ${pattern})
    list(APPEND _files ${_g})
  endforeach()
  list(SORT _files)
  set(${out} ${_files} PARENT_SCOPE)
endfunction()

# Test code is compiled without optimisation: all of it runs in seconds, while
# at -O2 its GoogleTest-heavy sources were the slowest part of the build.
# Product sources that a test program compiles itself keep the product's flags.
function(klv_unoptimised_test_sources)
  foreach(src ${ARGN})
    if(src MATCHES "^\\$<")
      continue()
    endif()
    get_filename_component(_abs "${src}" ABSOLUTE)
    string(FIND "${_abs}" "${CMAKE_SOURCE_DIR}/tests/" _in_tests)
    if(_in_tests EQUAL 0 OR _abs MATCHES "_test\\.cpp$")
      set_property(SOURCE ${src} APPEND PROPERTY COMPILE_OPTIONS -O0)
    endif()
  endforeach()
endfunction()

# A GoogleTest program on the host, registered with the label "unit".
function(klv_add_unit_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT KLV_HOST)
    return()
  endif()
  find_package(GTest REQUIRED)
  add_executable(${T_NAME} ${T_SOURCES})
  klv_unoptimised_test_sources(${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main pthread)
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  include(GoogleTest)
  gtest_discover_tests(${T_NAME} TEST_PREFIX "${T_NAME}." PROPERTIES LABELS "${T_LABELS}" DISCOVERY_TIMEOUT 60)
endfunction()

# A Windows test program of the tree being built, placed in its bin/ and
# built with the aggregate target AGGREGATE (made on first use).
function(klv_add_windows_test_program aggregate)
  cmake_parse_arguments(T "GUI" "NAME" "SOURCES;LIBS" ${ARGN})
  if(T_GUI)
    add_executable(${T_NAME} WIN32 ${T_SOURCES})
  else()
    add_executable(${T_NAME} ${T_SOURCES})
  endif()
  klv_unoptimised_test_sources(${T_SOURCES})
  # Every Windows test program has the one helper library (checks, waits,
  # windows, pixels): "wintest.h".
  if(NOT TARGET klv_wintest)
    add_library(klv_wintest STATIC ${CMAKE_SOURCE_DIR}/tests/lib/win/wintest.cpp)
    target_include_directories(klv_wintest PUBLIC ${CMAKE_SOURCE_DIR}/tests/lib/win)
    target_link_libraries(klv_wintest PUBLIC user32 gdi32)
    klv_unoptimised_test_sources(${CMAKE_SOURCE_DIR}/tests/lib/win/wintest.cpp)
  endif()
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} klv_wintest user32 gdi32 comctl32 comdlg32
    advapi32 winmm)
  if(NOT TARGET ${aggregate})
    add_custom_target(${aggregate} ALL)
  endif()
  add_dependencies(${aggregate} ${T_NAME})
endfunction()

# A Windows test program (win64 build only), placed in the win64 bin/.
function(klv_add_win_test_program)
  if(KLV_WIN64)
    klv_add_windows_test_program(klv_win_tests ${ARGN})
  endif()
endfunction()
