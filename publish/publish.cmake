# korvan-publish: the maker's console tool. It shares the launcher's list, MD5 and
# name rules through korvan_core; one platform file differs between builds.
file(GLOB publish_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
if(WIN32)
  list(REMOVE_ITEM publish_sources ${CMAKE_CURRENT_SOURCE_DIR}/platform_posix.cpp)
else()
  list(REMOVE_ITEM publish_sources ${CMAKE_CURRENT_SOURCE_DIR}/platform_win.cpp)
endif()

add_executable(korvan-publish ${publish_sources})
target_include_directories(korvan-publish PRIVATE ${CMAKE_SOURCE_DIR})
if(WIN32)
  target_link_libraries(korvan-publish PRIVATE korvan_core z shell32)
else()
  find_package(ZLIB REQUIRED)
  target_link_libraries(korvan-publish PRIVATE korvan_core ZLIB::ZLIB)
  target_compile_options(korvan-publish PRIVATE -Wall -Wextra)
endif()
