#include "metatrader/folder_list.h"

#include <windows.h>

bool SameFolderIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                          b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

int IndexOfFolder(const FolderList& list, const std::wstring& folder) {
    for (size_t i = 0; i < list.size(); ++i)
        if (SameFolderIgnoringCase(list[i], folder)) return static_cast<int>(i);
    return -1;
}

bool IsAbsolutePath(const std::wstring& path) {
    auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    const bool drive = path.size() >= 3 && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
                       path[1] == L':' && separator(path[2]);
    return drive || (path.size() >= 2 && separator(path[0]) && separator(path[1]));
}
