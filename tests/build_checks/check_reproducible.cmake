cmake_minimum_required(VERSION 3.20)
# Builds the program a second time from scratch, in another folder, and compares the bytes.
# The second build signs with a signing command and a throw-away certificate: the unsigned
# program it keeps must be the first build's. The command's line holds blanks and a
# semicolon, which must reach it whole.
# cmake -DSOURCE=<source dir> -DTOOLCHAIN=<toolchain file> -DEXE=<first build's unsigned program>
#       -DWORK=<scratch build folder> -P check_reproducible.cmake
find_program(OPENSSL openssl REQUIRED)
find_program(OSSLSIGNCODE osslsigncode REQUIRED)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/keys)
execute_process(
  COMMAND ${OPENSSL} req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Mervane test signer"
          -keyout ${WORK}/keys/key.pem -out ${WORK}/keys/cert.pem
  RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
set(signer "\"${OSSLSIGNCODE}\" sign -certs \"${WORK}/keys/cert.pem\" -key \"${WORK}/keys/key.pem\" -h sha256 -n \"Mervane 4; test\" -in {file} -out {signed}")
if(NOT failed)
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK} -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}
                          -DMERVANE_BUILD_TESTS=OFF "-DMERVANE_SIGN_COMMAND=${signer}"
                          -DMERVANE_SIGN_CA_FILE=${WORK}/keys/cert.pem
                  RESULT_VARIABLE failed OUTPUT_QUIET)
endif()
if(NOT failed)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK} --target Mervane4Setup -j 2
                  RESULT_VARIABLE failed OUTPUT_QUIET)
endif()
if(failed)
  message(FATAL_ERROR "the second build failed")
endif()
file(SHA256 ${EXE} first)
file(SHA256 ${WORK}/unsigned/Mervane4Setup.exe second)
file(SHA256 ${WORK}/bin/Mervane4Setup.exe signed)
# Another signing command in the same build folder signs the program again.
string(REPLACE "; test" "; again" resigner "${signer}")
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK} "-DMERVANE_SIGN_COMMAND=${resigner}" OUTPUT_QUIET)
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK} --target Mervane4Setup OUTPUT_QUIET)
file(SHA256 ${WORK}/bin/Mervane4Setup.exe resigned)
file(REMOVE_RECURSE ${WORK})
if(resigned STREQUAL signed)
  message(FATAL_ERROR "a changed MERVANE_SIGN_COMMAND left the program signed by the old one")
endif()
if(NOT first STREQUAL second)
  message(FATAL_ERROR "two builds of the same sources differ: ${first} and ${second}")
endif()
if(signed STREQUAL second)
  message(FATAL_ERROR "the second build kept its program unsigned")
endif()
message(STATUS "byte-identical: ${first}")
