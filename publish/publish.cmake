# korvan-publish: the maker's console tool. Everything but main() is the library
# korvan_publish, which the tool and the fuzz targets link; it shares the
# launcher's list, MD5, name and SHA256SUMS rules through korvan_core.
set(PUBLISH_SOURCES
  cli.cpp compress.cpp file_write.cpp inputs.cpp kept_release.cpp list.cpp plan.cpp progress.cpp
  publish.cpp releases.cpp report.cpp state.cpp validate.cpp verify.cpp walk.cpp write_release.cpp)
# The platform and signing parts of each build.
if(WIN32)
  list(APPEND PUBLISH_SOURCES platform_win.cpp out_dir_lock_win.cpp sign_none.cpp)
else()
  list(APPEND PUBLISH_SOURCES platform_posix.cpp out_dir_lock_posix.cpp sign_openssl.cpp)
endif()
list(TRANSFORM PUBLISH_SOURCES PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)

add_library(korvan_publish STATIC ${PUBLISH_SOURCES})
target_include_directories(korvan_publish PUBLIC ${CMAKE_SOURCE_DIR})
if(WIN32)
  target_link_libraries(korvan_publish PUBLIC korvan_core z shell32)
  target_compile_options(korvan_publish PRIVATE -g)   # line information for korvan-publish.exe.debug
else()
  find_package(ZLIB REQUIRED)
  find_package(OpenSSL 3 REQUIRED)
  target_link_libraries(korvan_publish PUBLIC korvan_core ZLIB::ZLIB OpenSSL::Crypto)
  target_compile_options(korvan_publish PRIVATE -Wall -Wextra)
endif()

add_executable(korvan-publish ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp)
target_link_libraries(korvan-publish PRIVATE korvan_publish)
if(WIN32)
  korvan_ship(korvan-publish)
else()
  target_compile_options(korvan-publish PRIVATE -Wall -Wextra)
endif()
