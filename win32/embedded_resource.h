#pragma once
#include <windows.h>

#include <span>
#include <vector>

// The bytes of an embedded resource of `module` (the program itself when null), or an
// empty span when there is none. Resources stay mapped for the module's lifetime.
std::span<const BYTE> EmbeddedResource(HMODULE module, const wchar_t* type, const wchar_t* name);

// The bytes of a resource that the build stores compressed (resources/make_resources.py: its
// size, 4 bytes, then LZNT1), expanded with ntdll's decompressor, which Windows 7 and Wine
// both have. Empty when there is no such resource or it does not expand to its size.
std::vector<BYTE> ExpandedResource(HMODULE module, const wchar_t* type, const wchar_t* name);

// The same for bytes stored in that form anywhere.
std::vector<BYTE> Expanded(std::span<const BYTE> stored);
