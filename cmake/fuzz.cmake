# libFuzzer targets (tests/fuzz), built natively with clang in a tree of their own.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "KORVAN_FUZZ needs clang: configure with CC=clang CXX=clang++")
endif()
set(FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g -O1)

find_package(ZLIB REQUIRED)
find_package(OpenSSL REQUIRED)
# The publisher's checks and list code, as korvan-publish builds them.
set(FUZZ_PUBLISH_SOURCES
  ${CMAKE_SOURCE_DIR}/publish/validate.cpp
  ${CMAKE_SOURCE_DIR}/publish/list.cpp
  ${CMAKE_SOURCE_DIR}/publish/report.cpp
  ${CMAKE_SOURCE_DIR}/publish/platform_posix.cpp
)

file(GLOB fuzz_targets CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
foreach(src IN LISTS fuzz_targets)
  get_filename_component(name ${src} NAME_WE)
  # Every target gets the platform-free sources, instrumented with it.
  set(sources ${src} ${CORE_SOURCES})
  if(name MATCHES "^publish_")
    list(APPEND sources ${FUZZ_PUBLISH_SOURCES})
  endif()
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${FUZZ_FLAGS})
  target_link_options(${name} PRIVATE ${FUZZ_FLAGS})
  target_link_libraries(${name} PRIVATE ZLIB::ZLIB OpenSSL::Crypto)
endforeach()
