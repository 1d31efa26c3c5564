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
#   SETUP         what to prepare besides the inputs:
#                   readonly    the first input is made read-only
#                   fifo:<name> a named pipe of that name in the work folder
#                   path        the checker and its inputs go to WORK/bin, which
#                               is put on PATH; it runs by bare name from WORK/run
# With UPDATE set, the expected files are written instead of compared.
string(REPLACE "|" ";" INPUTS "${INPUTS}")
string(REPLACE "|" ";" ARGS "${ARGS}")
if(DEFINED ENV{TARVEX_E2E_UPDATE})
  set(UPDATE ON)
endif()
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(_dir "${WORK}")
set(_run "${WORK}")
set(_exe "${EXE}")
if(SETUP STREQUAL "path")
  set(_dir "${WORK}/bin")
  set(_run "${WORK}/run")
  file(MAKE_DIRECTORY "${_dir}" "${_run}")
  file(COPY "${EXE}" DESTINATION "${_dir}")
  get_filename_component(_exe "${EXE}" NAME)
  set(ENV{PATH} "${_dir}:$ENV{PATH}")
endif()
set(_first "")
foreach(_in IN LISTS INPUTS)
  file(COPY "${_in}" DESTINATION "${_dir}")
  if(NOT _first)
    get_filename_component(_first "${_in}" NAME)
  endif()
endforeach()
if(_first)
  file(READ "${_dir}/${_first}" _original HEX)
endif()
if(SETUP STREQUAL "readonly")
  file(CHMOD "${_dir}/${_first}" PERMISSIONS OWNER_READ GROUP_READ WORLD_READ)
elseif(SETUP MATCHES "^fifo:(.*)$")
  execute_process(COMMAND mkfifo "${_dir}/${CMAKE_MATCH_1}" RESULT_VARIABLE _made)
  if(NOT _made EQUAL 0)
    message(FATAL_ERROR "mkfifo failed")
  endif()
endif()

# A checker that waits (on a pipe, say) fails the test instead of holding it.
execute_process(COMMAND ${EMULATOR} "${_exe}" ${ARGS}
                WORKING_DIRECTORY "${_run}"
                INPUT_FILE /dev/null
                OUTPUT_VARIABLE _out
                ERROR_VARIABLE _err
                RESULT_VARIABLE _rc
                TIMEOUT 60)

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
  if(OUTPUT_HEX AND EXISTS "${_dir}/${OUTPUT_HEX}" AND NOT OUTPUT_HEX STREQUAL _first)
    string(APPEND _failed "${OUTPUT_HEX} was written\n")
  endif()
  if(OUTPUT_HEX AND OUTPUT_HEX STREQUAL _first AND EXISTS "${_dir}/${_first}.bak")
    string(APPEND _failed "${_first} was replaced\n")
  endif()
elseif(EXPECTED_HEX)
  if(UPDATE)
    file(COPY_FILE "${_dir}/${OUTPUT_HEX}" "${EXPECTED_HEX}")
  elseif(NOT EXISTS "${_dir}/${OUTPUT_HEX}")
    string(APPEND _failed "${OUTPUT_HEX} was not written\n")
  else()
    file(READ "${_dir}/${OUTPUT_HEX}" _got HEX)
    file(READ "${EXPECTED_HEX}" _want HEX)
    if(NOT _got STREQUAL _want)
      string(APPEND _failed "${OUTPUT_HEX} differs from ${EXPECTED_HEX}\n")
    endif()
  endif()
endif()
# The user's program is never damaged: an input that was replaced lies
# beside its replacement as <name>.bak.
if(_first)
  set(_kept "${_dir}/${_first}")
  if(OUTPUT_HEX STREQUAL _first AND EXISTS "${_dir}/${_first}.bak")
    set(_kept "${_dir}/${_first}.bak")
  endif()
  file(READ "${_kept}" _now HEX)
  if(NOT _now STREQUAL _original)
    string(APPEND _failed "the input ${_first} was not kept\n")
  endif()
endif()

if(_failed)
  message(FATAL_ERROR "${_failed}--- output ---\n${_out}--- errors ---\n${_err}")
endif()
