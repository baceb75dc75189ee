#include "win32/embedded_resource.h"

std::span<const BYTE> EmbeddedResource(HMODULE module, const wchar_t* type, const wchar_t* name) {
    HRSRC info = FindResourceW(module, name, type);
    if (!info) return {};
    HGLOBAL loaded = LoadResource(module, info);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return {};
    return {static_cast<const BYTE*>(bytes), SizeofResource(module, info)};
}
