cmake_minimum_required(VERSION 3.20)
# Builds the program a second time from scratch, in another folder, and compares the bytes.
# cmake -DSOURCE=<source dir> -DTOOLCHAIN=<toolchain file> -DEXE=<first build's program>
#       -DWORK=<scratch build folder> -P check_reproducible.cmake
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK} -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}
                        -DMERVANE_BUILD_TESTS=OFF
                RESULT_VARIABLE failed OUTPUT_QUIET)
if(NOT failed)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK} --target Mervane4Setup -j 2
                  RESULT_VARIABLE failed OUTPUT_QUIET)
endif()
if(failed)
  message(FATAL_ERROR "the second build failed")
endif()
file(SHA256 ${EXE} first)
file(SHA256 ${WORK}/bin/Mervane4Setup.exe second)
file(REMOVE_RECURSE ${WORK})
if(NOT first STREQUAL second)
  message(FATAL_ERROR "two builds of the same sources differ: ${first} and ${second}")
endif()
message(STATUS "byte-identical: ${first}")
