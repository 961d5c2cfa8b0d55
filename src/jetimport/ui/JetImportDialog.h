#pragma once
// ツール → Jetデータベースの取り込み: converts race-data Jet files into the
// SQLite files the program reads (a progress window with 中止), or imports
// an old application database's favourites and settings into the open one.
// The report of either is shown in the dialog.

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;

namespace tq::context {
class AppContext;
}

namespace tq::jetimport::ui {

class JetImportDialog final : public QDialog {
    Q_OBJECT
public:
    JetImportDialog(context::AppContext& ctx, QWidget* parent = nullptr);

    // The two imports, also callable without the buttons (tests).
    void importRaceData(const QString& from, const QString& out, bool acceptDamaged = false);
    void importAppDatabase(const QString& file, bool replace);

    QString reportText() const;

private:
    context::AppContext& m_ctx;
    QLineEdit* m_from;
    QLineEdit* m_out;
    QCheckBox* m_acceptDamaged;
    QLineEdit* m_appFile;
    QCheckBox* m_replace;
    QPlainTextEdit* m_report;
};

} // namespace tq::jetimport::ui
