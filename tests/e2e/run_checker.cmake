# Runs QzChecker once in a fresh work folder and compares what it did with
# the committed expectations.
#   EXE           the checker
#   EMULATOR      what runs it when it is built for another system (Wine)
#   WORK          work folder (emptied first)
#   INPUTS        files copied into it (the first is the one checked)
#   ARGS          the command line after the program name (a list)
#   EXPECTED_RC   the exit code
#   EXPECTED_OUT  file with the expected standard output, or
#   EXPECTED_REGEX a regular expression the output must match
#   EXPECTED_HEX  file the corrected HEX must equal; "none" = no HEX may appear
#   OUTPUT_HEX    name of the corrected HEX in the work folder
# With UPDATE set, the expected files are written instead of compared.
string(REPLACE "|" ";" INPUTS "${INPUTS}")
string(REPLACE "|" ";" ARGS "${ARGS}")
if(DEFINED ENV{TARVEX_E2E_UPDATE})
  set(UPDATE ON)
endif()
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(_first "")
foreach(_in IN LISTS INPUTS)
  file(COPY "${_in}" DESTINATION "${WORK}")
  if(NOT _first)
    get_filename_component(_first "${_in}" NAME)
  endif()
endforeach()
if(_first)
  file(READ "${WORK}/${_first}" _original HEX)
endif()

execute_process(COMMAND ${EMULATOR} "${EXE}" ${ARGS}
                WORKING_DIRECTORY "${WORK}"
                INPUT_FILE /dev/null
                OUTPUT_VARIABLE _out
                ERROR_VARIABLE _err
                RESULT_VARIABLE _rc)

# Windows ends the lines of standard output with CR LF; the lines
# themselves must be the same.
string(REPLACE "\r\n" "\n" _out "${_out}")
set(_failed "")
if(NOT "${_rc}" STREQUAL "${EXPECTED_RC}")
  string(APPEND _failed "exit code ${_rc}, expected ${EXPECTED_RC}\n")
endif()
if(EXPECTED_OUT)
  if(UPDATE)
    file(WRITE "${EXPECTED_OUT}" "${_out}")
  else()
    file(READ "${EXPECTED_OUT}" _want)
    if(NOT _out STREQUAL _want)
      string(APPEND _failed "standard output differs from ${EXPECTED_OUT}\n")
    endif()
  endif()
endif()
if(EXPECTED_REGEX AND NOT _out MATCHES "${EXPECTED_REGEX}")
  string(APPEND _failed "standard output does not match ${EXPECTED_REGEX}\n")
endif()
if(EXPECTED_HEX STREQUAL "none")
  if(OUTPUT_HEX AND EXISTS "${WORK}/${OUTPUT_HEX}" AND NOT OUTPUT_HEX STREQUAL _first)
    string(APPEND _failed "${OUTPUT_HEX} was written\n")
  endif()
elseif(EXPECTED_HEX)
  if(UPDATE)
    file(COPY_FILE "${WORK}/${OUTPUT_HEX}" "${EXPECTED_HEX}")
  elseif(NOT EXISTS "${WORK}/${OUTPUT_HEX}")
    string(APPEND _failed "${OUTPUT_HEX} was not written\n")
  else()
    file(READ "${WORK}/${OUTPUT_HEX}" _got HEX)
    file(READ "${EXPECTED_HEX}" _want HEX)
    if(NOT _got STREQUAL _want)
      string(APPEND _failed "${OUTPUT_HEX} differs from ${EXPECTED_HEX}\n")
    endif()
  endif()
endif()
# The user's program is never damaged: an input that was replaced lies
# beside its replacement as <name>.bak.
if(_first)
  set(_kept "${WORK}/${_first}")
  if(OUTPUT_HEX STREQUAL _first AND EXISTS "${WORK}/${_first}.bak")
    set(_kept "${WORK}/${_first}.bak")
  endif()
  file(READ "${_kept}" _now HEX)
  if(NOT _now STREQUAL _original)
    string(APPEND _failed "the input ${_first} was not kept\n")
  endif()
endif()

if(_failed)
  message(FATAL_ERROR "${_failed}--- output ---\n${_out}--- errors ---\n${_err}")
endif()
