cmake_minimum_required(VERSION 3.20)
# Signs copies of the program through the build's own signing step, with throw-away
# certificates and a timestamp authority on the loopback interface, then verifies each:
# with the key file, with an encrypted key whose password is in a file of its owner's alone
# (and refused in one that others may read), with a signing command that leaves the timestamp
# to the build, and with one that adds its own.
# cmake -DEXE=<program> -DWORK=<scratch folder> -DSIGN=<sign.cmake> -DPYTHON=<python3>
#       -DTSA=<local_tsa.py> -P check_signing.cmake
find_program(OPENSSL openssl REQUIRED)
# Only what each step sets below: not a vendor's signing settings from the calling shell.
foreach(secret MERVANE_SIGN_COMMAND MERVANE_SIGN_PASSWORD MERVANE_SIGN_PASSWORD_FILE)
  unset(ENV{${secret}})
endforeach()
find_program(OSSLSIGNCODE osslsigncode REQUIRED)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(failed)
    message(FATAL_ERROR "${ARGN}:\n${out}")
  endif()
endfunction()
# The signer's certificate, self-signed; a root, and the timestamp authority's certificate
# that it issues.
run(${OPENSSL} req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Mervane test signer"
    -keyout ${WORK}/key.pem -out ${WORK}/cert.pem)
run(${OPENSSL} req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Mervane test root"
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign"
    -keyout ${WORK}/root.key -out ${WORK}/root.pem)
run(${OPENSSL} req -newkey rsa:2048 -nodes -subj "/CN=Mervane test timestamps" -keyout ${WORK}/tsa.key
    -out ${WORK}/tsa.csr)
file(WRITE ${WORK}/tsa.ext "keyUsage=critical,digitalSignature\nextendedKeyUsage=critical,timeStamping\n")
run(${OPENSSL} x509 -req -in ${WORK}/tsa.csr -CA ${WORK}/root.pem -CAkey ${WORK}/root.key -set_serial 2
    -days 2 -extfile ${WORK}/tsa.ext -out ${WORK}/tsa.pem)
file(WRITE ${WORK}/tsa.cnf "[tsa]\ndefault_tsa = test\n[test]\nserial = ${WORK}/serial\n"
     "signer_cert = ${WORK}/tsa.pem\ncerts = ${WORK}/root.pem\nsigner_key = ${WORK}/tsa.key\n"
     "signer_digest = sha256\ndefault_policy = 1.2.3.4.1\ndigests = sha256\ness_cert_id_alg = sha256\n")
file(WRITE ${WORK}/serial "01\n")
file(READ ${WORK}/cert.pem signer)
file(READ ${WORK}/root.pem root)
file(WRITE ${WORK}/roots.pem "${signer}${root}")

get_filename_component(name ${EXE} NAME)
# sign(<copy> <sign.cmake's -D options...>): a copy signed through the build's signing step,
# with {tsa} standing for the local timestamp authority's address; 1 in `failed` if it fails.
function(sign copy)
  configure_file(${EXE} ${WORK}/${copy} COPYONLY)
  execute_process(COMMAND ${PYTHON} ${TSA} ${OPENSSL} ${WORK}/tsa.cnf --
                          ${CMAKE_COMMAND} -DFILE=${WORK}/${copy} ${ARGN} -P ${SIGN}
                  RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
  set(failed ${failed} PARENT_SCOPE)
  set(out "${out}" PARENT_SCOPE)
endfunction()
# verified(<copy> [TIMESTAMPED]): checked apart from the signing step's own checks.
function(verified copy)
  execute_process(COMMAND ${OSSLSIGNCODE} verify -CAfile ${WORK}/cert.pem -TSA-CAfile ${WORK}/root.pem
                          -in ${WORK}/${copy}
                  RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(failed OR (ARGN AND NOT out MATCHES "Timestamp Server Signature verification: ok"))
    message(FATAL_ERROR "${copy}: the signature or its timestamp does not verify:\n${out}")
  endif()
endfunction()

sign(plain.exe -DCERT=${WORK}/cert.pem -DKEY=${WORK}/key.pem -DURL=https://example.com/ -DCA_FILE=${WORK}/cert.pem)
if(failed)
  message(FATAL_ERROR "the signing step failed:\n${out}")
endif()
verified(plain.exe)

# The key encrypted, its password (blanks, a semicolon) in a file that only its owner may read.
unset(ENV{MERVANE_SIGN_PASSWORD})
set(password_file ${WORK}/password)
file(WRITE ${password_file} "pass word; 1\n")
file(CHMOD ${password_file} FILE_PERMISSIONS OWNER_READ OWNER_WRITE)
run(${OPENSSL} pkey -in ${WORK}/key.pem -aes256 -passout file:${password_file} -out ${WORK}/encrypted.pem)
set(ENV{MERVANE_SIGN_PASSWORD_FILE} ${password_file})
sign(encrypted.exe -DCERT=${WORK}/cert.pem -DKEY=${WORK}/encrypted.pem -DCA_FILE=${WORK}/cert.pem)
if(failed)
  message(FATAL_ERROR "the signing step with an encrypted key failed:\n${out}")
endif()
verified(encrypted.exe)
file(CHMOD ${password_file} FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
sign(readable.exe -DCERT=${WORK}/cert.pem -DKEY=${WORK}/encrypted.pem -DCA_FILE=${WORK}/cert.pem)
if(NOT failed OR NOT out MATCHES "only its owner")
  message(FATAL_ERROR "a password file that others may read was used:\n${out}")
endif()
unset(ENV{MERVANE_SIGN_PASSWORD_FILE})

# A signing command that writes the signed program elsewhere and adds no timestamp: the
# build adds it.
set(standin "\"${OSSLSIGNCODE}\" sign -certs \"${WORK}/cert.pem\" -key \"${WORK}/key.pem\" -h sha256 -in {file} -out {signed}")
set(ENV{MERVANE_SIGN_COMMAND} "${standin}")
set(command_args -DTIMESTAMP_URL={tsa})
sign(command.exe ${command_args} -DCA_FILE=${WORK}/roots.pem)
if(failed)
  message(FATAL_ERROR "the signing step with a command failed:\n${out}")
endif()
verified(command.exe TIMESTAMPED)
# ... and refuses a timestamp whose authority the given roots do not know.
sign(untrusted.exe ${command_args} -DCA_FILE=${WORK}/cert.pem)
if(NOT failed OR NOT out MATCHES "has[ \n]+no[ \n]+timestamp")
  message(FATAL_ERROR "a timestamp from an unknown authority was taken:\n${out}")
endif()

# A command that signs in place and adds its own timestamp (here the key-file signing itself):
# the build asks no server, which would fail here, for another.
set(standin "\"${CMAKE_COMMAND}\" -DFILE={file} \"-DCERT=${WORK}/cert.pem\" \"-DKEY=${WORK}/key.pem\" -DTIMESTAMP_URL={tsa} \"-DCA_FILE=${WORK}/roots.pem\" -P \"${SIGN}\"")
set(ENV{MERVANE_SIGN_COMMAND} "${standin}")
sign(timestamped.exe -DTIMESTAMP_URL=http://127.0.0.1:9/ -DCA_FILE=${WORK}/roots.pem)
if(failed)
  message(FATAL_ERROR "the signing step with a command that timestamps failed:\n${out}")
endif()
verified(timestamped.exe TIMESTAMPED)
message(STATUS "signed and verified, with and without a timestamp: ${name}")
