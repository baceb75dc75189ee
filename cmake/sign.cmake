# Signs a Windows executable with Authenticode, in place, and verifies the signature.
#   cmake -DFILE=<exe> [-DCERT=<certificate, PEM> -DKEY=<private key, PEM>] [-DNAME=<program name>]
#         [-DURL=<address shown with the signature>] [-DTIMESTAMP_URL=<RFC 3161 server>]
#         [-DCA_FILE=<roots, PEM, that the signature and the timestamp must chain to>] -P sign.cmake
# Secrets come from the environment, never from a command line (the process list shows it) or
# a file of the build: with the key files, the key's password from MERVANE_SIGN_PASSWORD, or
# from a file that only its owner may read, named by MERVANE_SIGN_PASSWORD_FILE. Without them,
# the vendor's own signing command (a hardware token, a cloud signing service; it may hold a
# PIN) from MERVANE_SIGN_COMMAND: it signs {file} in place, or writes the signed program to
# {signed} where its line names that.
# With the key file the timestamp is added while signing; after a command, unless the
# command added one. Without CA_FILE, osslsigncode's default roots are trusted.
#   cmake -DRECORD=<file> -P sign.cmake
# keeps a digest of the signing command in <file>, rewritten only when the command changes, so
# that a new command signs again; the file's folder is made readable by its owner alone, since
# a PIN of a few digits is found again from a digest by trying them all.
if(RECORD)
  if("$ENV{MERVANE_SIGN_COMMAND}" STREQUAL "")
    message(FATAL_ERROR "this build signs with the command in MERVANE_SIGN_COMMAND, which its environment lacks")
  endif()
  get_filename_component(folder ${RECORD} DIRECTORY)
  file(MAKE_DIRECTORY ${folder})
  file(CHMOD ${folder} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  string(SHA256 digest "$ENV{MERVANE_SIGN_COMMAND}")
  file(WRITE ${RECORD}.new "${digest}\n")
  configure_file(${RECORD}.new ${RECORD} COPYONLY)
  return()
endif()

find_program(OSSLSIGNCODE osslsigncode REQUIRED)
if(NOT NAME)
  set(NAME "Mervane 4 Setup")
endif()

if(NOT CERT)
  set(SIGN_COMMAND "$ENV{MERVANE_SIGN_COMMAND}")
  if(SIGN_COMMAND STREQUAL "")
    message(FATAL_ERROR "nothing to sign with: give the key files, or the signing command in MERVANE_SIGN_COMMAND")
  endif()
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
  # The password reaches osslsigncode in a file: one of the vendor's, which no one else may
  # read, or one written for the call in a folder of the build's owner alone.
  set(private ${FILE}.password)
  file(REMOVE_RECURSE ${private})
  if(NOT "$ENV{MERVANE_SIGN_PASSWORD_FILE}" STREQUAL "")
    set(password_file "$ENV{MERVANE_SIGN_PASSWORD_FILE}")
    if(CMAKE_HOST_UNIX)
      execute_process(COMMAND stat -L -c %a "${password_file}" RESULT_VARIABLE failed
                      OUTPUT_VARIABLE mode OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
      if(failed OR NOT mode MATCHES "00$")
        message(FATAL_ERROR "MERVANE_SIGN_PASSWORD_FILE must name a file that only its owner may read "
                            "(mode 0600): ${password_file}")
      endif()
    endif()
    list(APPEND options -readpass "${password_file}")
  elseif(NOT "$ENV{MERVANE_SIGN_PASSWORD}" STREQUAL "")
    file(MAKE_DIRECTORY ${private})
    file(CHMOD ${private} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    file(WRITE ${private}/password "$ENV{MERVANE_SIGN_PASSWORD}")
    file(CHMOD ${private}/password FILE_PERMISSIONS OWNER_READ OWNER_WRITE)
    list(APPEND options -readpass ${private}/password)
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
  file(REMOVE_RECURSE ${private})
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
