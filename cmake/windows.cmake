# Windows builds (i686 product, x86_64 for tests under Wine): ANSI API, Winsock 1.1,
# everything linked statically so that no MinGW runtime DLL is needed.
enable_language(RC)
add_compile_definitions(_WIN32_WINNT=0x0501 WINVER=0x0501 _WIN32_IE=0x0600)
add_compile_options(-Wall -Wextra -Wno-unused-parameter -Wno-cast-function-type)
add_link_options(-static -static-libgcc -static-libstdc++)

string(REGEX MATCH "^[^:]*" KORVAN_SERVER_HOST "${KORVAN_SERVER}")
configure_file(${CMAKE_SOURCE_DIR}/app/server_config.h.in ${CMAKE_BINARY_DIR}/generated/server_config.h @ONLY)

file(GLOB WIN_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/app/*.cpp ${CMAKE_SOURCE_DIR}/log/*.cpp
  ${CMAKE_SOURCE_DIR}/http/*.cpp ${CMAKE_SOURCE_DIR}/update/*.cpp)
list(REMOVE_ITEM WIN_SOURCES ${CMAKE_SOURCE_DIR}/app/win_main.cpp)
foreach(f IN LISTS CORE_SOURCES)
  list(REMOVE_ITEM WIN_SOURCES ${CMAKE_SOURCE_DIR}/${f})
endforeach()

add_library(korvan_win STATIC ${WIN_SOURCES})
target_include_directories(korvan_win PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(korvan_win PUBLIC korvan_core z wsock32 comctl32 shell32 ole32 uuid crypt32 advapi32 user32 gdi32 kernel32)

# The release key, as a C string in generated/release_key.h for the update worker.
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
  set_source_files_properties(${CMAKE_SOURCE_DIR}/update/run_update.cpp PROPERTIES
    COMPILE_DEFINITIONS KORVAN_SIGNED_RELEASES=1 OBJECT_DEPENDS ${CMAKE_BINARY_DIR}/generated/release_key.h)
  message(STATUS "Signed releases: key ${key_path}")
endif()

include(${CMAKE_SOURCE_DIR}/app/resources.cmake)
add_executable(launcher WIN32 ${CMAKE_SOURCE_DIR}/app/win_main.cpp ${LAUNCHER_RC})
target_link_libraries(launcher PRIVATE korvan_win)
target_link_options(launcher PRIVATE -mwindows)

# The program's own code carries line information into launcher.exe.debug.
target_compile_options(korvan_core PRIVATE -g)
target_compile_options(korvan_win PRIVATE -g)
korvan_ship(launcher SIGN)
