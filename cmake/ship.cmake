# What the shipped Windows programs get: XP-compatible PE headers, no build time or
# build path in the binary, deterministic static libraries, symbols moved into a
# separate debug file, and optionally an Authenticode signature on launcher.exe.

# Compile paths as seen from the build: the checkout is ".", the build folder "build"
# (the later map wins for a build folder inside the checkout).
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
add_link_options(-Wl,--no-insert-timestamp)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # Windows XP is NT 5.1.
  add_link_options(-Wl,--major-os-version=5,--minor-os-version=1,--major-subsystem-version=5,--minor-subsystem-version=1)
endif()
foreach(lang C CXX)
  set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
endforeach()

set(KORVAN_SIGN_PKCS12 "" CACHE FILEPATH "PKCS#12 certificate and key to sign launcher.exe with (Authenticode)")
set(KORVAN_SIGN_PASSWORD_FILE "" CACHE FILEPATH "File holding the password of KORVAN_SIGN_PKCS12")
set(KORVAN_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time-stamping server for the signature (optional)")

# Stops the configure unless path names a readable file; what says which setting it is.
function(korvan_require_readable what path)
  if(path STREQUAL "")
    message(FATAL_ERROR "Signing: ${what} is not set; KORVAN_SIGN_PKCS12 and KORVAN_SIGN_PASSWORD_FILE go together")
  endif()
  execute_process(COMMAND test -f ${path} -a -r ${path} RESULT_VARIABLE unreadable)
  if(unreadable)
    message(FATAL_ERROR "Signing: ${what} '${path}' is missing or not a readable file")
  endif()
endfunction()

set(KORVAN_SIGN OFF)
if(NOT KORVAN_SIGN_PKCS12 STREQUAL "" OR NOT KORVAN_SIGN_PASSWORD_FILE STREQUAL "")
  korvan_require_readable(KORVAN_SIGN_PKCS12 "${KORVAN_SIGN_PKCS12}")
  korvan_require_readable(KORVAN_SIGN_PASSWORD_FILE "${KORVAN_SIGN_PASSWORD_FILE}")
  find_program(KORVAN_OSSLSIGNCODE osslsigncode)
  if(NOT KORVAN_OSSLSIGNCODE)
    message(FATAL_ERROR "Signing: osslsigncode not found (Debian package osslsigncode)")
  endif()
  get_filename_component(KORVAN_SIGN_PKCS12_ABS "${KORVAN_SIGN_PKCS12}" ABSOLUTE)
  get_filename_component(KORVAN_SIGN_PASSWORD_ABS "${KORVAN_SIGN_PASSWORD_FILE}" ABSOLUTE)
  set(KORVAN_SIGN ON)
  message(STATUS "launcher.exe is signed with ${KORVAN_SIGN_PKCS12_ABS}")
elseif(NOT KORVAN_SIGN_TIMESTAMP_URL STREQUAL "")
  message(FATAL_ERROR "Signing: KORVAN_SIGN_TIMESTAMP_URL needs KORVAN_SIGN_PKCS12 and KORVAN_SIGN_PASSWORD_FILE")
endif()

# Compiles target with debug information and, after linking, moves its symbols into
# <exe>.debug beside it (with a debug link) and, if sign is given and signing is on,
# signs the stripped program.
function(korvan_ship target)
  cmake_parse_arguments(ship "SIGN" "" "" ${ARGN})
  target_compile_options(${target} PRIVATE -g)
  set(args -DEXE=$<TARGET_FILE:${target}> -DOBJCOPY=${CMAKE_OBJCOPY} -DSTRIP=${CMAKE_STRIP})
  if(ship_SIGN AND KORVAN_SIGN)
    list(APPEND args -DOSSLSIGNCODE=${KORVAN_OSSLSIGNCODE} -DPKCS12=${KORVAN_SIGN_PKCS12_ABS}
      -DPASSWORD_FILE=${KORVAN_SIGN_PASSWORD_ABS} -DTIMESTAMP_URL=${KORVAN_SIGN_TIMESTAMP_URL})
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} ${args} -P ${CMAKE_SOURCE_DIR}/cmake/ship_binary.cmake
    VERBATIM)
endfunction()
