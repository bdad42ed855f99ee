# vtr_wine_can_run(LOADER RESULT REASON): whether this machine can start the
# Wine loader LOADER at all. Some kernels run 64-bit user code only; there the
# 32-bit loader fails at exec ("Exec format error", exit status 126 from a
# shell), and so would every test it was asked to run. RESULT is TRUE or
# FALSE; REASON says why not, in the loader's own words where it gave any.
function(vtr_wine_can_run loader result reason)
  # Through sh's exec, which reports a refused exec as such; CMake's own
  # spawn would hand a file the kernel refuses to /bin/sh as a script.
  execute_process(COMMAND sh -c "exec \"$0\" --version" ${loader}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
  if(status STREQUAL "0")
    set(${result} TRUE PARENT_SCOPE)
    set(${reason} "" PARENT_SCOPE)
    return()
  endif()
  # The shell's words after its last colon ("Exec format error", "not found").
  string(STRIP "${err}" err)
  string(REGEX REPLACE "\n.*" "" err "${err}")
  string(REGEX REPLACE "^.*: " "" err "${err}")
  if(err STREQUAL "")
    set(err "exit status ${status}")
  endif()
  set(${result} FALSE PARENT_SCOPE)
  set(${reason} "${loader}: ${err}" PARENT_SCOPE)
endfunction()

# Run as a script (cmake -DLOADER=... -P WineLoader.cmake), it prints one
# line, "runs" or "cannot run: REASON": the tests of the check use this.
if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  vtr_wine_can_run("${LOADER}" runs why)
  if(runs)
    message("runs")
  else()
    message("cannot run: ${why}")
  endif()
endif()
