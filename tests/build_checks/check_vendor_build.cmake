cmake_minimum_required(VERSION 3.20)
# A vendor's rebuild: every identity setting changed, in a build folder of its own. Bad values
# stop the configuration with one line that names the setting; the vendor's program, signed
# with a throw-away key, carries its own name in the signature, and its run under Wine
# (VendorBuild.* of the silent-run tests) checks every other place the values reach.
# cmake -DSOURCE=<source dir> -DTOOLCHAIN=<toolchain file> -DWORK=<scratch build folder>
#       -DTESTS=<unattended_tests.exe> -DEMULATOR=<runs a Windows program> -P check_vendor_build.cmake
find_program(OPENSSL openssl REQUIRED)
find_program(OSSLSIGNCODE osslsigncode REQUIRED)
if("${WORK}" STREQUAL "" OR "${SOURCE}" STREQUAL "")
  message(FATAL_ERROR "WORK and SOURCE must be given")
endif()
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/refused ${WORK}/keys)

# Refused before the compilers are even looked for: each in a fresh folder, fast.
set(refusals
  "MERVANE_VERSION=1.2" "MERVANE_VERSION=1.2.65536" "MERVANE_VERSION=01.2.3"
  "MERVANE_PRODUCT_NAME=Vendor|Expert" "MERVANE_PUBLISHER=Ven:dor" "MERVANE_PRODUCT_NAME=Vendor Expert."
  "MERVANE_EXPERT_FILE_NAME=CON.ex4" "MERVANE_EXPERT_FILE_NAME=Vendor Expert.mq4"
  "MERVANE_SHORTCUT_FILE_NAME=Guide?.url" "MERVANE_INSTANCE_NAME=Global\\Vendor"
  "MERVANE_USER_GUIDE_URL=http://www.example.org/" "MERVANE_USER_GUIDE_URL=https://www.example.org/a b")
foreach(refusal IN LISTS refusals)
  string(REGEX MATCH "^[A-Z_]+" setting "${refusal}")
  file(REMOVE_RECURSE ${WORK}/refused)
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK}/refused "-D${refusal}"
                  RESULT_VARIABLE failed OUTPUT_QUIET ERROR_VARIABLE said)
  # CMake frames the message ("CMake Error at ...", the call stack); the message is one line.
  if(NOT failed OR NOT said MATCHES "\\(message\\):\n  ${setting} [^\n]*\n(\n|Call Stack)")
    message(FATAL_ERROR "-D${refusal}: not refused in one line naming ${setting}:\n${said}")
  endif()
endforeach()

execute_process(
  COMMAND ${OPENSSL} req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Vendor test signer"
          -keyout ${WORK}/keys/key.pem -out ${WORK}/keys/cert.pem
  RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
file(WRITE ${WORK}/expert.ex4 "The vendor's own expert, not the placeholder.\r\n")
if(NOT failed)
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK}/build -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}
                          -DMERVANE_BUILD_TESTS=OFF -DMERVANE_EXPERT_FILE=${WORK}/expert.ex4
                          "-DMERVANE_EXPERT_FILE_NAME=Vendor Expert.ex4" "-DMERVANE_PRODUCT_NAME=Vendor Expert"
                          -DMERVANE_PUBLISHER=Vendor -DMERVANE_VERSION=2.3.4
                          "-DMERVANE_SHORTCUT_FILE_NAME=Vendor Expert Guide.url"
                          -DMERVANE_INSTANCE_NAME=Vendor_Expert_Setup
                          -DMERVANE_USER_GUIDE_URL=https://www.example.org/vendor/guide/
                          -DMERVANE_SIGN_CERT=${WORK}/keys/cert.pem -DMERVANE_SIGN_KEY=${WORK}/keys/key.pem
                          -DMERVANE_SIGN_CA_FILE=${WORK}/keys/cert.pem
                  RESULT_VARIABLE failed OUTPUT_QUIET)
endif()
if(NOT failed)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK}/build --target Mervane4Setup -j 2
                  RESULT_VARIABLE failed OUTPUT_QUIET)
endif()
if(failed)
  message(FATAL_ERROR "the vendor's build failed")
endif()

# The signature's description, as the elevation prompt shows it.
set(program ${WORK}/build/bin/Mervane4Setup.exe)
execute_process(COMMAND ${OSSLSIGNCODE} extract-signature -in ${program} -out ${WORK}/signature.der
                RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
file(READ ${WORK}/signature.der signature HEX)
string(HEX "Vendor Expert Setup" description)
if(failed OR NOT signature MATCHES "${description}")
  message(FATAL_ERROR "the vendor's signature does not describe the program as \"Vendor Expert Setup\"")
endif()

string(REPLACE "/" "\\" native "Z:${program}")
execute_process(COMMAND ${CMAKE_COMMAND} -E env "MERVANE_VENDOR_PROGRAM=${native}"
                        ${EMULATOR} ${TESTS} --gtest_filter=VendorBuild.*
                RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(failed OR NOT out MATCHES "\\[  PASSED  \\] 1 test")
  message(FATAL_ERROR "the vendor's program under Wine:\n${out}")
endif()
file(REMOVE_RECURSE ${WORK})
