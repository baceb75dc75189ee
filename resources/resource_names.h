/* The names of the embedded resources, read by the resource script and by the code. They are
   names, not numbers: the program and its tests find every resource by its name. So each
   macro stands for a bare word, which the resource compilers (windres, rc) take as a name,
   and which the code spells as a wide string. */
#ifndef MERVANE_RESOURCE_NAMES_H
#define MERVANE_RESOURCE_NAMES_H

#define RESOURCE_ICON MAINICON
#define RESOURCE_LOGO LOGO
#define RESOURCE_BANNER BANNER
#define RESOURCE_CLOSE_GLYPH CLOSEGLYPH
/* The files the installation writes, of a type of their own. */
#define RESOURCE_FILE_TYPE EXEFILE
#define RESOURCE_EXPERT EXPERT
#define RESOURCE_LINK LINK
/* Raw data (RCDATA). */
#define RESOURCE_EULA_EN EULA_EN
#define RESOURCE_EULA_DE EULA_DE
#define RESOURCE_EULA_RU EULA_RU
#define RESOURCE_WAIT_ANIMATION GIF_PROGRESS

#ifndef RC_INVOKED
#define RESOURCE_WIDE_(text) L##text
#define RESOURCE_WIDE(text) RESOURCE_WIDE_(text)
#define RESOURCE_QUOTED_(word) #word
#define RESOURCE_QUOTED(word) RESOURCE_QUOTED_(word)
/* A resource's name as the code passes it: RESOURCE_STRING(RESOURCE_EXPERT) is L"EXPERT". */
#define RESOURCE_STRING(name) RESOURCE_WIDE(RESOURCE_QUOTED(name))
#ifdef __cplusplus
/* The agreements in the text table's order of languages: English, German, Russian. */
inline constexpr const wchar_t* kAgreementResources[] = {RESOURCE_STRING(RESOURCE_EULA_EN),
                                                         RESOURCE_STRING(RESOURCE_EULA_DE),
                                                         RESOURCE_STRING(RESOURCE_EULA_RU)};
#endif
#endif

#endif
