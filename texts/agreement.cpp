#include "texts/agreement.h"

#include "resources/resource_names.h"
#include "win32/embedded_resource.h"
#include "win32/text_decoding.h"

std::optional<std::wstring> AgreementText(HMODULE module, const wchar_t* name) {
    if (!FindResourceW(module, name, RT_RCDATA)) return std::nullopt;
    return DecodeText(EmbeddedResource(module, RT_RCDATA, name), 1252);
}

std::optional<std::wstring> AgreementTextIn(HMODULE module, Language language) {
    std::optional<std::wstring> text;
    if (language == kGerman) text = AgreementText(module, RESOURCE_STRING(RESOURCE_EULA_DE));
    if (language == kRussian) text = AgreementText(module, RESOURCE_STRING(RESOURCE_EULA_RU));
    return text ? text : AgreementText(module, RESOURCE_STRING(RESOURCE_EULA_EN));
}
