# Run after linking a shipped program (cmake -P): EXE's symbols and debug information
# go to EXE.debug, EXE is stripped and gets a debug link to it, then, with PKCS12 set,
# EXE is signed (SHA-256). Any failure removes EXE, so that no unstripped or unsigned
# program is left where the build's output belongs.

# Runs one tool; on failure removes EXE and stops with the tool's output.
function(ship_run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    file(REMOVE ${EXE} ${EXE}.signed)
    message(FATAL_ERROR "${what} failed for ${EXE} (removed):\n${out}")
  endif()
endfunction()

# objcopy and strip write the current time into the PE header unless told a date;
# 0 is what the linker's --no-insert-timestamp writes.
set(ENV{SOURCE_DATE_EPOCH} 0)
get_filename_component(dir ${EXE} DIRECTORY)
get_filename_component(name ${EXE} NAME)
# The debug link holds the file's name only; run beside it so no path is recorded.
ship_run("objcopy --only-keep-debug" ${CMAKE_COMMAND} -E chdir ${dir} ${OBJCOPY} --only-keep-debug ${name} ${name}.debug)
ship_run("strip" ${STRIP} --strip-all ${EXE})
ship_run("objcopy --add-gnu-debuglink" ${CMAKE_COMMAND} -E chdir ${dir} ${OBJCOPY} --add-gnu-debuglink=${name}.debug ${name})

if(DEFINED PKCS12)
  foreach(f IN ITEMS ${PKCS12} ${PASSWORD_FILE})
    if(NOT EXISTS ${f} OR IS_DIRECTORY ${f})
      file(REMOVE ${EXE})
      message(FATAL_ERROR "Signing: '${f}' is missing or not a file; ${EXE} removed")
    endif()
  endforeach()
  set(timestamp)
  if(NOT TIMESTAMP_URL STREQUAL "")
    set(timestamp -ts ${TIMESTAMP_URL})
  endif()
  file(REMOVE ${EXE}.signed)
  ship_run("osslsigncode sign" ${OSSLSIGNCODE} sign -pkcs12 ${PKCS12} -readpass ${PASSWORD_FILE} -h sha256
    ${timestamp} -in ${EXE} -out ${EXE}.signed)
  file(RENAME ${EXE}.signed ${EXE})
endif()
