#include "texts/agreement.h"

#include "win32/embedded_resource.h"
#include "win32/text_decoding.h"

std::optional<std::wstring> AgreementText(HMODULE module, const wchar_t* name) {
    if (!FindResourceW(module, name, RT_RCDATA)) return std::nullopt;
    return DecodeText(ExpandedResource(module, RT_RCDATA, name), 1252);
}

std::optional<std::wstring> AgreementTextIn(HMODULE module, const wchar_t* const (&names)[3], Language language) {
    std::optional<std::wstring> text;
    if (language == Language::German || language == Language::Russian)
        text = AgreementText(module, names[static_cast<size_t>(language)]);
    return text ? text : AgreementText(module, names[static_cast<size_t>(Language::English)]);
}
