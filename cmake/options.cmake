# The launcher's build options. Each one adds a library of parts to launcher.exe
# and a definition for app/build_options.cpp, the one source that chooses the
# parts of the update run. Without options the launcher is the plain one.
set(KORVAN_RELEASE_KEY "" CACHE FILEPATH "PEM public key built into launcher.exe to check signed releases (empty: unsigned)")
set(KORVAN_MIN_RELEASE 0 CACHE STRING "Lowest signed release number the launcher installs (with KORVAN_RELEASE_KEY)")
option(KORVAN_DIGEST_CACHE "Keep listed files' MD5s in the working folder while size, last-write time, volume and file index stay" OFF)
option(KORVAN_RESUME "Archive downloads go on where they stopped, in the same run or the next" OFF)

set(KORVAN_PART_LIBRARIES)      # every option's parts: the Wine tests link them all
set(KORVAN_OPTION_LIBRARIES)    # the parts of the options that are on
set(KORVAN_OPTION_DEFINITIONS)

# Declares library, the parts of one option made of the sources given; when enabled
# is true, launcher.exe links it and app/build_options.cpp gets definition.
function(korvan_option_part library enabled definition)
  add_library(${library} STATIC EXCLUDE_FROM_ALL ${ARGN})
  target_link_libraries(${library} PUBLIC korvan_win)
  set(KORVAN_PART_LIBRARIES ${KORVAN_PART_LIBRARIES} ${library} PARENT_SCOPE)
  if(enabled)
    set(KORVAN_OPTION_LIBRARIES ${KORVAN_OPTION_LIBRARIES} ${library} PARENT_SCOPE)
    set(KORVAN_OPTION_DEFINITIONS ${KORVAN_OPTION_DEFINITIONS} ${definition} PARENT_SCOPE)
    message(STATUS "Build option on: ${definition}")
  endif()
endfunction()

# Signed releases: statements checked with the Windows CryptoAPI.
korvan_option_part(korvan_signed "${KORVAN_RELEASE_KEY}" KORVAN_SIGNED_RELEASES=1
  ${CMAKE_SOURCE_DIR}/update/crypt_handles.cpp ${CMAKE_SOURCE_DIR}/update/release_statement.cpp
  ${CMAKE_SOURCE_DIR}/update/signed_release.cpp ${CMAKE_SOURCE_DIR}/update/background_judge.cpp)
target_link_libraries(korvan_signed PUBLIC crypt32 advapi32)
# The digest cache: a start reads no listed file that is unchanged since the launcher took its MD5.
korvan_option_part(korvan_digest_cache "${KORVAN_DIGEST_CACHE}" KORVAN_DIGEST_CACHE=1
  ${CMAKE_SOURCE_DIR}/update/digest_cache.cpp)
# Resumed downloads: archives kept in partial files, per listed name and MD5.
korvan_option_part(korvan_resume "${KORVAN_RESUME}" KORVAN_RESUME=1 ${CMAKE_SOURCE_DIR}/update/resumed_download.cpp)

if(NOT KORVAN_MIN_RELEASE MATCHES "^(0|[1-9][0-9]*)$" OR KORVAN_MIN_RELEASE GREATER 4294967295)
  message(FATAL_ERROR "KORVAN_MIN_RELEASE: '${KORVAN_MIN_RELEASE}' is not a release number from 0 to 4294967295")
endif()
if(NOT KORVAN_MIN_RELEASE EQUAL 0 AND NOT KORVAN_RELEASE_KEY)
  message(FATAL_ERROR "KORVAN_MIN_RELEASE needs KORVAN_RELEASE_KEY: only signed releases carry a number")
endif()

# The release key, as a C string in generated/release_key.h.
if(KORVAN_RELEASE_KEY)
  get_filename_component(key_path "${KORVAN_RELEASE_KEY}" ABSOLUTE BASE_DIR "${CMAKE_SOURCE_DIR}")
  if(NOT EXISTS "${key_path}" OR IS_DIRECTORY "${key_path}")
    message(FATAL_ERROR "KORVAN_RELEASE_KEY: no key file at ${key_path}")
  endif()
  file(READ "${key_path}" key_pem)
  if(NOT key_pem MATCHES "^-----BEGIN PUBLIC KEY-----\r?\n[A-Za-z0-9+/=\r\n]+-----END PUBLIC KEY-----\r?\n?$")
    message(FATAL_ERROR "KORVAN_RELEASE_KEY: ${key_path} is not a PEM public key (-----BEGIN PUBLIC KEY-----)")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${key_path}")
  string(REPLACE "\r" "" key_pem "${key_pem}")
  string(REPLACE "\n" "\\n\"\n    \"" key_lines "${key_pem}")
  file(WRITE ${CMAKE_BINARY_DIR}/generated/release_key.h.new
    "// Generated from ${key_path}: the key that signs releases.\n#pragma once\n"
    "static const char ReleaseKeyPem[] =\n    \"${key_lines}\";\n")
  file(COPY_FILE ${CMAKE_BINARY_DIR}/generated/release_key.h.new ${CMAKE_BINARY_DIR}/generated/release_key.h ONLY_IF_DIFFERENT)
  list(APPEND KORVAN_OPTION_DEFINITIONS KORVAN_MIN_RELEASE=${KORVAN_MIN_RELEASE}u)
  message(STATUS "Signed releases: key ${key_path}, lowest release ${KORVAN_MIN_RELEASE}")
endif()
