# Every embedded resource is made by this repository at build time.
set(RESOURCE_SOURCE_DIR ${CMAKE_SOURCE_DIR}/resources)
set(RESOURCE_BINARY_DIR ${CMAKE_BINARY_DIR}/resources)
file(MAKE_DIRECTORY ${RESOURCE_BINARY_DIR} ${RESOURCE_BINARY_DIR}/texts)
set(MAKE_RESOURCES ${Python3_EXECUTABLE} ${RESOURCE_SOURCE_DIR}/make_resources.py)
set(MAKE_RESOURCES_DEPENDS ${RESOURCE_SOURCE_DIR}/make_resources.py)

set(generated)
# The bitmaps and the agreements are stored compressed: the program expands them with ntdll.
foreach(picture logo banner close)
  add_custom_command(OUTPUT ${RESOURCE_BINARY_DIR}/${picture}.dib.lznt1
    COMMAND ${MAKE_RESOURCES} ${picture} ${RESOURCE_BINARY_DIR}/${picture}.dib.lznt1
    DEPENDS ${MAKE_RESOURCES_DEPENDS} VERBATIM)
  list(APPEND generated ${RESOURCE_BINARY_DIR}/${picture}.dib.lznt1)
endforeach()

add_custom_command(OUTPUT ${RESOURCE_BINARY_DIR}/mainicon.ico
  COMMAND ${MAKE_RESOURCES} icon ${RESOURCE_BINARY_DIR}/mainicon.ico
  DEPENDS ${MAKE_RESOURCES_DEPENDS} VERBATIM)
add_custom_command(OUTPUT ${RESOURCE_BINARY_DIR}/progress.gif
  COMMAND ${MAKE_RESOURCES} gif ${RESOURCE_BINARY_DIR}/progress.gif
  DEPENDS ${MAKE_RESOURCES_DEPENDS} VERBATIM)
add_custom_command(
  OUTPUT ${RESOURCE_BINARY_DIR}/user-guide.url ${RESOURCE_BINARY_DIR}/user_guide_address.h
  COMMAND ${MAKE_RESOURCES} link ${RESOURCE_BINARY_DIR}/user-guide.url
          ${RESOURCE_BINARY_DIR}/user_guide_address.h ${MERVANE_USER_GUIDE_URL}
  DEPENDS ${MAKE_RESOURCES_DEPENDS} VERBATIM)
# The manifest with the product's identity, then without the blanks between its elements.
configure_file(${RESOURCE_SOURCE_DIR}/Mervane4Setup.manifest.in ${RESOURCE_BINARY_DIR}/Mervane4Setup.full.manifest @ONLY)
add_custom_command(OUTPUT ${RESOURCE_BINARY_DIR}/Mervane4Setup.manifest
  COMMAND ${MAKE_RESOURCES} manifest ${RESOURCE_BINARY_DIR}/Mervane4Setup.manifest
          ${RESOURCE_BINARY_DIR}/Mervane4Setup.full.manifest
  DEPENDS ${MAKE_RESOURCES_DEPENDS} ${RESOURCE_BINARY_DIR}/Mervane4Setup.full.manifest VERBATIM)
list(APPEND generated ${RESOURCE_BINARY_DIR}/Mervane4Setup.manifest ${RESOURCE_BINARY_DIR}/mainicon.ico ${RESOURCE_BINARY_DIR}/progress.gif
     ${RESOURCE_BINARY_DIR}/user-guide.url ${RESOURCE_BINARY_DIR}/user_guide_address.h)

# The texts the program shows and its command-line summary, compressed into the program's
# code (the tests link them too).
add_custom_command(OUTPUT ${RESOURCE_BINARY_DIR}/texts/packed_texts.h
  COMMAND ${MAKE_RESOURCES} texts ${RESOURCE_BINARY_DIR}/texts/packed_texts.h ${RESOURCE_SOURCE_DIR}/texts.json
  DEPENDS ${MAKE_RESOURCES_DEPENDS} ${RESOURCE_SOURCE_DIR}/texts.json VERBATIM)
add_custom_command(OUTPUT ${RESOURCE_BINARY_DIR}/packed_usage.h
  COMMAND ${MAKE_RESOURCES} usage ${RESOURCE_BINARY_DIR}/packed_usage.h ${RESOURCE_SOURCE_DIR}/usage.txt
  DEPENDS ${MAKE_RESOURCES_DEPENDS} ${RESOURCE_SOURCE_DIR}/usage.txt VERBATIM)
list(APPEND generated ${RESOURCE_BINARY_DIR}/texts/packed_texts.h ${RESOURCE_BINARY_DIR}/packed_usage.h)

foreach(language en de ru)
  string(TOUPPER ${language} upper)
  if(language STREQUAL "ru")
    set(encoding utf-16le)
  else()
    set(encoding cp1252)
  endif()
  add_custom_command(OUTPUT ${RESOURCE_BINARY_DIR}/eula_${language}.txt.lznt1
    COMMAND ${MAKE_RESOURCES} agreement ${RESOURCE_BINARY_DIR}/eula_${language}.txt.lznt1
            ${MERVANE_EULA_${upper}} ${encoding}
    DEPENDS ${MAKE_RESOURCES_DEPENDS} ${MERVANE_EULA_${upper}} VERBATIM)
  list(APPEND generated ${RESOURCE_BINARY_DIR}/eula_${language}.txt.lznt1)
endforeach()

if(MERVANE_EXPERT_FILE)
  if(NOT EXISTS "${MERVANE_EXPERT_FILE}")
    message(FATAL_ERROR "MERVANE_EXPERT_FILE names no file: ${MERVANE_EXPERT_FILE}")
  endif()
  set(MERVANE_EXPERT_RESOURCE ${MERVANE_EXPERT_FILE})
  file(SIZE "${MERVANE_EXPERT_FILE}" MERVANE_EXPERT_SIZE)
else()
  set(MERVANE_EXPERT_SIZE 185960)
  set(MERVANE_EXPERT_RESOURCE ${RESOURCE_BINARY_DIR}/expert-placeholder.ex4)
  add_custom_command(OUTPUT ${MERVANE_EXPERT_RESOURCE}
    COMMAND ${MAKE_RESOURCES} expert ${MERVANE_EXPERT_RESOURCE} 185960
    DEPENDS ${MAKE_RESOURCES_DEPENDS} VERBATIM)
  list(APPEND generated ${MERVANE_EXPERT_RESOURCE})
endif()

string(REGEX REPLACE "\\.ex4$" "" MERVANE_EXPERT_ITEM_NAME "${MERVANE_EXPERT_FILE_NAME}")
configure_file(${RESOURCE_SOURCE_DIR}/product_identity.h.in ${RESOURCE_BINARY_DIR}/product_identity.h @ONLY)
set(RESOURCE_SCRIPT ${RESOURCE_BINARY_DIR}/Mervane4Setup.rc)
configure_file(${RESOURCE_SOURCE_DIR}/Mervane4Setup.rc.in ${RESOURCE_SCRIPT} @ONLY)
set_source_files_properties(${RESOURCE_SCRIPT} PROPERTIES
  OBJECT_DEPENDS "${generated};${RESOURCE_SOURCE_DIR}/resource_names.h")
add_custom_target(mervane_resources DEPENDS ${generated})
