; The peer for size, start-up and memory figures: a conventional installer with the same
; pages and payload, made with NSIS 3 and Modern UI 2 in the same benchmark run.
; makensis -DPAYLOAD=<expert file> -DLICENSE_EN=... -DLICENSE_DE=... -DLICENSE_RU=... -DOUTFILE=... peer.nsi
Unicode true
SetCompressor /SOLID lzma
!include "MUI2.nsh"
Name "Mervane 4"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\MetaTrader 4\MQL4\Experts"
RequestExecutionLevel admin
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE $(License)
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"
!insertmacro MUI_LANGUAGE "Russian"
LicenseLangString License ${LANG_ENGLISH} "${LICENSE_EN}"
LicenseLangString License ${LANG_GERMAN} "${LICENSE_DE}"
LicenseLangString License ${LANG_RUSSIAN} "${LICENSE_RU}"
Section "Expert"
  SetOutPath "$INSTDIR"
  File "/oname=Mervane 4.ex4" "${PAYLOAD}"
SectionEnd
