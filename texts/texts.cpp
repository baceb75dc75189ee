#include "texts/texts.h"

#include <algorithm>
#include <iterator>
#include <span>

#include "win32/embedded_resource.h"
#include "win32/text_decoding.h"

// The table is resources/texts.json, verbatim, quirks included: Status ends with a blank, the
// Russian Welcome has a double blank, the Russian Agreement quotes with grave accents. The
// build stores each language's texts compressed, as UTF-8, each ended by a NUL.
#include "texts/packed_texts.h"

void LookupText(TextId id, Language language, std::wstring& text) {
    const auto column = static_cast<size_t>(language);
    if (column >= 3) return;
    const TextId* found = std::find(std::begin(kPackedTextIds), std::end(kPackedTextIds), id);
    if (found == std::end(kPackedTextIds)) return;
    const std::vector<BYTE> texts = Expanded(kPackedTexts[column]);
    const BYTE* start = texts.data();
    const BYTE* const end = start + texts.size();
    for (auto skipped = found - std::begin(kPackedTextIds); skipped >= 0; --skipped) {
        const BYTE* const nul = std::find(start, end, BYTE{0});
        if (skipped == 0) text = DecodeText({start, nul}, CP_UTF8).value_or(L"");
        start = nul == end ? end : nul + 1;
    }
}

std::wstring Text(TextId id, Language language) {
    std::wstring text;
    LookupText(id, language, text);
    return text;
}
