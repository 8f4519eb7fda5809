# korvan-publish: the maker's console tool. It shares the launcher's list, MD5 and
# name rules through korvan_core; the platform and signing files differ between builds.
file(GLOB publish_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
if(WIN32)
  list(REMOVE_ITEM publish_sources ${CMAKE_CURRENT_SOURCE_DIR}/platform_posix.cpp
                                   ${CMAKE_CURRENT_SOURCE_DIR}/sign_openssl.cpp)
else()
  list(REMOVE_ITEM publish_sources ${CMAKE_CURRENT_SOURCE_DIR}/platform_win.cpp
                                   ${CMAKE_CURRENT_SOURCE_DIR}/sign_none.cpp)
endif()

add_executable(korvan-publish ${publish_sources})
target_include_directories(korvan-publish PRIVATE ${CMAKE_SOURCE_DIR})
if(WIN32)
  target_link_libraries(korvan-publish PRIVATE korvan_core z shell32)
else()
  find_package(ZLIB REQUIRED)
  find_package(OpenSSL 3 REQUIRED)
  target_link_libraries(korvan-publish PRIVATE korvan_core ZLIB::ZLIB OpenSSL::Crypto)
  target_compile_options(korvan-publish PRIVATE -Wall -Wextra)
endif()
if(WIN32)
  korvan_ship(korvan-publish)
endif()
