# Windows builds (i686 product, x86_64 for tests under Wine): ANSI API, Winsock 1.1,
# everything linked statically so that no MinGW runtime DLL is needed.
enable_language(RC)
add_compile_definitions(_WIN32_WINNT=0x0501 WINVER=0x0501 _WIN32_IE=0x0600)
add_compile_options(-Wall -Wextra -Wno-unused-parameter -Wno-cast-function-type)
add_link_options(-static -static-libgcc -static-libstdc++)

string(REGEX MATCH "^[^:]*" KORVAN_SERVER_HOST "${KORVAN_SERVER}")
configure_file(${CMAKE_SOURCE_DIR}/app/server_config.h.in ${CMAKE_BINARY_DIR}/generated/server_config.h @ONLY)

# The launcher's Windows code that every build has; the parts that build
# options add are libraries of their own (cmake/options.cmake).
set(WIN_SOURCES
  common/launcher_texts.cpp common/path_folder.cpp
  app/launch_game.cpp app/launcher_window.cpp app/static_objects.cpp app/working_directory.cpp
  log/log_channel.cpp log/log_lock.cpp log/log_printf.cpp log/log_socket.cpp
  http/download.cpp http/file_download.cpp http/http_connection.cpp http/http_request.cpp
  http/progress_callback.cpp http/use_wsock32.cpp
  update/ansi_lead_byte.cpp update/base_url.cpp update/file_error.cpp update/file_md5.cpp update/gunzip_file.cpp
  update/plain_release.cpp update/run_update.cpp update/temp_file.cpp update/update_file.cpp
  update/update_parts.cpp update/wait_while_running.cpp update/whole_download.cpp
)
list(TRANSFORM WIN_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/)
add_library(korvan_win STATIC ${WIN_SOURCES})
target_include_directories(korvan_win PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(korvan_win PUBLIC korvan_core z wsock32 comctl32 shell32 ole32 uuid advapi32 user32 gdi32 kernel32)

include(${CMAKE_SOURCE_DIR}/cmake/options.cmake)

include(${CMAKE_SOURCE_DIR}/app/resources.cmake)
add_executable(launcher WIN32 ${CMAKE_SOURCE_DIR}/app/win_main.cpp ${CMAKE_SOURCE_DIR}/app/build_options.cpp
               ${LAUNCHER_RC})
target_link_libraries(launcher PRIVATE korvan_win ${KORVAN_OPTION_LIBRARIES})
target_compile_definitions(launcher PRIVATE ${KORVAN_OPTION_DEFINITIONS})
target_link_options(launcher PRIVATE -mwindows)

# The program's own code carries line information into launcher.exe.debug.
target_compile_options(korvan_core PRIVATE -g)
target_compile_options(korvan_win PRIVATE -g)
foreach(library IN LISTS KORVAN_PART_LIBRARIES)
  target_compile_options(${library} PRIVATE -g)
endforeach()
korvan_ship(launcher SIGN)
