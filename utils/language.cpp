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
    // The command-line help: a line for each switch and each exit code; the switches themselves
    // are the same in every language.
    {u"HELP_USAGE",
     {u"Usage: %s [switches]", u"Uso: %s [opciones]", u"Uso: %s [opções]", u"Utilisation : %s [options]",
      u"Aufruf: %s [Optionen]", u"Использование: %s [параметры]", u"Употреба: %s [параметри]",
      u"用法：%s [选项]", u"用法：%s [選項]", u"使い方: %s [オプション]"}},
    {u"HELP_INSTALL",
     {u"install (the default)", u"instalar (predeterminado)", u"instalar (padrão)", u"installer (par défaut)",
      u"installieren (Standard)", u"установить (по умолчанию)", u"инсталиране (по подразбиране)",
      u"安装（默认）", u"安裝（預設）", u"インストールする（既定）"}},
    {u"HELP_UPDATE",
     {u"update an existing installation", u"actualizar una instalación existente",
      u"atualizar uma instalação existente", u"mettre à jour une installation existante",
      u"eine vorhandene Installation aktualisieren", u"обновить существующую установку",
      u"актуализиране на съществуваща инсталация", u"更新现有安装", u"更新現有安裝",
      u"既存のインストールを更新する"}},
    {u"HELP_UNINSTALL",
     {u"uninstall", u"desinstalar", u"desinstalar", u"désinstaller", u"deinstallieren", u"удалить",
      u"деинсталиране", u"卸载", u"解除安裝", u"アンインストールする"}},
    {u"HELP_SILENT",
     {u"no window; an error ends the run with an exit code",
      u"sin ventana; un error termina la ejecución con un código de salida",
      u"sem janela; um erro encerra a execução com um código de saída",
      u"sans fenêtre ; une erreur termine l'exécution avec un code de sortie",
      u"ohne Fenster; ein Fehler beendet den Lauf mit einem Exit-Code",
      u"без окна; при ошибке работа завершается с кодом выхода",
      u"без прозорец; при грешка изпълнението завършва с код за изход", u"不显示窗口；出错时以退出代码结束",
      u"不顯示視窗；發生錯誤時以結束代碼結束",
      u"ウィンドウを表示しません。エラー時は終了コードで終了します"}},
    {u"HELP_VERYSILENT",
     {u"as /silent, and %s is not started afterwards", u"como /silent, y %s no se inicia al terminar",
      u"como /silent, e o %s não é iniciado ao final", u"comme /silent, et %s n'est pas lancé ensuite",
      u"wie /silent, und %s wird danach nicht gestartet", u"как /silent, и %s после этого не запускается",
      u"като /silent, но %s не се стартира след това", u"同 /silent，且之后不启动 %s",
      u"同 /silent，且之後不啟動 %s", u"/silent と同じですが、終了後に %s を起動しません"}},
    {u"HELP_DIR",
     {u"the destination folder", u"la carpeta de destino", u"a pasta de destino",
      u"le dossier de destination", u"der Zielordner", u"папка установки", u"инсталационната папка",
      u"目标文件夹", u"目標資料夾", u"インストール先のフォルダー"}},
    {u"HELP_STORE",
     {u"a new installation records the Store as its source",
      u"una instalación nueva registra la Store como origen",
      u"uma nova instalação registra a Store como origem",
      u"une nouvelle installation enregistre le Store comme source",
      u"eine neue Installation vermerkt den Store als Quelle",
      u"новая установка записывает Store как источник", u"новата инсталация записва Store като източник",
      u"全新安装将 Store 记录为来源", u"全新安裝會將 Store 記錄為來源",
      u"新規インストールの入手元を Store として記録します"}},
    {u"HELP_NO_DESKTOP_SHORTCUT",
     {u"no desktop shortcut", u"sin acceso directo en el escritorio", u"sem atalho na área de trabalho",
      u"pas de raccourci sur le bureau", u"keine Desktopverknüpfung", u"без ярлыка на рабочем столе",
      u"без пряк път на работния плот", u"不创建桌面快捷方式", u"不建立桌面捷徑",
      u"デスクトップにショートカットを作成しません"}},
    {u"HELP_NO_START_MENU_SHORTCUT",
     {u"no Start menu shortcut", u"sin acceso directo en el menú Inicio", u"sem atalho no menu Iniciar",
      u"pas de raccourci dans le menu Démarrer", u"keine Verknüpfung im Startmenü",
      u"без ярлыка в меню «Пуск»", u"без пряк път в менюто „Старт“", u"不创建“开始”菜单快捷方式",
      u"不建立「開始」功能表捷徑", u"スタート メニューにショートカットを作成しません"}},
    {u"HELP_DELETE_DATA",
     {u"with /uninstall: also delete local workspaces, requests and the settings",
      u"con /uninstall: elimina también los espacios de trabajo locales, las solicitudes y la configuración",
      u"com /uninstall: exclui também os espaços de trabalho locais, as solicitações e as configurações",
      u"avec /uninstall : supprime aussi les espaces de travail locaux, les requêtes et les paramètres",
      u"mit /uninstall: löscht auch lokale Arbeitsbereiche, Anfragen und die Einstellungen",
      u"с /uninstall: удаляет также локальные рабочие пространства, запросы и настройки",
      u"с /uninstall: изтрива и локалните работни пространства, заявките и настройките",
      u"与 /uninstall 一起使用：同时删除本地工作区、请求和设置",
      u"與 /uninstall 一起使用：同時刪除本機工作區、請求和設定",
      u"/uninstall と併用: ローカルのワークスペース、リクエスト、設定も削除します"}},
    {u"HELP_LOG",
     {u"write each step to this log file", u"escribir cada paso en este archivo de registro",
      u"gravar cada etapa neste arquivo de log", u"consigner chaque étape dans ce fichier journal",
      u"jeden Schritt in diese Protokolldatei schreiben", u"записывать каждый шаг в этот файл журнала",
      u"записване на всяка стъпка в този журнален файл", u"将每个步骤写入此日志文件",
      u"將每個步驟寫入此記錄檔", u"各手順をこのログ ファイルに書き込みます"}},
    {u"HELP_HELP",
     {u"show this help", u"mostrar esta ayuda", u"mostrar esta ajuda", u"afficher cette aide",
      u"diese Hilfe anzeigen", u"показать эту справку", u"показване на тази помощ", u"显示此帮助",
      u"顯示此說明", u"このヘルプを表示します"}},
    {u"HELP_EXIT_CODES",
     {u"Exit codes:", u"Códigos de salida:", u"Códigos de saída:", u"Codes de sortie :", u"Exit-Codes:",
      u"Коды выхода:", u"Кодове за изход:", u"退出代码：", u"結束代碼：", u"終了コード:"}},
    {u"HELP_EXIT_0",
     {u"done, cancelled, or the window was closed", u"terminado, cancelado o se cerró la ventana",
      u"concluído, cancelado ou a janela foi fechada", u"terminé, annulé ou fenêtre fermée",
      u"fertig, abgebrochen oder das Fenster wurde geschlossen", u"готово, отменено или окно закрыто",
      u"готово, отказано или прозорецът е затворен", u"完成、已取消或窗口已关闭", u"完成、已取消或視窗已關閉",
      u"完了、キャンセル、またはウィンドウが閉じられました"}},
    {u"HELP_EXIT_1",
     {u"the action failed and nothing was changed", u"la acción falló y no se cambió nada",
      u"a ação falhou e nada foi alterado", u"l'action a échoué et rien n'a été modifié",
      u"die Aktion ist fehlgeschlagen, und nichts wurde geändert",
      u"действие не выполнено, ничего не изменено", u"действието е неуспешно и нищо не е променено",
      u"操作失败，未做任何更改", u"操作失敗，未做任何變更", u"操作に失敗しました。何も変更されていません"}},
    {u"HELP_EXIT_2",
     {u"the destination folder cannot be written", u"no se puede escribir en la carpeta de destino",
      u"não é possível gravar na pasta de destino", u"impossible d'écrire dans le dossier de destination",
      u"in den Zielordner kann nicht geschrieben werden", u"нет прав на запись в папку установки",
      u"в инсталационната папка не може да се записва", u"无法写入目标文件夹", u"無法寫入目標資料夾",
      u"インストール先のフォルダーに書き込めません"}},
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
