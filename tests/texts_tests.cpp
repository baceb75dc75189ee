#include <gtest/gtest.h>

#include "texts/texts.h"

namespace {

constexpr TextId kAllIds[] = {1, 2, 3, 4, 11, 21, 41, 51, 52, 53, 61, 62, 71, 72, 103, 110, 120};

TEST(LookupText, EveryIdExistsInEveryLanguageAndOnlyCaptionsHoldAccelerators) {
    for (Language language : {kEnglish, kGerman, kRussian}) {
        for (TextId id : kAllIds) {
            std::wstring text = L"\x1";
            LookupText(id, language, text);
            EXPECT_NE(text, L"\x1") << "id " << id << " language " << int(language);
            const bool hasAmpersand = text.find(L'&') != std::wstring::npos;
            EXPECT_EQ(hasAmpersand, id <= 4) << "id " << id << " language " << int(language);
            if (id <= 4) {
                EXPECT_EQ(text.front(), L'&');
            }
        }
    }
}

TEST(LookupText, KeepsTheTableQuirksVerbatim) {
    EXPECT_EQ(Text(62, kEnglish), L"Status: ");
    EXPECT_EQ(Text(62, kGerman), L"Kopieren: ");
    EXPECT_EQ(Text(62, kRussian), L"Копирование: ");

    const std::wstring russianWelcome = Text(11, kRussian);
    EXPECT_NE(russianWelcome.find(L"взвешенные и  обоснованные"), std::wstring::npos);
    EXPECT_EQ(russianWelcome.find(L"   "), std::wstring::npos);

    EXPECT_NE(Text(51, kRussian).find(L"Нажмите `Далее` для"), std::wstring::npos);
    EXPECT_NE(Text(51, kEnglish).find(L"click \u2018Next\u2019 to"), std::wstring::npos);
    EXPECT_NE(Text(51, kEnglish).find(L"to in install the Software.Please read"), std::wstring::npos);
    EXPECT_NE(Text(51, kGerman).find(L"Klicken Sie \u2018Weiter\u2019 um"), std::wstring::npos);
    EXPECT_NE(Text(11, kEnglish).find(L"It\u2019s 100% free"), std::wstring::npos);
}

TEST(LookupText, GivesTheCaptionsAndTitlesExactly) {
    EXPECT_EQ(Text(1, kGerman), L"&Weiter");
    EXPECT_EQ(Text(2, kGerman), L"&Zurück");
    EXPECT_EQ(Text(3, kGerman), L"&Schließen");
    EXPECT_EQ(Text(4, kGerman), L"&Verzeichnis hinzufügen.");
    EXPECT_EQ(Text(4, kRussian), L"&Добавить MetaTrader 4");
    EXPECT_EQ(Text(110, kEnglish), L"Please select MetaTrader folder.");
    EXPECT_EQ(Text(120, kGerman), L"Beenden");  // "Schließen" is Finish already
    EXPECT_EQ(Text(71, kRussian), L"Программа была успешно установлена.");
    EXPECT_EQ(Text(72, kEnglish), L"The Software could not be installed into every folder.");
    EXPECT_EQ(Text(72, kGerman), L"Die Software konnte nicht in alle Verzeichnisse installiert werden.");
    EXPECT_EQ(Text(72, kRussian), L"Программу не удалось установить во все папки.");
}

TEST(LookupText, EmptyTextEmptiesTheCallersString) {
    for (Language language : {kEnglish, kGerman, kRussian}) {
        std::wstring text = L"held before";
        LookupText(103, language, text);
        EXPECT_TRUE(text.empty());
    }
}

TEST(LookupText, UnknownIdOrLanguageLeavesTheCallersStringAlone) {
    for (TextId id : {0u, 5u, 111u, 72000u}) {
        for (Language language : {kEnglish, kGerman, kRussian}) {
            std::wstring text = L"unchanged";
            LookupText(id, language, text);
            EXPECT_EQ(text, L"unchanged") << "id " << id;
        }
    }
    for (Language language : {Language{3}, Language{255}}) {
        std::wstring text = L"unchanged";
        LookupText(1, language, text);
        EXPECT_EQ(text, L"unchanged");
        EXPECT_EQ(Text(1, language), L"");
    }
}

}  // namespace
