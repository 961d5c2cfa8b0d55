#pragma once
// The condition-file names of the main window's file commands: the dialog
// filters and the document title of a path.

#include <QString>

namespace tq::shell::ui {

// The filters of the condition-file dialogs, in the Windows form
// "description|pattern|description|pattern".
QString openFileFilter();
QString saveFileFilter();
// The same filter in Qt's form "description (pattern);;description (pattern)";
// the file dialog of the GUI prompter needs this form.
QString toQtFileFilter(const QString& windowsFilter);

// The file title of a condition file path: the text between the last path
// separator ("\" or "/") and the last four characters (the extension such as
// ".tqb"); the whole path unchanged when no separator stands before the last
// four characters.
QString GetDocTitle(const QString& path);

} // namespace tq::shell::ui
