# launcher.exe's resources; the icon is drawn by a script at build time.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(LAUNCHER_ICON ${CMAKE_BINARY_DIR}/generated/launcher.ico)
add_custom_command(OUTPUT ${LAUNCHER_ICON}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/app/make_icon.py ${LAUNCHER_ICON}
  DEPENDS ${CMAKE_SOURCE_DIR}/app/make_icon.py)
set_source_files_properties(${CMAKE_SOURCE_DIR}/app/launcher.rc PROPERTIES
  OBJECT_DEPENDS "${LAUNCHER_ICON};${CMAKE_SOURCE_DIR}/app/launcher.manifest")
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${CMAKE_BINARY_DIR}/generated -I${CMAKE_SOURCE_DIR}/app -c 932")
set(LAUNCHER_RC ${CMAKE_SOURCE_DIR}/app/launcher.rc)
