# Writes OUTPUT, the header naming this build of korvid-server: the release number, then the
# commit's time (UTC) and short hash, "2.9+git20261208111503.a97c101", an order Debian's version
# comparison keeps (a later commit is a newer package). Run at every build; the file is
# rewritten only when the text changes, so nothing is rebuilt for nothing. Without git (a source
# tarball) the release number alone.
#   cmake -DSOURCE_DIR=... -DRELEASE=2.9 -DOUTPUT=.../ServerVersion.h -P ServerVersion.cmake
set(version "${RELEASE}")
find_program(GIT git)
if(GIT)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC
                          ${GIT} -c safe.directory=* -C "${SOURCE_DIR}" log -1 --format=%cd.%h --date=format-local:%Y%m%d%H%M%S
                  OUTPUT_VARIABLE stamp OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
  if(NOT failed AND stamp MATCHES "^[0-9]+\\.[0-9a-f]+$")
    set(version "${RELEASE}+git${stamp}")
  endif()
endif()
set(text "// Generated at build time by cmake/ServerVersion.cmake.\n#pragma once\n#define KORVID_SERVER_VERSION \"${version}\"\n")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
endif()
if(NOT "${old}" STREQUAL "${text}")
  file(WRITE "${OUTPUT}" "${text}")
endif()
