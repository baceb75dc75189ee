cmake_minimum_required(VERSION 3.20)
# Builds the program a second time from scratch, in another folder, and compares the bytes.
# The second build signs with a signing command and a throw-away certificate: the unsigned
# program it keeps must be the first build's. The command's line holds blanks and a
# semicolon, which must reach it whole. Then it signs with the key file and its password, and
# no PIN or password of either may be left in any file of the build folder.
# cmake -DSOURCE=<source dir> -DTOOLCHAIN=<toolchain file> -DEXE=<first build's unsigned program>
#       -DWORK=<scratch build folder> -P check_reproducible.cmake
find_program(OPENSSL openssl REQUIRED)
find_program(OSSLSIGNCODE osslsigncode REQUIRED)
foreach(secret MERVANE_SIGN_COMMAND MERVANE_SIGN_PASSWORD MERVANE_SIGN_PASSWORD_FILE)
  unset(ENV{${secret}})
endforeach()
set(build ${WORK}/build)
set(keys ${WORK}/keys)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${keys})
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(failed)
    file(REMOVE_RECURSE ${WORK})
    message(FATAL_ERROR "${ARGN}:\n${out}")
  endif()
endfunction()
# The key, and two copies encrypted: one unlocked by a token's PIN in the signing command,
# one by a password in the environment. Each holds a semicolon; neither may be left in the
# build folder.
set(pin "Pin;4711-token")
set(password "Pass word;0815-key")
run(${OPENSSL} req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Mervane test signer"
    -keyout ${keys}/key.pem -out ${keys}/cert.pem)
foreach(secret pin password)
  set(ENV{MERVANE_TEST_SECRET} "${${secret}}")
  run(${OPENSSL} pkey -in ${keys}/key.pem -aes256 -passout env:MERVANE_TEST_SECRET -out ${keys}/${secret}.pem)
endforeach()
unset(ENV{MERVANE_TEST_SECRET})

set(signer "\"${OSSLSIGNCODE}\" sign -certs \"${keys}/cert.pem\" -key \"${keys}/pin.pem\" -pass '${pin}' -h sha256 -n \"Mervane 4; test\" -in {file} -out {signed}")
set(ENV{MERVANE_SIGN_COMMAND} "${signer}")
run(${CMAKE_COMMAND} -S ${SOURCE} -B ${build} -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN} -DMERVANE_BUILD_TESTS=OFF
    -DMERVANE_SIGN_CA_FILE=${keys}/cert.pem)
run(${CMAKE_COMMAND} --build ${build} --target Mervane4Setup -j 2)
file(SHA256 ${EXE} first)
file(SHA256 ${build}/unsigned/Mervane4Setup.exe second)
file(SHA256 ${build}/bin/Mervane4Setup.exe signed)
# Another signing command in the same build folder signs the program again.
string(REPLACE "; test" "; again" resigner "${signer}")
set(ENV{MERVANE_SIGN_COMMAND} "${resigner}")
run(${CMAKE_COMMAND} --build ${build} --target Mervane4Setup)
file(SHA256 ${build}/bin/Mervane4Setup.exe resigned)
# The key file, its password in the environment; then a password given to the cache is
# refused and taken out of it.
unset(ENV{MERVANE_SIGN_COMMAND})
set(ENV{MERVANE_SIGN_PASSWORD} "${password}")
run(${CMAKE_COMMAND} -S ${SOURCE} -B ${build} -DMERVANE_SIGN_CERT=${keys}/cert.pem -DMERVANE_SIGN_KEY=${keys}/password.pem)
run(${CMAKE_COMMAND} --build ${build} --target Mervane4Setup)
file(SHA256 ${build}/bin/Mervane4Setup.exe signed_with_key)
unset(ENV{MERVANE_SIGN_PASSWORD})
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${build} "-DMERVANE_SIGN_PASSWORD=${password}"
                RESULT_VARIABLE cached OUTPUT_QUIET ERROR_QUIET)
execute_process(COMMAND grep -rlF -e "${pin}" -e "${password}" ${build} OUTPUT_VARIABLE holders)
file(REMOVE_RECURSE ${WORK})
if(NOT cached)
  message(FATAL_ERROR "a password given to the cache was taken")
endif()
if(holders)
  message(FATAL_ERROR "the signing PIN or password was left in the build folder:\n${holders}")
endif()
if(signed_with_key STREQUAL resigned)
  message(FATAL_ERROR "the key file left the program as the command had signed it")
endif()
if(resigned STREQUAL signed)
  message(FATAL_ERROR "a changed MERVANE_SIGN_COMMAND left the program signed by the old one")
endif()
if(NOT first STREQUAL second)
  message(FATAL_ERROR "two builds of the same sources differ: ${first} and ${second}")
endif()
if(signed STREQUAL second)
  message(FATAL_ERROR "the second build kept its program unsigned")
endif()
message(STATUS "byte-identical: ${first}; signed with secrets from the environment alone")
