# Every folder registers its tests here. tests/CMakeLists.txt turns them into one binary per
# folder (korvid_tests_<folder>, quick to rebuild while working on that folder) and one with all
# of them: korvid_tests natively (sanitizers on), korvid_tests.exe for Windows (run under Wine).

function(_korvid_absolute out)
  set(result)
  foreach(f ${ARGN})
    get_filename_component(abs "${f}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    list(APPEND result "${abs}")
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

function(_korvid_register name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  _korvid_absolute(srcs ${T_SOURCES})
  set_property(GLOBAL APPEND PROPERTY KORVID_TEST_GROUPS ${name})
  set_property(GLOBAL APPEND PROPERTY KORVID_TEST_SOURCES_${name} ${srcs})
  set_property(GLOBAL APPEND PROPERTY KORVID_TEST_LIBS_${name} ${T_LIBS})
endfunction()

# korvid_add_tests(NAME folder SOURCES a.cpp ... LIBS korvid_x ...): portable tests, both builds.
function(korvid_add_tests)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  _korvid_register(${T_NAME} SOURCES ${T_SOURCES} LIBS ${T_LIBS})
endfunction()

# korvid_add_windows_tests(NAME folder SOURCES ... LIBS ...): platform tests, Windows build only.
function(korvid_add_windows_tests)
  if(NOT KORVID_WINDOWS)
    return()
  endif()
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  _korvid_register(${T_NAME} SOURCES ${T_SOURCES} LIBS ${T_LIBS})
endfunction()
