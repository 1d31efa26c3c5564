# Runs one session script of the stand-in IDE host against the driver
# library and the stand-in D2XX library, in fresh folders, and compares its
# output (standard error merged) with the committed expectation. Lines that
# begin with "~" depend on timing: only their first word is compared.
#   HOST      tarvex-host
#   SIM       tarvex-sim (writes the stand-in installation root)
#   LIBDIRS   the folders of the driver and of the stand-in library (a "|" list)
#   SCRIPT    the session script
#   EXPECTED  the expected output
#   WORK      work folder (emptied first)
#   EXAMPLES  the bundled examples
#   RUNS      how many times the script runs in the same work folder (default 1)
# With TARVEX_E2E_UPDATE set, the expectation is written instead.
string(REPLACE "|" ":" _libs "${LIBDIRS}")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/project" "${WORK}/config")
execute_process(COMMAND "${SIM}" --make-root "${WORK}/root" OUTPUT_QUIET RESULT_VARIABLE _made)
if(NOT _made EQUAL 0)
  message(FATAL_ERROR "tarvex-sim --make-root failed")
endif()
set(ENV{TARVEX_ROOT} "${WORK}/root")
set(ENV{TARVEX_CONFIG_HOME} "${WORK}/config")
set(ENV{TARVEX_UI} console)
set(ENV{LD_LIBRARY_PATH} "${_libs}")
if(NOT RUNS)
  set(RUNS 1)
endif()
set(_all "")
foreach(_run RANGE 1 ${RUNS})
  execute_process(COMMAND "${HOST}" --var "EXAMPLES=${EXAMPLES}" --work "${WORK}/project" "${SCRIPT}"
                  OUTPUT_VARIABLE _out ERROR_VARIABLE _out RESULT_VARIABLE _rc TIMEOUT 120)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "tarvex-host ended with ${_rc}:\n${_out}")
  endif()
  string(APPEND _all "${_out}")
endforeach()
string(REPLACE "${EXAMPLES}" "\${EXAMPLES}" _all "${_all}")
string(REPLACE "${WORK}/project" "\${WORK}" _all "${_all}")
string(REGEX REPLACE "(^|\n)(~[^ \n]*)[^\n]*" "\\1\\2 ..." _all "${_all}")
if(DEFINED ENV{TARVEX_E2E_UPDATE})
  file(WRITE "${EXPECTED}" "${_all}")
  return()
endif()
file(READ "${EXPECTED}" _expected)
if(NOT _all STREQUAL _expected)
  file(WRITE "${WORK}/actual.out" "${_all}")
  execute_process(COMMAND diff -u "${EXPECTED}" "${WORK}/actual.out")
  message(FATAL_ERROR "session output differs from ${EXPECTED}")
endif()
