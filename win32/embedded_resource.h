#pragma once
#include <windows.h>

#include <span>

// The bytes of an embedded resource of `module` (the program itself when null), or an
// empty span when there is none. Resources stay mapped for the module's lifetime.
std::span<const BYTE> EmbeddedResource(HMODULE module, const wchar_t* type, const wchar_t* name);
