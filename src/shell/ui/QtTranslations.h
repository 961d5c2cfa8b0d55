#pragma once
// The toolkit's own texts in the user's language: the buttons of message
// boxes (はい, いいえ, キャンセル), file dialogs (ファイル名, 保存, ファイルの種類 ...),
// colour and input dialogs. Qt ships them as qtbase_<language>.qm in its
// translations directory (Debian package qt6-translations-l10n).

class QTranslator;

namespace tq::shell::ui {

// Installs the Japanese qtbase translation and makes Japanese the default
// locale, whatever the system locale: a locale such as C or en_US must not
// leave a Japanese program with English buttons, column titles ("Folder") or
// dates ("11 Dec") in its dialogs. The translator belongs to the
// application. Returns it, or nullptr when no translation file could be
// loaded (the toolkit's English texts remain).
QTranslator* installQtTranslations();

} // namespace tq::shell::ui
