#pragma once
#include <cstdint>
#include <string>

// The languages of the text table, in its columns' order.
enum class Language : std::uint8_t { English, German, Russian };

// The texts the program shows; the values are the table's ids.
enum class TextId : std::uint32_t {
    None = 0,
    Next = 1,
    Back = 2,
    Finish = 3,
    AddFolder = 4,
    Welcome = 11,
    Wait = 21,
    Folders = 41,
    Agreement = 51,
    Accept = 52,
    Reject = 53,
    Installing = 61,
    Status = 62,
    Installed = 71,
    NotInstalledEverywhere = 72,
    Removing = 73,
    Removed = 74,
    NotRemovedEverywhere = 75,
    ConfirmRemoval = 76,
    Empty = 103,
    ChooseFolderTitle = 110,
    Close = 120,  // what screen readers hear for the close button, which shows a cross
};

// Replaces `text` by the entry for (id, language). An unknown id or language leaves
// `text` exactly as the caller passed it.
void LookupText(TextId id, Language language, std::wstring& text);

// The text for (id, language), or an empty string when the table has none.
std::wstring Text(TextId id, Language language);
