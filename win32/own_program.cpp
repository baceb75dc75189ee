#include "win32/own_program.h"

#include <psapi.h>

#include "win32/handles.h"

namespace {

HANDLE held = nullptr;

// The path of the file mapped at `address` as the kernel names it: "\Device\HarddiskVolume2\..."
// on Windows, "\??\C:\..." under Wine; empty when the system cannot say.
std::wstring MappedName(void* address) {
    std::wstring name(1024, L'\0');
    const DWORD length = K32GetMappedFileNameW(GetCurrentProcess(), address, name.data(), static_cast<DWORD>(name.size()));
    name.resize(length < name.size() ? length : 0);
    return name;
}

// What `file` is, named in the same way as `mapped`.
std::wstring FinalNameLike(HANDLE file, const std::wstring& mapped) {
    const bool dosDevice = mapped.starts_with(L"\\??\\");
    std::wstring name(1024, L'\0');
    const DWORD length = GetFinalPathNameByHandleW(file, name.data(), static_cast<DWORD>(name.size()),
                                                   FILE_NAME_NORMALIZED | (dosDevice ? VOLUME_NAME_DOS : VOLUME_NAME_NT));
    name.resize(length < name.size() ? length : 0);
    if (dosDevice && name.starts_with(L"\\\\?\\")) name.replace(0, 4, L"\\??\\");
    return name;
}

}  // namespace

void HoldOwnProgramFile() {
    const HMODULE image = GetModuleHandleW(nullptr);
    const std::wstring mapped = MappedName(image);
    if (mapped.empty()) return;
    const bool dosDevice = mapped.starts_with(L"\\??\\");
    std::wstring path = dosDevice ? L"\\\\?\\" : L"\\\\?\\GLOBALROOT";
    path.append(mapped, dosDevice ? 4 : 0);
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    // Held, the file can no longer be renamed: where the image's file is still named as the
    // one held, it is that one.
    const std::wstring now = MappedName(image);
    if (!file || now.empty() ||
        CompareStringOrdinal(now.c_str(), -1, FinalNameLike(file.get(), now).c_str(), -1, TRUE) != CSTR_EQUAL)
        return;
    held = file.release();
}

std::vector<BYTE> OwnProgramBytes() {
    ULONGLONG size = 0;
    if (!held || !FileSizeOf(held, size) || size > 256 << 20 || !SetFilePointerEx(held, LARGE_INTEGER{}, nullptr, FILE_BEGIN))
        return {};
    std::vector<BYTE> bytes(static_cast<size_t>(size));
    DWORD read = 0;
    if (!ReadFile(held, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size()) return {};
    return bytes;
}

std::optional<FileIdentity> OwnProgramIdentity() {
    BY_HANDLE_FILE_INFORMATION information;
    if (!held || !GetFileInformationByHandle(held, &information)) return std::nullopt;
    return FileIdentity{information.dwVolumeSerialNumber,
                        (static_cast<unsigned long long>(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
}
