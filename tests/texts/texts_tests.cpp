#include <gtest/gtest.h>

#include <windows.h>

#include "texts/language.h"
#include "texts/texts.h"

namespace {

constexpr TextId kAllIds[] = {
    TextId::Next,       TextId::Back,   TextId::Finish,    TextId::AddFolder,
    TextId::Welcome,    TextId::Wait,   TextId::Folders,   TextId::Agreement,
    TextId::Accept,     TextId::Reject, TextId::Installing, TextId::Status,
    TextId::Installed,  TextId::NotInstalledEverywhere, TextId::Removing, TextId::Removed,
    TextId::NotRemovedEverywhere, TextId::ConfirmRemoval, TextId::Empty, TextId::ChooseFolderTitle,
    TextId::Close};

TEST(LookupText, EveryIdExistsInEveryLanguageAndOnlyCaptionsHoldAccelerators) {
    for (Language language : {Language::English, Language::German, Language::Russian}) {
        for (TextId id : kAllIds) {
            std::wstring text = L"\x1";
            LookupText(id, language, text);
            const unsigned number = static_cast<unsigned>(id);
            EXPECT_NE(text, L"\x1") << "id " << number << " language " << int(language);
            const bool hasAmpersand = text.find(L'&') != std::wstring::npos;
            const bool caption = id <= TextId::AddFolder;
            EXPECT_EQ(hasAmpersand, caption) << "id " << number << " language " << int(language);
            if (caption) {
                EXPECT_EQ(text.front(), L'&');
            }
        }
    }
}

TEST(LookupText, KeepsTheTableQuirksVerbatim) {
    EXPECT_EQ(Text(TextId::Status, Language::English), L"Status: ");
    EXPECT_EQ(Text(TextId::Status, Language::German), L"Kopieren: ");
    EXPECT_EQ(Text(TextId::Status, Language::Russian), L"Копирование: ");

    const std::wstring russianWelcome = Text(TextId::Welcome, Language::Russian);
    EXPECT_NE(russianWelcome.find(L"взвешенные и  обоснованные"), std::wstring::npos);
    EXPECT_EQ(russianWelcome.find(L"   "), std::wstring::npos);

    EXPECT_NE(Text(TextId::Agreement, Language::Russian).find(L"Нажмите `Далее` для"), std::wstring::npos);
    EXPECT_NE(Text(TextId::Agreement, Language::English).find(L"click \u2018Next\u2019 to"), std::wstring::npos);
    EXPECT_NE(Text(TextId::Agreement, Language::English).find(L"to in install the Software.Please read"), std::wstring::npos);
    EXPECT_NE(Text(TextId::Agreement, Language::German).find(L"Klicken Sie \u2018Weiter\u2019 um"), std::wstring::npos);
    EXPECT_NE(Text(TextId::Welcome, Language::English).find(L"It\u2019s 100% free"), std::wstring::npos);
}

TEST(LookupText, GivesTheCaptionsAndTitlesExactly) {
    EXPECT_EQ(Text(TextId::Next, Language::German), L"&Weiter");
    EXPECT_EQ(Text(TextId::Back, Language::German), L"&Zurück");
    EXPECT_EQ(Text(TextId::Finish, Language::German), L"&Schließen");
    EXPECT_EQ(Text(TextId::AddFolder, Language::German), L"&Verzeichnis hinzufügen.");
    EXPECT_EQ(Text(TextId::AddFolder, Language::Russian), L"&Добавить MetaTrader 4");
    EXPECT_EQ(Text(TextId::ChooseFolderTitle, Language::English), L"Please select MetaTrader folder.");
    EXPECT_EQ(Text(TextId::Close, Language::German), L"Beenden");  // "Schließen" is Finish already
    EXPECT_EQ(Text(TextId::Installed, Language::Russian), L"Программа была успешно установлена.");
    EXPECT_EQ(Text(TextId::NotInstalledEverywhere, Language::English), L"The Software could not be installed into every folder.");
    EXPECT_EQ(Text(TextId::NotInstalledEverywhere, Language::German), L"Die Software konnte nicht in alle Verzeichnisse installiert werden.");
    EXPECT_EQ(Text(TextId::NotInstalledEverywhere, Language::Russian), L"Программу не удалось установить во все папки.");
}

TEST(LookupText, EmptyTextEmptiesTheCallersString) {
    for (Language language : {Language::English, Language::German, Language::Russian}) {
        std::wstring text = L"held before";
        LookupText(TextId::Empty, language, text);
        EXPECT_TRUE(text.empty());
    }
}

TEST(LookupText, UnknownIdOrLanguageLeavesTheCallersStringAlone) {
    for (TextId id : {TextId{0}, TextId{5}, TextId{111}, TextId{72000}}) {
        for (Language language : {Language::English, Language::German, Language::Russian}) {
            std::wstring text = L"unchanged";
            LookupText(id, language, text);
            EXPECT_EQ(text, L"unchanged") << "id " << static_cast<unsigned>(id);
        }
    }
    for (Language language : {Language{3}, Language{255}}) {
        std::wstring text = L"unchanged";
        LookupText(TextId::Next, language, text);
        EXPECT_EQ(text, L"unchanged");
        EXPECT_EQ(Text(TextId::Next, language), L"");
    }
}

// ---- the language of the run

Language Choose(LCID locale, const wchar_t* commandLine) {
    return ChooseLanguage(LanguageOfLocaleId(locale), commandLine);
}

constexpr LCID kFrench = 0x040C;

TEST(ChooseLanguage, KnownSwitchesAreLowerCasedInAsciiAndOverrideTheLocale) {
    EXPECT_EQ(Choose(kFrench, L"setup.exe /DE"), Language::German);
    EXPECT_EQ(Choose(kFrench, L"setup.exe /Ge"), Language::German);
    EXPECT_EQ(Choose(kFrench, L"setup.exe /Ru"), Language::Russian);
    EXPECT_EQ(Choose(kFrench, L"setup.exe /RUS"), Language::Russian);
    EXPECT_EQ(Choose(0x0419, L"setup.exe /ENG"), Language::English);
    EXPECT_EQ(Choose(0x0407, L"setup.exe /en"), Language::English);
    EXPECT_EQ(Choose(kFrench, L"setup.exe /ru"), Language::Russian);
    // Only A to Z are lower-cased: a Kelvin sign or a dotted capital I is no letter here.
    EXPECT_EQ(Choose(kFrench, L"setup.exe /D\u0130"), Language::English);
}

TEST(ChooseLanguage, AnythingButAKnownFirstArgumentLeavesTheLocaleToDecide) {
    for (const wchar_t* commandLine :
         {L"setup.exe", L"setup.exe /english", L"setup.exe -de", L"setup.exe de", L"setup.exe x /de",
          L"setup.exe /d", L"setup.exe \"\" /ru", L"setup.exe /de-"}) {
        EXPECT_EQ(Choose(kFrench, commandLine), Language::English) << commandLine;
        EXPECT_EQ(Choose(0x0807, commandLine), Language::German) << commandLine;
        EXPECT_EQ(Choose(0x0423, commandLine), Language::Russian) << commandLine;
    }
}

TEST(ChooseLanguage, QuotesAndControlCharactersFollowThePlatformsRules) {
    EXPECT_EQ(Choose(kFrench, L"\"C:\\Program Files\\setup.exe\" /de"), Language::German);
    EXPECT_EQ(Choose(kFrench, L"setup.exe \"/de\""), Language::German);
    EXPECT_EQ(Choose(kFrench, L"setup.exe /\"d\"e"), Language::German);
    EXPECT_EQ(Choose(kFrench, L"setup.exe\t/ru\t/de"), Language::Russian);
    EXPECT_EQ(Choose(kFrench, L"setup.exe   \x1f/de"), Language::German);
    // A line that starts with a blank has an empty program name: its first word is an argument.
    EXPECT_EQ(Choose(kFrench, L" /de"), Language::German);
    EXPECT_EQ(Choose(kFrench, L"  setup.exe /de"), Language::English);
    EXPECT_EQ(Choose(kFrench, L"setup.exe \"/de x\""), Language::English);
    EXPECT_EQ(Choose(kFrench, L""), Language::English);
    EXPECT_EQ(Choose(kFrench, nullptr), Language::English);
}

TEST(ChooseLanguage, LocalesMapAsWholeIdentifiers) {
    for (LCID german : {0x0407u, 0x0C07u, 0x1407u, 0x1007u, 0x0807u})
        EXPECT_EQ(Choose(german, L"setup.exe"), Language::German) << std::hex << german;
    for (LCID russian : {0x0419u, 0x0422u, 0x0423u})
        EXPECT_EQ(Choose(russian, L"setup.exe"), Language::Russian) << std::hex << russian;
    // Phone-book sort order, other German-speaking regions and the rest: English.
    for (LCID other : {0x10407u, 0x0409u, 0x0809u, 0x040Cu, 0x0007u, 0x0819u, 0x0000u})
        EXPECT_EQ(Choose(other, L"setup.exe"), Language::English) << std::hex << other;
    EXPECT_FALSE(LanguageOfLocaleId(0x10407).has_value());
}

TEST(ChooseLanguage, TheMachineLocaleGivesAValidLanguage) {
    const std::optional<Language> fromLocale = LanguageFromLocale();
    EXPECT_TRUE(!fromLocale || *fromLocale <= Language::Russian);
    EXPECT_EQ(fromLocale, LanguageOfLocaleId(GetUserDefaultLCID()));
}

}  // namespace
