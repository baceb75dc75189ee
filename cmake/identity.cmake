# Who the program says it is, set once: a vendor's rebuild gives its own values, and every
# place that names the product (version resource, manifest, signature, window, log, status
# file, Apps & Features entry, detection values) takes them from here. Read before project():
# the version is the project's.
set(MERVANE_PRODUCT_NAME "Mervane 4" CACHE STRING
    "The product's name: Apps & Features, the program folder, the window and the log")
set(MERVANE_PUBLISHER "Mervane" CACHE STRING "The publisher: version resource, Apps & Features, the registry key")
set(MERVANE_VERSION "1.0.0" CACHE STRING "The program's version, x.y.z")
set(MERVANE_EXPERT_FILE_NAME "Mervane 4.ex4" CACHE STRING "The file name the expert is installed under")
set(MERVANE_SHORTCUT_FILE_NAME "Mervane 4 User Guide.url" CACHE STRING "The desktop shortcut's file name")
set(MERVANE_INSTANCE_NAME "Quorvel_Installer" CACHE STRING
    "The single-instance guard's name: one vendor's setup never waits for another's")
set(MERVANE_USER_GUIDE_URL "https://example.com/mervane-4/user-guide/" CACHE STRING
    "Address of the online user guide (https): the desktop shortcut and Finish open it")

# Each refusal is one line that names the setting, short enough that CMake does not wrap it;
# the value stays out of it.
function(mervane_refuse setting why)
  message(FATAL_ERROR "${setting} ${why}")
endfunction()

# What Windows takes as a file name (and as a registry key's name): no control character, none
# of <>:"/\|?*, no trailing dot or blank, no device name.
function(mervane_check_file_name setting)
  set(name "${${setting}}")
  if(name STREQUAL "" OR name MATCHES "[<>:\"/\\|?*]" OR name MATCHES "[. ]$")
    mervane_refuse(${setting} "is not a valid Windows file name")
  endif()
  foreach(code RANGE 1 31)
    string(ASCII ${code} control)
    string(FIND "${name}" "${control}" at)
    if(NOT at EQUAL -1)
      mervane_refuse(${setting} "is not a valid Windows file name")
    endif()
  endforeach()
  string(TOLOWER "${name}" lower)
  if(lower MATCHES "^(con|prn|aux|nul|com[1-9]|lpt[1-9])( *\\.|$)")
    mervane_refuse(${setting} "is a device name, not a file name")
  endif()
endfunction()

if(NOT MERVANE_VERSION MATCHES "^(0|[1-9][0-9]*)\\.(0|[1-9][0-9]*)\\.(0|[1-9][0-9]*)$"
   OR CMAKE_MATCH_1 GREATER 65535 OR CMAKE_MATCH_2 GREATER 65535 OR CMAKE_MATCH_3 GREATER 65535)
  mervane_refuse(MERVANE_VERSION "must be x.y.z, three numbers up to 65535")
endif()
foreach(setting MERVANE_PRODUCT_NAME MERVANE_PUBLISHER MERVANE_EXPERT_FILE_NAME MERVANE_SHORTCUT_FILE_NAME)
  mervane_check_file_name(${setting})
endforeach()
if(NOT MERVANE_EXPERT_FILE_NAME MATCHES "^.+\\.ex4$")
  mervane_refuse(MERVANE_EXPERT_FILE_NAME "must end in .ex4, a compiled expert")
endif()
if(NOT MERVANE_SHORTCUT_FILE_NAME MATCHES "^.+\\.url$")
  mervane_refuse(MERVANE_SHORTCUT_FILE_NAME "must end in .url")
endif()
# A backslash would name another namespace ("Global\...") or no object at all.
string(LENGTH "${MERVANE_INSTANCE_NAME}" instance_length)
if(instance_length EQUAL 0 OR instance_length GREATER 200 OR MERVANE_INSTANCE_NAME MATCHES "[\\\"]")
  mervane_refuse(MERVANE_INSTANCE_NAME "must not hold a backslash or quote")
endif()
if(NOT MERVANE_USER_GUIDE_URL MATCHES "^https://[^/ \"\\]+(/[!-~]*)?$" OR MERVANE_USER_GUIDE_URL MATCHES "[ \"\\]")
  mervane_refuse(MERVANE_USER_GUIDE_URL "must be https:// without blanks or quotes")
endif()

# The manifest's assembly name takes letters, digits and dots only.
string(REGEX REPLACE "[^A-Za-z0-9]" "" MERVANE_ASSEMBLY_PUBLISHER "${MERVANE_PUBLISHER}")
string(REGEX REPLACE "[^A-Za-z0-9]" "" MERVANE_ASSEMBLY_PRODUCT "${MERVANE_PRODUCT_NAME}")
if(MERVANE_ASSEMBLY_PUBLISHER STREQUAL "")
  set(MERVANE_ASSEMBLY_PUBLISHER "Vendor")
endif()
set(MERVANE_ASSEMBLY_NAME "${MERVANE_ASSEMBLY_PUBLISHER}.${MERVANE_ASSEMBLY_PRODUCT}Setup")
# The manifest is XML; of the characters XML escapes only these pass the file-name rule.
string(REPLACE "&" "&amp;" MERVANE_PRODUCT_NAME_XML "${MERVANE_PRODUCT_NAME}")
string(REPLACE "'" "&apos;" MERVANE_PRODUCT_NAME_XML "${MERVANE_PRODUCT_NAME_XML}")
