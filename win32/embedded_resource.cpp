#include "win32/embedded_resource.h"

#include <cstring>

#include "win32/system_functions.h"

std::span<const BYTE> EmbeddedResource(HMODULE module, const wchar_t* type, const wchar_t* name) {
    HRSRC info = FindResourceW(module, name, type);
    if (!info) return {};
    HGLOBAL loaded = LoadResource(module, info);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return {};
    return {static_cast<const BYTE*>(bytes), SizeofResource(module, info)};
}

std::vector<BYTE> ExpandedResource(HMODULE module, const wchar_t* type, const wchar_t* name) {
    return Expanded(EmbeddedResource(module, type, name));
}

std::vector<BYTE> Expanded(std::span<const BYTE> stored) {
    const auto decompress = NativeApi().decompressBuffer;
    UINT32 size = 0;
    if (stored.size() < sizeof size || !decompress) return {};
    std::memcpy(&size, stored.data(), sizeof size);
    std::vector<BYTE> bytes(size);
    ULONG expanded = 0;
    const std::span<const BYTE> packed = stored.subspan(sizeof size);
    if (size == 0 ||
        decompress(COMPRESSION_FORMAT_LZNT1, bytes.data(), size, const_cast<BYTE*>(packed.data()),
                   static_cast<ULONG>(packed.size()), &expanded) < 0 ||
        expanded != size)
        return {};
    return bytes;
}
