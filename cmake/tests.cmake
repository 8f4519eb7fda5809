# Tests: tests/core (platform-free, every build), tests/win (Windows builds, run under Wine),
# tests/programs (helper programs for the Windows tests), tests/bench (native benchmarks).
if(CMAKE_CXX_COMPILER MATCHES "-win32$")
  message(FATAL_ERROR "GoogleTest needs the posix thread model (std::mutex): configure ${CMAKE_CXX_COMPILER} with -DKORVAN_TESTS=OFF")
endif()
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

set(KORVAN_RESULTS ${CMAKE_BINARY_DIR}/test-results)
set(KORVAN_TEST_ENV "WINEDEBUG=-all;LC_ALL=ja_JP.UTF-8;WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;KORVAN_SOURCE_DIR=${CMAKE_SOURCE_DIR};KORVAN_BINARY_DIR=${CMAKE_BINARY_DIR}")

# Registers one GoogleTest executable as one ctest test whose results land as XML.
function(korvan_add_gtest name src)
  # Windows programs run under Wine, where the Linux root is drive Z:.
  set(results ${KORVAN_RESULTS})
  if(WIN32)
    set(results Z:${KORVAN_RESULTS})
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_output=xml:${results}/${name}.xml)
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${KORVAN_TEST_ENV}" TIMEOUT 600)
  # Only one process can own the log port 127.0.0.1:514 at a time, and the
  # update's own log lines must not reach the test that owns it.
  file(READ ${src} text)
  if(text MATCHES "UdpLogReceiver|UpdateFile\\(|RunUpdate\\(")
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK udp514)
  endif()
endfunction()

file(GLOB core_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/core/*_test.cpp)
foreach(src IN LISTS core_tests)
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE korvan_core GTest::gtest_main GTest::gmock)
  korvan_add_gtest(${name} ${src})
endforeach()

if(WIN32)
  # Window and message-box inspection, shared by the Windows tests and the helper programs.
  add_library(korvan_window_inspect STATIC ${CMAKE_SOURCE_DIR}/tests/support/message_box.cpp)
  target_link_libraries(korvan_window_inspect PUBLIC korvan_win)

  file(GLOB programs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/programs/*.cpp)
  set(program_targets)
  foreach(src IN LISTS programs)
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE korvan_window_inspect)
    list(APPEND program_targets ${name})
  endforeach()

  file(GLOB support CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
  list(REMOVE_ITEM support ${CMAKE_SOURCE_DIR}/tests/support/message_box.cpp)
  add_library(korvan_test_support STATIC ${support})
  target_link_libraries(korvan_test_support PUBLIC korvan_window_inspect ${KORVAN_PART_LIBRARIES} GTest::gtest GTest::gmock)
  # The tests run the plain launcher's choice of parts (app/build_options.cpp
  # without options) and make the optional parts they test themselves.
  add_library(korvan_plain_choice OBJECT ${CMAKE_SOURCE_DIR}/app/build_options.cpp)
  target_link_libraries(korvan_plain_choice PUBLIC korvan_win)
  target_include_directories(korvan_test_support PUBLIC ${CMAKE_SOURCE_DIR})

  file(GLOB win_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*_test.cpp)
  foreach(src IN LISTS win_tests)
    get_filename_component(name ${src} NAME_WE)
    # main() comes from the support library (test_main.cpp): Winsock runs around the tests.
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE korvan_plain_choice korvan_test_support)
    if(program_targets)
      add_dependencies(${name} ${program_targets})
    endif()
    korvan_add_gtest(${name} ${src})
  endforeach()
else()
  find_package(benchmark QUIET)
  file(GLOB benches CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/bench/*.cpp)
  if(benchmark_FOUND)
    foreach(src IN LISTS benches)
      get_filename_component(name ${src} NAME_WE)
      # Measured without sanitizers, optimised, from the same sources.
      add_executable(${name} ${src} ${CORE_SOURCES})
      target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
      target_compile_options(${name} PRIVATE -O2)
      target_link_libraries(${name} PRIVATE benchmark::benchmark)
    endforeach()
  endif()
endif()

# A release signed at configure time for the signature tests under Wine, with
# the key maker and the SHA256SUMS writer that the end-to-end suite uses:
# generated/signing_fixture.h holds the texts as C strings.
find_program(KORVAN_OPENSSL openssl)
find_package(Python3 COMPONENTS Interpreter)
if(WIN32 AND KORVAN_OPENSSL AND Python3_Interpreter_FOUND AND NOT EXISTS ${CMAKE_BINARY_DIR}/generated/signing_fixture.h)
  set(dir ${CMAKE_BINARY_DIR}/signing)
  file(MAKE_DIRECTORY ${dir})
  execute_process(COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/stage/keys.py ${dir}/key.pem ${dir}/other.pem
                  COMMAND_ERROR_IS_FATAL ANY)
  set(md5_body "a.exe=0cc175b9c0f1b6a831c399e269772661")
  file(WRITE ${dir}/md5.txt "${md5_body}")
  file(WRITE ${dir}/a.exe.gz "archive bytes")
  execute_process(COMMAND ${Python3_EXECUTABLE} -m stage.release sign ${dir} 5 ${dir}/key.pem
                  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/scripts COMMAND_ERROR_IS_FATAL ANY)
  file(READ ${dir}/SHA256SUMS sums)
  file(READ ${dir}/SHA256SUMS.sig sig_hex HEX)
  set(text "#pragma once\n#define SIGNING_FIXTURE 1\n")
  foreach(k key other)
    file(READ ${dir}/${k}.pub.pem pem)
    string(REPLACE "\n" "\\n" pem "${pem}")
    string(APPEND text "static const char Fixture_${k}_pem[] = \"${pem}\";\n")
  endforeach()
  string(REPLACE "\n" "\\n" sums_c "${sums}")
  string(APPEND text "static const char FixtureMd5Body[] = \"${md5_body}\";\n"
                     "static const char FixtureArchive[] = \"archive bytes\";\n"
                     "static const char FixtureSums[] = \"${sums_c}\";\n"
                     "static const char FixtureSignatureHex[] = \"${sig_hex}\";\n")
  file(WRITE ${CMAKE_BINARY_DIR}/generated/signing_fixture.h "${text}")
endif()
