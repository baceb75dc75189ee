cmake_minimum_required(VERSION 3.20)
# Signs a copy of the program with a throw-away self-signed certificate through the build's
# own signing step, then verifies the signature.
# cmake -DEXE=<program> -DWORK=<scratch folder> -DSIGN=<sign.cmake> -P check_signing.cmake
find_program(OPENSSL openssl REQUIRED)
find_program(OSSLSIGNCODE osslsigncode REQUIRED)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(
  COMMAND ${OPENSSL} req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Mervane test signer"
          -keyout ${WORK}/key.pem -out ${WORK}/cert.pem
  RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
if(failed)
  message(FATAL_ERROR "could not make a test certificate")
endif()
file(COPY ${EXE} DESTINATION ${WORK})
get_filename_component(name ${EXE} NAME)
execute_process(COMMAND ${CMAKE_COMMAND} -DFILE=${WORK}/${name} -DCERT=${WORK}/cert.pem -DKEY=${WORK}/key.pem
                        -DURL=https://example.com/ -P ${SIGN}
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "the signing step failed")
endif()
execute_process(COMMAND ${OSSLSIGNCODE} verify -CAfile ${WORK}/cert.pem -in ${WORK}/${name}
                RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(failed)
  message(FATAL_ERROR "the signature does not verify:\n${out}")
endif()
message(STATUS "signed and verified: ${name}")
