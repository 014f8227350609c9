# Third-party libraries for both builds.
#   korvid::curl  - libcurl (native: the system's; Windows: static, mbedTLS, from scripts/setup)
#   korvid::headers - Boost (string algorithms) and RapidXML, header-only
#   GTest::gtest / GTest::gmock - built from Debian's googletest sources

add_library(korvid_third_party_headers INTERFACE)
add_library(korvid::headers ALIAS korvid_third_party_headers)

add_library(korvid_curl INTERFACE)
add_library(korvid::curl ALIAS korvid_curl)

# System libraries that Windows does not keep among its known libraries are linked for delayed
# loading: an import is looked for in the program's folder before the system folder, while a
# delayed one is loaded at its first call through the program's own hook, from the system folder
# (core/SystemLibraryWin.cpp). korvid::delayed_<name> stands for the import library of <name>.
if(KORVID_WINDOWS)
  find_program(KORVID_DLLTOOL NAMES x86_64-w64-mingw32-dlltool REQUIRED)
  function(korvid_delayed_library name)
    set(_dir "${CMAKE_BINARY_DIR}/delayed")
    set(_def "${_dir}/${name}.def")
    set(_lib "${_dir}/lib${name}_delayed.a")
    list(JOIN ARGN "\n" _exports)
    string(REPLACE "\n" "
" _exports "${_exports}")
    file(MAKE_DIRECTORY "${_dir}")
    file(WRITE "${_def}.new" "LIBRARY ${name}.dll
EXPORTS
${_exports}
")
    file(COPY_FILE "${_def}.new" "${_def}" ONLY_IF_DIFFERENT)
    if(NOT EXISTS "${_lib}" OR "${_def}" IS_NEWER_THAN "${_lib}")
      execute_process(
        COMMAND "${KORVID_DLLTOOL}" --input-def "${_def}" --dllname "${name}.dll"
                --output-delaylib "${_lib}"
        RESULT_VARIABLE _result)
      if(NOT _result EQUAL 0)
        message(FATAL_ERROR "dlltool could not make the delayed import library of ${name}.dll")
      endif()
    endif()
    add_library(korvid_delayed_${name} INTERFACE)
    target_link_libraries(korvid_delayed_${name} INTERFACE "${_lib}")
    add_library(korvid::delayed_${name} ALIAS korvid_delayed_${name})
  endfunction()
  korvid_delayed_library(winmm timeBeginPeriod timeEndPeriod timeGetTime)
  korvid_delayed_library(version GetFileVersionInfoSizeW GetFileVersionInfoW VerQueryValueW)
  korvid_delayed_library(gdiplus GdiplusStartup GdiplusShutdown GdipCreateFromHDC
    GdipDeleteGraphics GdipFlush GdipCreateSolidFill GdipSetSolidFillColor GdipDeleteBrush
    GdipFillRectangleI)
  korvid_delayed_library(bcrypt BCryptGenRandom)
endif()

if(KORVID_WINDOWS)
  set(_prefix "${KORVID_DEPS}/x86_64-w64-mingw32")
  if(NOT EXISTS "${_prefix}/lib/libcurl.a")
    message(FATAL_ERROR "No static libcurl for Windows in ${_prefix}: run scripts/setup")
  endif()
  target_include_directories(korvid_third_party_headers SYSTEM INTERFACE "${KORVID_DEPS}/include")
  target_include_directories(korvid_curl SYSTEM INTERFACE "${_prefix}/include")
  target_compile_definitions(korvid_curl INTERFACE CURL_STATICLIB)
  target_link_libraries(korvid_curl INTERFACE
    "${_prefix}/lib/libcurl.a" "${_prefix}/lib/libmbedtls.a" "${_prefix}/lib/libmbedx509.a"
    "${_prefix}/lib/libmbedcrypto.a" ws2_32 korvid::delayed_bcrypt crypt32 wldap32 advapi32)
else()
  find_package(CURL REQUIRED)
  target_link_libraries(korvid_curl INTERFACE CURL::libcurl)
endif()

# GoogleTest from source, so the cross build gets it too.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
if(EXISTS /usr/src/googletest/CMakeLists.txt)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  message(FATAL_ERROR "googletest sources not found: run scripts/setup")
endif()
