# Shared helpers for the project's CMake files.

# Warnings are errors everywhere: a warning left in is a fault left in.
function(tarvex_defaults target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wnon-virtual-dtor -Wimplicit-fallthrough)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      target_compile_options(${target} PRIVATE -Wshadow=local)
      # GCC 12 warns falsely about the standard library's own copies once it
      # inlines them at -O2 and above (GCC bugs 105329, 107852): std::string
      # and small std::vector inserts trip -Wrestrict and -Warray-bounds.
      if(CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12 AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE -Wno-restrict -Wno-array-bounds -Wno-stringop-overflow
                                                  -Wno-stringop-overread)
      endif()
    else()
      target_compile_options(${target} PRIVATE -Wshadow-uncaptured-local)
    endif()
  endif()
endfunction()

# A folder joins the build once it has a CMakeLists.txt, so that work on a
# new subsystem can land piece by piece.
function(tarvex_optional_subdirectory dir)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
  endif()
endfunction()

# One static library per subsystem folder, from every .cpp in it. Sources of
# one operating system only live in posix/ and win32/ below the folder.
function(tarvex_library name dir)
  file(GLOB _src CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(WIN32)
    file(GLOB _os CONFIGURE_DEPENDS ${dir}/win32/*.cpp)
  else()
    file(GLOB _os CONFIGURE_DEPENDS ${dir}/posix/*.cpp)
  endif()
  # A library whose first sources have not landed yet still links.
  set(_empty ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
  if(NOT EXISTS ${_empty})
    file(WRITE ${_empty} "// intentionally empty\n")
  endif()
  add_library(${name} STATIC ${_src} ${_os} ${_empty})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  tarvex_defaults(${name})
endfunction()

# One GoogleTest program per library, from every .cpp in tests/<dir> and in
# the subfolders named, where a library's strata have folders of their own.
# tarvex_test(name dir [SUBDIRS sub...] [LABELS label] libraries...)
function(tarvex_test name dir)
  cmake_parse_arguments(PARSE_ARGV 2 _t "" "LABELS" "SUBDIRS")
  set(_globs ${dir}/*.cpp)
  foreach(_sub IN LISTS _t_SUBDIRS)
    list(APPEND _globs ${dir}/${_sub}/*.cpp)
  endforeach()
  file(GLOB _src CONFIGURE_DEPENDS ${_globs})
  if(NOT _src)
    return()
  endif()
  add_executable(${name} ${_src})
  target_link_libraries(${name} PRIVATE ${_t_UNPARSED_ARGUMENTS} tarvex_testsupport GTest::gtest GTest::gmock GTest::gtest_main)
  tarvex_defaults(${name})
  target_compile_options(${name} PRIVATE ${TARVEX_TEST_CODE_OPTIONS})
  if(CMAKE_CROSSCOMPILING AND CMAKE_CROSSCOMPILING_EMULATOR)
    add_test(NAME ${name} COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${name}>)
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT
    "TARVEX_SOURCE_DIR=${PROJECT_SOURCE_DIR};TARVEX_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-config")
  if(_t_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${_t_LABELS}")
  endif()
endfunction()
