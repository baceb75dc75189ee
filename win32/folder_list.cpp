#include "win32/folder_list.h"

#include <windows.h>

bool SameFolderIgnoringCase(const std::wstring& a, const std::wstring& b) {
    // Ordinal, as the file system compares names: a linguistic comparison passes over soft
    // hyphens and other marks, and depends on a locale the user chooses.
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

int IndexOfFolder(const FolderList& list, const std::wstring& folder) {
    for (size_t i = 0; i < list.size(); ++i)
        if (SameFolderIgnoringCase(list[i], folder)) return static_cast<int>(i);
    return -1;
}
