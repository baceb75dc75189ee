#include "texts/texts.h"

#include <array>
#include <iterator>
#include <string_view>

#include "win32/text_decoding.h"

namespace {

// UTF-8: a byte for most characters of the English and German texts, where UTF-16 takes two.
struct TextEntry {
    TextId id;
    std::array<const char*, 3> byLanguage;  // English, German, Russian
};

// Verbatim, quirks included: Status ends with a blank, the Russian Welcome has a double
// blank, the Russian Agreement quotes with grave accents.
constexpr TextEntry kTexts[] = {
    {TextId::Next, {"&Next", "&Weiter", "&Далее"}},
    {TextId::Back, {"&Back", "&Zurück", "&Назад"}},
    {TextId::Finish, {"&Finish", "&Schließen", "&Завершить"}},
    {TextId::AddFolder, {"&Add MetaTrader Folder", "&Verzeichnis hinzufügen.", "&Добавить MetaTrader 4"}},
    {TextId::Welcome,
     {"Free analytic software for MetaTrader which helps traders to make more informed and "
      "better trading decisions. It\u2019s 100% free and always will be.",
      "Kostenlose Analyse Software für Meta Trader. Die Software hilft Forex Händlern "
      "informierte und dadurch bessere Handelsentscheidungen zu treffen.",
      "Бесплатная программа для MetaTrader 4, с помощью которой трейдеры могут принимать более "
      "взвешенные и  обоснованные торговые решения. Программа является 100% бесплатной."}},
    {TextId::Wait,
     {"Processing your request. Please wait.", "Bitte warten, Ihre Anfrage wird bearbeitet.",
      "Ваш запрос обрабатывается. Пожалуйста, подождите."}},
    {TextId::Folders,
     {"Please specify one or multiple Meta Trader 4 folders where you would like to install the "
      "Software.",
      "Bitte wählen Sie ein oder mehrere Installationsverzeichnisse aus, in denen die Software "
      "installiert werden soll.",
      "Пожалуйста укажите папку или папки с MetaTrader 4, в которые вы хотите установить "
      "программу."}},
    {TextId::Agreement,
     {"The Setup Wizard collected all needed Information to in install the Software.Please read "
      "and accept the End User Agreement. Then click \u2018Next\u2019 to continue with the "
      "installation.",
      "Alle zur Installation der Software erforderlichen Information sind vorhanden. Bitte lesen "
      "Sie den Endbenutzer Lizenzvertrag, bevor Sie mit der Installation fortfahren. Klicken Sie "
      "\u2018Weiter\u2019 um die Software zu installieren.",
      "Установщик завершил сбор необходимой инофрмации для установки. Пожалуйста прочтите и "
      "примите Пользовательское соглашение. Нажмите `Далее` для продолжения установки."}},
    {TextId::Accept,
     {"I have read and agree to the End User Agreement.",
      "Ich habe sie gelesen und akzeptiere die Vereinbarung.",
      "Я прочел и согласен с пользовательским соглашением."}},
    {TextId::Reject,
     {"I do not accept the End User Agreement.",
      "Ich habe sie gelesen, akzeptiere die Vereinbarung aber nicht.",
      "Я не принимаю пользовательское соглашение."}},
    {TextId::Installing,
     {"Please wait while the Setup Wizard installs the software. This may take several minutes.",
      "Bitte warten Sie, bis die Installation abgeschlossen ist. Es kann einige Minuten dauern.",
      "Пожалуйста подождите пока установка завершится. Это может занять несколько минут."}},
    {TextId::Status, {"Status: ", "Kopieren: ", "Копирование: "}},
    {TextId::Installed,
     {"The Software has been successfully installed.",
      "Die Software wurde erfolgreich installiert.", "Программа была успешно установлена."}},
    {TextId::NotInstalledEverywhere,
     {"The Software could not be installed into every folder.",
      "Die Software konnte nicht in alle Verzeichnisse installiert werden.",
      "Программу не удалось установить во все папки."}},
    // The removal that Apps & Features starts: the Installing page's text while it runs, the
    // Finished page's when it is done or a copy is left, and its question.
    {TextId::Removing,
     {"Please wait while the Setup Wizard removes the software. This may take a moment.",
      "Bitte warten Sie, während die Software entfernt wird. Dies kann einen Moment dauern.",
      "Пожалуйста, подождите, пока программа удаляется. Это может занять некоторое время."}},
    {TextId::Removed,
     {"The Software has been removed from this computer.", "Die Software wurde von diesem Computer entfernt.",
      "Программа была удалена с этого компьютера."}},
    {TextId::NotRemovedEverywhere,
     {"The Software could not be removed from every folder. Close the MetaTrader 4 terminals and remove it "
      "again.",
      "Die Software konnte nicht aus allen Verzeichnissen entfernt werden. Schließen Sie die MetaTrader 4 "
      "Terminals und starten Sie die Deinstallation erneut.",
      "Программу не удалось удалить из всех папок. Закройте терминалы MetaTrader 4 и повторите удаление."}},
    {TextId::ConfirmRemoval,
     {"Do you want to remove the Software from every MetaTrader 4 terminal on this computer?",
      "Möchten Sie die Software aus allen MetaTrader 4 Terminals auf diesem Computer entfernen?",
      "Удалить программу из всех терминалов MetaTrader 4 на этом компьютере?"}},
    {TextId::Empty, {"", "", ""}},
    {TextId::ChooseFolderTitle,
     {"Please select MetaTrader folder.", "Bitte wählen Sie einen Ordner MetaTrader 4.",
      "Пожалуйста выберите папку MetaTrader 4."}},
    {TextId::Close, {"Close", "Beenden", "Закрыть"}},
};

}  // namespace

void LookupText(TextId id, Language language, std::wstring& text) {
    const auto column = static_cast<size_t>(language);
    if (column >= 3) return;
    for (const TextEntry& entry : kTexts) {
        if (entry.id == id) {
            const std::string_view utf8 = entry.byLanguage[column];
            text = DecodeText({reinterpret_cast<const BYTE*>(utf8.data()), utf8.size()}, CP_UTF8).value_or(L"");
            return;
        }
    }
}

std::wstring Text(TextId id, Language language) {
    std::wstring text;
    LookupText(id, language, text);
    return text;
}
