#pragma once
#include <windows.h>

#include <optional>
#include <string>

class TFlatMemo;

// The text of an agreement resource (RCDATA `name` of `module`): by its byte-order mark, or
// else as Windows-1252, which the resources are by definition, whatever the machine's ANSI
// code page. Nothing when there is no such resource or it cannot be decoded.
std::optional<std::wstring> AgreementText(HMODULE module, const wchar_t* name);

// Replaces the memo's lines by that text; without it, the memo keeps what it held.
void LoadAgreementText(TFlatMemo& memo, const wchar_t* name);
