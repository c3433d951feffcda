# GoogleTest from Debian's source package, built for whichever target this is.
if(BUILD_TESTING AND NOT BW_FUZZ AND NOT TARGET gtest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL)
  # Third-party code: our warning flags are not its business.
  target_compile_options(gtest PRIVATE -w)
  target_compile_options(gtest_main PRIVATE -w)
endif()

# bw_add_gtest(NAME name SOURCES ... LIBS ...)
# One test program per module; ctest runs it natively, or under Wine through
# the cross build's emulator.
function(bw_add_gtest)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} gtest gtest_main)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_brief=1)
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT 600)
endfunction()

# Adds every direct sub-folder of the current folder that has a CMakeLists.txt.
macro(bw_add_subfolders)
  file(GLOB _bw_children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(_bw_child ${_bw_children})
    if(IS_DIRECTORY ${_bw_child} AND EXISTS ${_bw_child}/CMakeLists.txt)
      add_subdirectory(${_bw_child})
    endif()
  endforeach()
endmacro()
