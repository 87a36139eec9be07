#include "utils/language.h"

#include <algorithm>

#include "utils/exception.h"

TLanguage* Language = nullptr;
std::u16string FontNameRegular;
std::u16string FontNameLight;
std::u16string FontNameSemibold;
std::u16string FontNameMonospace;

TLangItem::TLangItem(std::u16string_view english, std::u16string_view spanish, std::u16string_view portuguese,
                     std::u16string_view french, std::u16string_view german, std::u16string_view russian,
                     std::u16string_view bulgarian, std::u16string_view chineseSimplified,
                     std::u16string_view chineseTraditional, std::u16string_view japanese)
    : English(english), Spanish(spanish), Portuguese(portuguese), French(french), German(german),
      Russian(russian), Bulgarian(bulgarian), ChineseSimplified(chineseSimplified),
      ChineseTraditional(chineseTraditional), Japanese(japanese) {}

namespace {

struct TPhraseRow {
    const char16_t* Key;
    const char16_t* Texts[10];
};

// English, Spanish, Portuguese, French, German, Russian, Bulgarian, Chinese (Simplified),
// Chinese (Traditional), Japanese.
const TPhraseRow PhraseRows[] = {
    {u"INSTALL",
     {u"Install", u"Instalar", u"Instalar", u"Installer", u"Installieren", u"Установить", u"Инсталирай",
      u"安装", u"安裝", u"インストール"}},
    {u"UPDATE",
     {u"Update", u"Actualizar", u"Atualizar", u"Mise à jour", u"Update", u"Обновить", u"Актуализация",
      u"更新", u"更新", u"アップデート"}},
    {u"UNINSTALL",
     {u"Uninstall", u"Desinstalar", u"Desinstalar", u"Désinstaller", u"Deinstallieren", u"Удалить",
      u"Деинсталиране", u"卸载", u"解除安裝", u"アンインストール"}},
    {u"CANCEL",
     {u"Cancel", u"Cancelar", u"Cancelar", u"Annuler", u"Abbrechen", u"Отмена", u"Отказ", u"取消", u"取消",
      u"キャンセル"}},
    {u"VERSION",
     {u"Version", u"Versión", u"Versão", u"Version", u"Version", u"Версия", u"Версия", u"版本", u"版本",
      u"バージョン"}},
    {u"DESTINATION_FOLDER",
     {u"Destination folder", u"Carpeta de destino", u"Pasta de destino", u"Dossier de destination",
      u"Zielordner", u"Папка установки", u"Инсталационна папка", u"目标文件夹", u"目標資料夾",
      u"移動先フォルダ"}},
    {u"UNINSTALL_FROM",
     {u"Uninstall from", u"Desinstalar de", u"Desinstalar de", u"Désinstaller de", u"Deinstallieren von",
      u"Удалить из", u"Изтриване от", u"卸载自", u"解除安裝自", u"アンインストール元"}},
    {u"COPY",
     {u"Copy", u"Copiar", u"Copiar", u"Copie", u"Kopieren", u"Копировать", u"Копие", u"复制", u"複製",
      u"コピー"}},
    {u"PASTE",
     {u"Paste", u"Pegar", u"Colar", u"Coller", u"Einfügen", u"Вставить", u"Поставете", u"粘贴", u"貼上",
      u"貼り付け"}},
    {u"CUT",
     {u"Cut", u"Cortar", u"Cortar", u"Couper", u"Ausschneiden", u"Вырезать", u"Разрез", u"切", u"切",
      u"切り取り"}},
    {u"UNDO",
     {u"Undo", u"Deshacer", u"Desfazer", u"Annuler", u"Rückgängig", u"Отменить", u"Отказ", u"撤消", u"撤銷",
      u"元に戻す"}},
    {u"REDO",
     {u"Redo", u"Rehacer", u"Refazer", u"Rétablir ", u"Wiederherstellen", u"Повторить", u"Повторете", u"重做",
      u"重做", u"やり直し"}},
    {u"DELETE",
     {u"Delete", u"Borrar", u"Excluir", u"Supprimer", u"Löschen", u"Удалить", u"Изтрий", u"删除", u"刪除",
      u"削除"}},
    {u"SELECT_ALL",
     {u"Select All", u"Seleccionar todo", u"Selecionar tudo", u"Tout sélectionner", u"Alles auswählen",
      u"Выделить все", u"Избери всички", u"全选", u"全選", u"すべて選択"}},
    {u"DELETE_LOCAL_WORKSPACES",
     {u"Delete local workspaces, requests and the application settings",
      u"Eliminar espacios de trabajo locales, solicitudes y configuraciones",
      u"Excluir espaços de trabalho locais, solicitações e configurações do aplicativo",
      u"Supprimer les espaces de travail locaux, les requêtes et les paramètres",
      u"Löschen Sie lokale Arbeitsbereiche, Anfragen und Einstellungen",
      u"Удалить локальные рабочие пространства, запросы и настройки",
      u"Изтриване на локални работни пространства, заявки и настройки", u"删除本地工作区、请求和应用程序设置",
      u"刪除本地工作區、請求和應用程式設置",
      u"ローカルワークスペース、リクエスト、アプリケーション設定を削除します"}},
    {u"CLICK_UNINSTALL_TO_START_UNINSTALLATION",
     {u"Click «Uninstall» to start the uninstallation.",
      u"Haga clic en «Desinstalar» para iniciar la desinstalación.",
      u"Clique em «Desinstalar» para iniciar a desinstalação.",
      u"Cliquez sur «Désinstaller» pour lancer la désinstallation.",
      u"Klicken Sie auf «Deinstallieren», um die Deinstallation zu starten.",
      u"Нажмите «Удалить» для запуска процесса удаления.",
      u"Щракнете върху «Деинсталиране», за да започнете деинсталирането.", u"单击卸载开始卸载",
      u"按一下卸載開始卸載", u"「アンインストール」をクリックしてアンインストールを開始します。"}},
    {u"INSUFFICIENT_PRIVILEGES",
     {u"The installer insufficient privileges to access this directory",
      u"El instalador no tiene privilegios suficientes para acceder a este directorio",
      u"O instalador não tem privilégios suficientes para acessar este diretório",
      u"L'installateur ne dispose pas de privilèges suffisants pour accéder à ce répertoire",
      u"Es liegen keine ausreichenden Rechte vor, um auf dieses Verzeichnis zuzugreifen",
      u"Недостаточно прав для доступа к этому каталогу",
      u"Нямате достатъчно права за достъп до тази директория", u"安装程序没有足够的权限访问此目录",
      u"安裝程式沒有足夠的權限存取此目錄",
      u"インストーラにはこのディレクトリにアクセスするための権限がありません"}},
    {u"RUN_THIS_PROGRAM_AS_ADMINISTRATOR",
     {u"Run this program as an administrator", u"Ejecute este programa como administrador",
      u"Execute este programa como administrador", u"Exécutez ce programme en tant qu'administrateur",
      u"Führen Sie dieses Programm als Administrator aus", u"Запустить эту программу от имени администратора",
      u"Стартирайте тази програма като администратор", u"以管理员身份运行该程序", u"以管理員身份執行程式",
      u"このプログラムを管理者として実行します"}},
    {u"CREATE_DESKTOP_SHORTCUT",
     {u"Create a Desktop shortcut", u"Crear un acceso directo de escritorio", u"Crie um atalho no desktop",
      u"Créer un raccourci sur le bureau", u"Erstelle eine Desktop Verknüpfung",
      u"Создать ярлык на рабочем столе", u"Създайте пряк път на работния плот", u"创建桌面快捷方式",
      u"建立桌面快捷方式", u"デスクトップショートカットを作成する"}},
    {u"CREATE_START_MENU_SHORTCUT",
     {u"Create a Start Menu shortcut", u"Crear un acceso directo al menú Inicio",
      u"Crie um atalho no menu Iniciar", u"Créer un raccourci dans le menu Démarrer",
      u"Erstellen Sie eine Verknüpfung zum Startmenü", u"Создать ярлык в меню Пуск",
      u"Създайте пряк път в менюто Старт", u"创建开始菜单快捷方式", u"建立開始功能表快捷方式",
      u"スタートメニューのショートカットを作成する"}},
    {u"RUN_PRODUCT_AFTER_INSTALLATION",
     {u"Run %s after installation", u"Ejecutar %s después de la instalación", u"Execute %s após a instalação",
      u"Exécuter %s après l'installation", u"Führen Sie %s nach der Installation aus",
      u"Запустить %s после установки", u"Стартирайте %s след инсталацията", u"安装后运行%s", u"安裝後運行%s",
      u"インストール後に %s を実行してください"}},
    {u"INSTALLER_DAMAGED",
     {u"The installer file is damaged. Please download the installer again.",
      u"El archivo del instalador está dañado. Descargue el instalador de nuevo.",
      u"O arquivo do instalador está danificado. Baixe o instalador novamente.",
      u"Le fichier d'installation est endommagé. Veuillez télécharger le programme d'installation à nouveau.",
      u"Die Installationsdatei ist beschädigt. Bitte laden Sie das Installationsprogramm erneut herunter.",
      u"Файл установщика повреждён. Загрузите установщик заново.",
      u"Файлът на инсталатора е повреден. Моля, изтеглете инсталатора отново.",
      u"安装程序文件已损坏。请重新下载安装程序。", u"安裝程式檔案已損毀。請重新下載安裝程式。",
      u"インストーラーのファイルが破損しています。インストーラーをもう一度ダウンロードしてください。"}},
    {u"PRODUCT_STILL_RUNNING",
     {u"%s is still running. Close it, then try again.",
      u"%s todavía se está ejecutando. Ciérrelo y vuelva a intentarlo.",
      u"O %s ainda está em execução. Feche-o e tente novamente.",
      u"%s est toujours en cours d'exécution. Fermez-le, puis réessayez.",
      u"%s wird noch ausgeführt. Schließen Sie es, und versuchen Sie es dann erneut.",
      u"%s всё ещё работает. Закройте его и повторите попытку.",
      u"%s все още работи. Затворете го и опитайте отново.", u"%s 仍在运行。请先关闭它，然后重试。",
      u"%s 仍在執行中。請先將其關閉，然後再試一次。",
      u"%s はまだ実行中です。%s を終了してから、もう一度お試しください。"}},
};

} // namespace

TLanguage::TLanguage(std::u16string LanguageName) {
    for (const auto& row : PhraseRows) {
        const auto* t = row.Texts;
        FPhrases.emplace_back(row.Key, TLangItem(t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7], t[8], t[9]));
    }
    std::sort(FPhrases.begin(), FPhrases.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    SetLanguage(std::move(LanguageName));
}

void TLanguage::SetLanguage(std::u16string LanguageName) {
    FLanguageName = std::move(LanguageName);
    const bool eastAsian = FLanguageName.starts_with(u"Chinese") || FLanguageName == u"Japanese";
    FFonts = eastAsian ? TFontNames{u"Microsoft YaHei UI", u"Microsoft YaHei UI Light", u"Microsoft YaHei UI",
                                    u"Consolas"}
                       : TFontNames{u"Segoe UI", u"Segoe UI Light", u"Segoe UI Semibold", u"Consolas"};
}

std::u16string_view TLanguage::SelectField(const TLangItem& item) const {
    const std::u16string& name = FLanguageName;
    if (name == u"Russian") {
        return item.Russian;
    }
    if (name == u"Bulgarian") {
        return item.Bulgarian;
    }
    if (name == u"Spanish") {
        return item.Spanish;
    }
    if (name == u"Portuguese") {
        return item.Portuguese;
    }
    if (name == u"French") {
        return item.French;
    }
    if (name == u"German") {
        return item.German;
    }
    if (name == u"Chinese (Simplified)") {
        return item.ChineseSimplified;
    }
    if (name == u"Chinese (Traditional)") {
        return item.ChineseTraditional;
    }
    if (name == u"Japanese") {
        return item.Japanese;
    }
    return item.English;
}

std::u16string TLanguage::Get(std::u16string_view ValueId) const {
    const auto found =
        std::lower_bound(FPhrases.begin(), FPhrases.end(), ValueId,
                         [](const auto& entry, std::u16string_view key) { return entry.first < key; });
    if (found == FPhrases.end() || found->first != ValueId) {
        throw EError(u"Phrase id \"" + std::u16string(ValueId) + u"\" not found.");
    }
    return std::u16string(SelectField(found->second));
}

std::u16string GetPhrase(std::u16string_view ValueId) {
    return Language->Get(ValueId);
}
