cmake_minimum_required(VERSION 3.20)
# Compiles large_frames.cpp with the program's stack guard and fails unless the
# compiler refuses each of its three functions.
# cmake -DCOMPILER=<C++ compiler> "-DGUARD=<the guard's options>" -DSOURCE=<large_frames.cpp>
#       -DOUTPUT=<object to write> -P check_stack_guard.cmake
# In the C locale the compiler quotes with plain apostrophes.
execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C ${COMPILER} -std=c++20 -Os ${GUARD} -c ${SOURCE} -o ${OUTPUT}
                RESULT_VARIABLE result ERROR_VARIABLE errors OUTPUT_QUIET)
if(result EQUAL 0)
  message(FATAL_ERROR "a frame of 5,000 bytes, a variable-length array and alloca compiled")
endif()
foreach(refusal "In function 'int LargeFrame\\(const char\\*\\)'[^\n]*\n[^\n]*frame size of [0-9]+ bytes is larger than 3800 bytes"
                "In function 'int VariableLengthArray\\(std::size_t\\)'[^\n]*\n[^\n]*variable length array"
                "In function 'int Alloca\\(std::size_t\\)'[^\n]*\n[^\n]*use of 'alloca'")
  if(NOT errors MATCHES "${refusal}")
    message(FATAL_ERROR "not refused as expected (${refusal}):\n${errors}")
  endif()
endforeach()
message(STATUS "refused: a 5,000-byte frame, a variable-length array, alloca")
