#include "wizard/agreement.h"

#include "app/embedded_resource.h"
#include "app/text_decoding.h"
#include "flat/flat_memo.h"

std::optional<std::wstring> AgreementText(HMODULE module, const wchar_t* name) {
    if (!FindResourceW(module, name, RT_RCDATA)) return std::nullopt;
    return DecodeText(EmbeddedResource(module, RT_RCDATA, name), 1252);
}

void LoadAgreementText(TFlatMemo& memo, const wchar_t* name) {
    if (std::optional<std::wstring> text = AgreementText(nullptr, name)) memo.SetLines(*text);
}
