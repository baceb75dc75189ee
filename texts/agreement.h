#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "texts/texts.h"

// The text of an agreement resource (RCDATA `name` of `module`, stored compressed as
// ExpandedResource reads it): by its byte-order mark, or
// else as Windows-1252, which the resources are by definition, whatever the machine's ANSI
// code page. Nothing when there is no such resource or it cannot be decoded.
std::optional<std::wstring> AgreementText(HMODULE module, const wchar_t* name);

// The agreement in `language`, or the English one where that language has none; `names` are
// the agreements' resources, English, German and Russian.
std::optional<std::wstring> AgreementTextIn(HMODULE module, const wchar_t* const (&names)[3], Language language);
