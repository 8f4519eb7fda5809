# The demo's sample game (demo/sample_game.cpp), built beside launcher.exe in every
# Windows build; scripts/demo.py publishes it as the maker's korvan.exe.
add_executable(sample_game WIN32 ${CMAKE_CURRENT_LIST_DIR}/sample_game.cpp)
target_link_libraries(sample_game PRIVATE user32 gdi32 kernel32)
target_link_options(sample_game PRIVATE -mwindows -s)
