# Signs a Windows executable with Authenticode, in place.
# cmake -DFILE=<exe> -DCERT=<certificate, PEM> -DKEY=<private key, PEM> [-DPASSWORD=<key password>]
#       [-DURL=<address shown with the signature>] -P sign.cmake
find_program(OSSLSIGNCODE osslsigncode REQUIRED)
set(password_args)
if(PASSWORD)
  set(password_args -pass ${PASSWORD})
endif()
set(url_args)
if(URL)
  set(url_args -i ${URL})
endif()
execute_process(
  COMMAND ${OSSLSIGNCODE} sign -certs ${CERT} -key ${KEY} ${password_args} -h sha256
          -n "Mervane 4 Setup" ${url_args} -in ${FILE} -out ${FILE}.signed
  RESULT_VARIABLE failed OUTPUT_QUIET)
if(failed)
  file(REMOVE ${FILE}.signed)
  message(FATAL_ERROR "signing ${FILE} failed")
endif()
file(RENAME ${FILE}.signed ${FILE})
