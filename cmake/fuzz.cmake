# libFuzzer targets (tests/fuzz), built natively with clang in a tree of their own.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "KORVAN_FUZZ needs clang: configure with CC=clang CXX=clang++")
endif()
set(FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g -O1)

find_package(ZLIB REQUIRED)
find_package(OpenSSL REQUIRED)

# The publisher's library is instrumented like the targets that link it; the
# korvan-publish of this tree gets the sanitizers' runtime with it.
target_compile_options(korvan_publish PRIVATE -fsanitize=fuzzer-no-link,address,undefined
                       -fno-sanitize-recover=all -fno-omit-frame-pointer -g -O1)
target_link_options(korvan_publish INTERFACE -fsanitize=address,undefined)

file(GLOB fuzz_targets CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
foreach(src IN LISTS fuzz_targets)
  get_filename_component(name ${src} NAME_WE)
  # Every target gets the platform-free sources, instrumented with it.
  add_executable(${name} ${src} ${CORE_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${FUZZ_FLAGS})
  target_link_options(${name} PRIVATE ${FUZZ_FLAGS})
  target_link_libraries(${name} PRIVATE ZLIB::ZLIB OpenSSL::Crypto)
  if(name MATCHES "^publish_")
    target_link_libraries(${name} PRIVATE korvan_publish)
  endif()
endforeach()
