# Signs a Windows executable with Authenticode, in place, and verifies the signature.
# With a key file:
#   cmake -DFILE=<exe> -DCERT=<certificate, PEM> -DKEY=<private key, PEM> [-DPASSWORD=<key password>] ...
# With a signing command of one's own (a hardware token, a cloud signing service), which
# signs {file} in place, or writes the signed program to {signed} where its line names that;
# the build gives it in a file, where it may hold any character (a PKCS#11 URI's semicolons):
#   cmake -DFILE=<exe> "-DSIGN_COMMAND=<command line>" | -DSIGN_COMMAND_FILE=<file holding it> ...
# and either way: -DNAME=<description shown with the signature> [-DURL=<address shown with it>] [-DTIMESTAMP_URL=<RFC 3161 server>]
#   [-DCA_FILE=<roots, PEM, that the signature and the timestamp must chain to>] -P sign.cmake
# With the key file the timestamp is added while signing; after a command, unless the
# command added one. Without CA_FILE, osslsigncode's default roots are trusted.
find_program(OSSLSIGNCODE osslsigncode REQUIRED)

if(SIGN_COMMAND_FILE)
  file(READ ${SIGN_COMMAND_FILE} SIGN_COMMAND)
  string(STRIP "${SIGN_COMMAND}" SIGN_COMMAND)
endif()
if(SIGN_COMMAND)
  if(NOT SIGN_COMMAND MATCHES "{file}")
    message(FATAL_ERROR "the signing command must name the program to sign as {file}")
  endif()
  # A semicolon would split CMake's lists: escaped before the line is split into arguments,
  # and in each argument again.
  string(REPLACE ";" "\\;" escaped "${SIGN_COMMAND}")
  separate_arguments(command NATIVE_COMMAND "${escaped}")
  set(args)
  foreach(argument IN LISTS command)
    string(REPLACE "{file}" "${FILE}" argument "${argument}")
    string(REPLACE "{signed}" "${FILE}.signed" argument "${argument}")
    string(REPLACE ";" "\\;" argument "${argument}")
    list(APPEND args "${argument}")
  endforeach()
  file(REMOVE ${FILE}.signed)
  execute_process(COMMAND ${args} RESULT_VARIABLE failed)
  if(failed)
    file(REMOVE ${FILE}.signed)
    # The command itself is not repeated: it may hold a token's PIN.
    message(FATAL_ERROR "the signing command failed (${failed})")
  endif()
  if(SIGN_COMMAND MATCHES "{signed}")
    file(RENAME ${FILE}.signed ${FILE})
  endif()
else()
  set(options -certs ${CERT} -key ${KEY})
  if(NOT "${PASSWORD}" STREQUAL "")  # any text, also one CMake reads as false
    list(APPEND options -pass "${PASSWORD}")
  endif()
  if(URL)
    list(APPEND options -i ${URL})
  endif()
  if(TIMESTAMP_URL)
    list(APPEND options -ts ${TIMESTAMP_URL})
  endif()
  execute_process(
    COMMAND ${OSSLSIGNCODE} sign ${options} -h sha256 -n "${NAME}" -in ${FILE} -out ${FILE}.signed
    RESULT_VARIABLE failed OUTPUT_QUIET)
  if(failed)
    file(REMOVE ${FILE}.signed)
    message(FATAL_ERROR "signing ${FILE} failed")
  endif()
  file(RENAME ${FILE}.signed ${FILE})
endif()

# osslsigncode's verify ends with success also when the timestamp does not verify: its lines
# are read.
set(roots)
if(CA_FILE)
  set(roots -CAfile ${CA_FILE} -TSA-CAfile ${CA_FILE})
endif()
macro(verify)
  execute_process(COMMAND ${OSSLSIGNCODE} verify ${roots} -in ${FILE}
                  RESULT_VARIABLE failed OUTPUT_VARIABLE verified ERROR_VARIABLE verified)
endmacro()
verify()
if(TIMESTAMP_URL AND NOT failed AND verified MATCHES "Timestamp is not available")
  execute_process(COMMAND ${OSSLSIGNCODE} add -ts ${TIMESTAMP_URL} -h sha256 -in ${FILE} -out ${FILE}.timestamped
                  RESULT_VARIABLE failed OUTPUT_QUIET)
  if(failed)
    file(REMOVE ${FILE}.timestamped)
    message(FATAL_ERROR "no timestamp from ${TIMESTAMP_URL} for ${FILE}")
  endif()
  file(RENAME ${FILE}.timestamped ${FILE})
  verify()
endif()
if(failed OR NOT verified MATCHES "(^|\n)Signature verification: ok")
  message(FATAL_ERROR "the signature of ${FILE} does not verify:\n${verified}")
endif()
if(verified MATCHES "Timestamp Server Signature verification: failed" OR
   (TIMESTAMP_URL AND NOT verified MATCHES "Timestamp Server Signature verification: ok"))
  message(FATAL_ERROR "the signature of ${FILE} has no timestamp that verifies:\n${verified}")
endif()
if(verified MATCHES "verification: failed")
  message(FATAL_ERROR "the signature of ${FILE} does not verify:\n${verified}")
endif()
if(NOT TIMESTAMP_URL AND verified MATCHES "Timestamp is not available")
  message(WARNING "${FILE} is signed without a timestamp: the signature stops being trusted when the "
                  "certificate expires (MERVANE_SIGN_TIMESTAMP_URL)")
endif()
