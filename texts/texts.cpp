#include "texts/texts.h"

#include <array>
#include <iterator>

namespace {

struct TextEntry {
    TextId id;
    std::array<const wchar_t*, 3> byLanguage;  // English, German, Russian
};

// Verbatim, quirks included: id 62 ends with a blank, Russian id 11 has a double blank,
// Russian id 51 quotes with grave accents.
constexpr TextEntry kTexts[] = {
    {1, {L"&Next", L"&Weiter", L"&Далее"}},
    {2, {L"&Back", L"&Zurück", L"&Назад"}},
    {3, {L"&Finish", L"&Schließen", L"&Завершить"}},
    {4, {L"&Add MetaTrader Folder", L"&Verzeichnis hinzufügen.", L"&Добавить MetaTrader 4"}},
    {11,
     {L"Free analytic software for MetaTrader which helps traders to make more informed and "
      L"better trading decisions. It\u2019s 100% free and always will be.",
      L"Kostenlose Analyse Software für Meta Trader. Die Software hilft Forex Händlern "
      L"informierte und dadurch bessere Handelsentscheidungen zu treffen.",
      L"Бесплатная программа для MetaTrader 4, с помощью которой трейдеры могут принимать более "
      L"взвешенные и  обоснованные торговые решения. Программа является 100% бесплатной."}},
    {21,
     {L"Processing your request. Please wait.", L"Bitte warten, Ihre Anfrage wird bearbeitet.",
      L"Ваш запрос обрабатывается. Пожалуйста, подождите."}},
    {41,
     {L"Please specify one or multiple Meta Trader 4 folders where you would like to install the "
      L"Software.",
      L"Bitte wählen Sie ein oder mehrere Installationsverzeichnisse aus, in denen die Software "
      L"installiert werden soll.",
      L"Пожалуйста укажите папку или папки с MetaTrader 4, в которые вы хотите установить "
      L"программу."}},
    {51,
     {L"The Setup Wizard collected all needed Information to in install the Software.Please read "
      L"and accept the End User Agreement. Then click \u2018Next\u2019 to continue with the "
      L"installation.",
      L"Alle zur Installation der Software erforderlichen Information sind vorhanden. Bitte lesen "
      L"Sie den Endbenutzer Lizenzvertrag, bevor Sie mit der Installation fortfahren. Klicken Sie "
      L"\u2018Weiter\u2019 um die Software zu installieren.",
      L"Установщик завершил сбор необходимой инофрмации для установки. Пожалуйста прочтите и "
      L"примите Пользовательское соглашение. Нажмите `Далее` для продолжения установки."}},
    {52,
     {L"I have read and agree to the End User Agreement.",
      L"Ich habe sie gelesen und akzeptiere die Vereinbarung.",
      L"Я прочел и согласен с пользовательским соглашением."}},
    {53,
     {L"I do not accept the End User Agreement.",
      L"Ich habe sie gelesen, akzeptiere die Vereinbarung aber nicht.",
      L"Я не принимаю пользовательское соглашение."}},
    {61,
     {L"Please wait while the Setup Wizard installs the software. This may take several minutes.",
      L"Bitte warten Sie, bis die Installation abgeschlossen ist. Es kann einige Minuten dauern.",
      L"Пожалуйста подождите пока установка завершится. Это может занять несколько минут."}},
    {62, {L"Status: ", L"Kopieren: ", L"Копирование: "}},
    {71,
     {L"The Software has been successfully installed.",
      L"Die Software wurde erfolgreich installiert.", L"Программа была успешно установлена."}},
    {72,
     {L"The Software could not be installed into every folder.",
      L"Die Software konnte nicht in alle Verzeichnisse installiert werden.",
      L"Программу не удалось установить во все папки."}},
    // The removal that Apps & Features starts: its question, the Installing page's text while
    // it runs, and the Finished page's when it is done or a copy is left.
    {73,
     {L"Please wait while the Setup Wizard removes the software. This may take a moment.",
      L"Bitte warten Sie, während die Software entfernt wird. Dies kann einen Moment dauern.",
      L"Пожалуйста, подождите, пока программа удаляется. Это может занять некоторое время."}},
    {74,
     {L"The Software has been removed from this computer.", L"Die Software wurde von diesem Computer entfernt.",
      L"Программа была удалена с этого компьютера."}},
    {75,
     {L"The Software could not be removed from every folder. Close the MetaTrader 4 terminals and remove it "
      L"again.",
      L"Die Software konnte nicht aus allen Verzeichnissen entfernt werden. Schließen Sie die MetaTrader 4 "
      L"Terminals und entfernen Sie sie erneut.",
      L"Программу не удалось удалить из всех папок. Закройте терминалы MetaTrader 4 и повторите удаление."}},
    {76,
     {L"Do you want to remove the Software from every MetaTrader 4 terminal on this computer?",
      L"Möchten Sie die Software aus allen MetaTrader 4 Terminals auf diesem Computer entfernen?",
      L"Удалить программу из всех терминалов MetaTrader 4 на этом компьютере?"}},
    {103, {L"", L"", L""}},
    {110,
     {L"Please select MetaTrader folder.", L"Bitte wählen Sie einen Ordner MetaTrader 4.",
      L"Пожалуйста выберите папку MetaTrader 4."}},
    // What screen readers hear for the close button, which shows a cross and no caption.
    {120, {L"Close", L"Beenden", L"Закрыть"}},
};

}  // namespace

void LookupText(TextId id, Language language, std::wstring& text) {
    if (language >= 3) return;
    for (const TextEntry& entry : kTexts) {
        if (entry.id == id) {
            text = entry.byLanguage[language];
            return;
        }
    }
}

std::wstring Text(TextId id, Language language) {
    std::wstring text;
    LookupText(id, language, text);
    return text;
}
