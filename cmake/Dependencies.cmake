# Third-party libraries for both builds.
#   korvid::curl  - libcurl (native: the system's; Windows: static, mbedTLS, from scripts/setup)
#   korvid::headers - Boost (string algorithms) and RapidXML, header-only
#   GTest::gtest / GTest::gmock - built from Debian's googletest sources

add_library(korvid_third_party_headers INTERFACE)
add_library(korvid::headers ALIAS korvid_third_party_headers)

add_library(korvid_curl INTERFACE)
add_library(korvid::curl ALIAS korvid_curl)

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
    "${_prefix}/lib/libmbedcrypto.a" ws2_32 bcrypt crypt32 wldap32 advapi32)
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
