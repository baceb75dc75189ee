cmake_minimum_required(VERSION 3.20)
# Fails when the program imports a DLL that Windows does not always take from System32, or a
# function that such a DLL only forwards to. Every other DLL must be loaded at run time from
# System32, or a DLL planted beside the elevated installer would run with administrator rights.
#
# A KnownDLL may forward an export to a DLL that is not one, and the loader binds a forward
# when the process starts, searching the program's folder first unless the target is loaded
# already. The export tables of advapi32.dll on Windows 7 to 11 (as `dumpbin /exports` lists
# them) forward SystemFunction036, 040 and 041 to CRYPTBASE.dll and the CryptoAPI functions
# (Crypt*) to CRYPTSP.dll, both favourite planting targets. So ADVAPI32 is allowed only the
# functions below: each is implemented there or forwarded to an API set, which the loader
# resolves to the system's own DLLs. Add a function only after checking that on those systems.
set(allowed kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll ole32.dll
    oleaut32.dll shlwapi.dll comdlg32.dll msvcrt.dll rpcrt4.dll)
set(forwarding advapi32.dll)
set(allowed_advapi32.dll
    DuplicateTokenEx EqualSid GetSidSubAuthority GetSidSubAuthorityCount GetTokenInformation
    OpenProcessToken OpenThreadToken RevertToSelf SetThreadToken
    RegCloseKey RegCreateKeyExW RegDeleteKeyExW RegEnumKeyExW RegEnumValueW RegOpenKeyExW RegQueryInfoKeyW
    RegSetValueExW)
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "objdump could not read ${EXE}")
endif()
string(REGEX MATCH "The Import Tables[^\n]*\n.*" imports "${dump}")
string(REGEX REPLACE "\n(The Export Tables|There is an export table|PE File Base Relocations|The Function Table).*" "" imports "${imports}")
string(REGEX MATCHALL "DLL Name: [^\n]+|\n\t[0-9a-fA-F]+\t +[0-9]+ +[^\n]+" entries "${imports}")
if(NOT entries)
  message(FATAL_ERROR "no import table found in ${EXE}")
endif()
set(bad)
set(dll)
foreach(entry ${entries})
  if(entry MATCHES "^DLL Name: (.+)$")
    string(STRIP "${CMAKE_MATCH_1}" dll)
    string(TOLOWER "${dll}" dll)
    message(STATUS "imports ${dll}")
    if(NOT dll IN_LIST allowed)
      list(APPEND bad ${dll})
    endif()
  elseif(dll IN_LIST forwarding AND entry MATCHES "\t +[0-9]+ +([^ \t]+)")
    if(NOT CMAKE_MATCH_1 IN_LIST allowed_${dll})
      list(APPEND bad "${dll}!${CMAKE_MATCH_1}")
    endif()
  endif()
endforeach()
if(bad)
  message(FATAL_ERROR "imports outside the System32 allow-list: ${bad}")
endif()
