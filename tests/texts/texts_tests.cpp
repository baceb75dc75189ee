#include <gtest/gtest.h>

#include <windows.h>

#include "texts/language.h"
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

// ---- the language of the run

Language Choose(LCID locale, const wchar_t* commandLine) {
    return ChooseLanguage(LanguageOfLocaleId(locale), commandLine);
}

constexpr LCID kFrench = 0x040C;

TEST(ChooseLanguage, KnownSwitchesAreLowerCasedInAsciiAndOverrideTheLocale) {
    EXPECT_EQ(Choose(kFrench, L"setup.exe /DE"), kGerman);
    EXPECT_EQ(Choose(kFrench, L"setup.exe /Ge"), kGerman);
    EXPECT_EQ(Choose(kFrench, L"setup.exe /Ru"), kRussian);
    EXPECT_EQ(Choose(kFrench, L"setup.exe /RUS"), kRussian);
    EXPECT_EQ(Choose(0x0419, L"setup.exe /ENG"), kEnglish);
    EXPECT_EQ(Choose(0x0407, L"setup.exe /en"), kEnglish);
    EXPECT_EQ(Choose(kFrench, L"setup.exe /ru"), kRussian);
    // Only A to Z are lower-cased: a Kelvin sign or a dotted capital I is no letter here.
    EXPECT_EQ(Choose(kFrench, L"setup.exe /D\u0130"), kEnglish);
}

TEST(ChooseLanguage, AnythingButAKnownFirstArgumentLeavesTheLocaleToDecide) {
    for (const wchar_t* commandLine :
         {L"setup.exe", L"setup.exe /english", L"setup.exe -de", L"setup.exe de", L"setup.exe x /de",
          L"setup.exe /d", L"setup.exe \"\" /ru", L"setup.exe /de-"}) {
        EXPECT_EQ(Choose(kFrench, commandLine), kEnglish) << commandLine;
        EXPECT_EQ(Choose(0x0807, commandLine), kGerman) << commandLine;
        EXPECT_EQ(Choose(0x0423, commandLine), kRussian) << commandLine;
    }
}

TEST(ChooseLanguage, QuotesAndControlCharactersFollowThePlatformsRules) {
    EXPECT_EQ(Choose(kFrench, L"\"C:\\Program Files\\setup.exe\" /de"), kGerman);
    EXPECT_EQ(Choose(kFrench, L"setup.exe \"/de\""), kGerman);
    EXPECT_EQ(Choose(kFrench, L"setup.exe /\"d\"e"), kGerman);
    EXPECT_EQ(Choose(kFrench, L"setup.exe\t/ru\t/de"), kRussian);
    EXPECT_EQ(Choose(kFrench, L"setup.exe   \x1f/de"), kGerman);
    // A line that starts with a blank has an empty program name: its first word is an argument.
    EXPECT_EQ(Choose(kFrench, L" /de"), kGerman);
    EXPECT_EQ(Choose(kFrench, L"  setup.exe /de"), kEnglish);
    EXPECT_EQ(Choose(kFrench, L"setup.exe \"/de x\""), kEnglish);
    EXPECT_EQ(Choose(kFrench, L""), kEnglish);
    EXPECT_EQ(Choose(kFrench, nullptr), kEnglish);
}

TEST(ChooseLanguage, LocalesMapAsWholeIdentifiers) {
    for (LCID german : {0x0407u, 0x0C07u, 0x1407u, 0x1007u, 0x0807u})
        EXPECT_EQ(Choose(german, L"setup.exe"), kGerman) << std::hex << german;
    for (LCID russian : {0x0419u, 0x0422u, 0x0423u})
        EXPECT_EQ(Choose(russian, L"setup.exe"), kRussian) << std::hex << russian;
    // Phone-book sort order, other German-speaking regions and the rest: English.
    for (LCID other : {0x10407u, 0x0409u, 0x0809u, 0x040Cu, 0x0007u, 0x0819u, 0x0000u})
        EXPECT_EQ(Choose(other, L"setup.exe"), kEnglish) << std::hex << other;
    EXPECT_EQ(LanguageOfLocaleId(0x10407), kNoLanguage);
}

TEST(ChooseLanguage, TheMachineLocaleGivesAValidLanguage) {
    const Language fromLocale = LanguageFromLocale();
    EXPECT_TRUE(fromLocale <= kRussian || fromLocale == kNoLanguage);
    EXPECT_EQ(fromLocale, LanguageOfLocaleId(GetUserDefaultLCID()));
}

}  // namespace
