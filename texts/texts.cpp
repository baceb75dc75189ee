#include "texts/texts.h"

#include <array>
#include <iterator>

namespace {

struct TextEntry {
    TextId id;
    std::array<const wchar_t*, 3> byLanguage;  // English, German, Russian
};

// Verbatim, quirks included: Status ends with a blank, the Russian Welcome has a double
// blank, the Russian Agreement quotes with grave accents.
constexpr TextEntry kTexts[] = {
    {TextId::Next, {L"&Next", L"&Weiter", L"&Далее"}},
    {TextId::Back, {L"&Back", L"&Zurück", L"&Назад"}},
    {TextId::Finish, {L"&Finish", L"&Schließen", L"&Завершить"}},
    {TextId::AddFolder, {L"&Add MetaTrader Folder", L"&Verzeichnis hinzufügen.", L"&Добавить MetaTrader 4"}},
    {TextId::Welcome,
     {L"Free analytic software for MetaTrader which helps traders to make more informed and "
      L"better trading decisions. It\u2019s 100% free and always will be.",
      L"Kostenlose Analyse Software für Meta Trader. Die Software hilft Forex Händlern "
      L"informierte und dadurch bessere Handelsentscheidungen zu treffen.",
      L"Бесплатная программа для MetaTrader 4, с помощью которой трейдеры могут принимать более "
      L"взвешенные и  обоснованные торговые решения. Программа является 100% бесплатной."}},
    {TextId::Wait,
     {L"Processing your request. Please wait.", L"Bitte warten, Ihre Anfrage wird bearbeitet.",
      L"Ваш запрос обрабатывается. Пожалуйста, подождите."}},
    {TextId::Folders,
     {L"Please specify one or multiple Meta Trader 4 folders where you would like to install the "
      L"Software.",
      L"Bitte wählen Sie ein oder mehrere Installationsverzeichnisse aus, in denen die Software "
      L"installiert werden soll.",
      L"Пожалуйста укажите папку или папки с MetaTrader 4, в которые вы хотите установить "
      L"программу."}},
    {TextId::Agreement,
     {L"The Setup Wizard collected all needed Information to in install the Software.Please read "
      L"and accept the End User Agreement. Then click \u2018Next\u2019 to continue with the "
      L"installation.",
      L"Alle zur Installation der Software erforderlichen Information sind vorhanden. Bitte lesen "
      L"Sie den Endbenutzer Lizenzvertrag, bevor Sie mit der Installation fortfahren. Klicken Sie "
      L"\u2018Weiter\u2019 um die Software zu installieren.",
      L"Установщик завершил сбор необходимой инофрмации для установки. Пожалуйста прочтите и "
      L"примите Пользовательское соглашение. Нажмите `Далее` для продолжения установки."}},
    {TextId::Accept,
     {L"I have read and agree to the End User Agreement.",
      L"Ich habe sie gelesen und akzeptiere die Vereinbarung.",
      L"Я прочел и согласен с пользовательским соглашением."}},
    {TextId::Reject,
     {L"I do not accept the End User Agreement.",
      L"Ich habe sie gelesen, akzeptiere die Vereinbarung aber nicht.",
      L"Я не принимаю пользовательское соглашение."}},
    {TextId::Installing,
     {L"Please wait while the Setup Wizard installs the software. This may take several minutes.",
      L"Bitte warten Sie, bis die Installation abgeschlossen ist. Es kann einige Minuten dauern.",
      L"Пожалуйста подождите пока установка завершится. Это может занять несколько минут."}},
    {TextId::Status, {L"Status: ", L"Kopieren: ", L"Копирование: "}},
    {TextId::Installed,
     {L"The Software has been successfully installed.",
      L"Die Software wurde erfolgreich installiert.", L"Программа была успешно установлена."}},
    {TextId::NotInstalledEverywhere,
     {L"The Software could not be installed into every folder.",
      L"Die Software konnte nicht in alle Verzeichnisse installiert werden.",
      L"Программу не удалось установить во все папки."}},
    // The removal that Apps & Features starts: the Installing page's text while it runs, the
    // Finished page's when it is done or a copy is left, and its question.
    {TextId::Removing,
     {L"Please wait while the Setup Wizard removes the software. This may take a moment.",
      L"Bitte warten Sie, während die Software entfernt wird. Dies kann einen Moment dauern.",
      L"Пожалуйста, подождите, пока программа удаляется. Это может занять некоторое время."}},
    {TextId::Removed,
     {L"The Software has been removed from this computer.", L"Die Software wurde von diesem Computer entfernt.",
      L"Программа была удалена с этого компьютера."}},
    {TextId::NotRemovedEverywhere,
     {L"The Software could not be removed from every folder. Close the MetaTrader 4 terminals and remove it "
      L"again.",
      L"Die Software konnte nicht aus allen Verzeichnissen entfernt werden. Schließen Sie die MetaTrader 4 "
      L"Terminals und starten Sie die Deinstallation erneut.",
      L"Программу не удалось удалить из всех папок. Закройте терминалы MetaTrader 4 и повторите удаление."}},
    {TextId::ConfirmRemoval,
     {L"Do you want to remove the Software from every MetaTrader 4 terminal on this computer?",
      L"Möchten Sie die Software aus allen MetaTrader 4 Terminals auf diesem Computer entfernen?",
      L"Удалить программу из всех терминалов MetaTrader 4 на этом компьютере?"}},
    {TextId::Empty, {L"", L"", L""}},
    {TextId::ChooseFolderTitle,
     {L"Please select MetaTrader folder.", L"Bitte wählen Sie einen Ordner MetaTrader 4.",
      L"Пожалуйста выберите папку MetaTrader 4."}},
    {TextId::Close, {L"Close", L"Beenden", L"Закрыть"}},
};

}  // namespace

void LookupText(TextId id, Language language, std::wstring& text) {
    const auto column = static_cast<size_t>(language);
    if (column >= 3) return;
    for (const TextEntry& entry : kTexts) {
        if (entry.id == id) {
            text = entry.byLanguage[column];
            return;
        }
    }
}

std::wstring Text(TextId id, Language language) {
    std::wstring text;
    LookupText(id, language, text);
    return text;
}
