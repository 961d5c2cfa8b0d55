#include "jetimport/ui/JetImportDialog.h"

#include "appdb/Preparation.h"
#include "context/AppContext.h"
#include "jetimport/AppDbImport.h"
#include "jetimport/RaceDataImport.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>

namespace tq::jetimport::ui {

namespace {

// A line edit with a 参照 button that fills it from a file dialog.
QWidget* withBrowse(QLineEdit* edit, QWidget* parent, bool directory)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* browse = new QPushButton(QStringLiteral("参照..."), row);
    layout->addWidget(edit, 1);
    layout->addWidget(browse);
    QObject::connect(browse, &QPushButton::clicked, row, [edit, parent, directory] {
        const QString chosen = directory ? QFileDialog::getExistingDirectory(parent, QString(), edit->text())
                                         : QFileDialog::getOpenFileName(parent, QString(), edit->text(),
                                                                        QStringLiteral("Jet データベース (*.mdb)"));
        if (!chosen.isEmpty())
            edit->setText(chosen);
    });
    return row;
}

QString tableLine(const TableReport& t)
{
    if (!t.failure.isEmpty())
        return QStringLiteral("  %1: 読めません（%2）").arg(t.table, t.failure);
    QString line = QStringLiteral("  %1: 読込 %2 件, 書込 %3 件").arg(t.table).arg(t.read).arg(t.written);
    if (t.damaged > 0)
        line += QStringLiteral(", 壊れた行 %1").arg(t.damaged);
    if (t.damagedValues > 0)
        line += QStringLiteral(", 壊れた値 %1").arg(t.damagedValues);
    if (t.unconverted > 0)
        line += QStringLiteral(", 変換できない値 %1").arg(t.unconverted);
    for (const QString& s : t.samples + t.notes)
        line += QStringLiteral("\n    ") + s;
    return line;
}

QString damagedFileNames(const ImportReport& report)
{
    QStringList names;
    for (const QString& source : report.lostDataSources())
        names << QFileInfo(source).fileName();
    return names.join(QStringLiteral("、"));
}

// The closing line of a race-data import.
QString outcomeLine(const ImportReport& report)
{
    if (report.cancelled)
        return QStringLiteral("中止しました。変換先は変更していません。");
    if (report.partlyWritten)
        return QStringLiteral("変換先の一部だけが変わりました（%1）").arg(report.error);
    if (!report.error.isEmpty()) {
        const QString file = report.errorFile.isEmpty() ? QString() : QFileInfo(report.errorFile).fileName() + QStringLiteral(" を");
        return QStringLiteral("%1変換できませんでした。変換先は変更していません（%2）").arg(file, report.error);
    }
    if (report.heldBack)
        return QStringLiteral("%1 に壊れていて読めなかった行か値があります（上の一覧）。変換先は変更していません。"
                              "「壊れた行があっても書き込む」で書き込めます。")
            .arg(damagedFileNames(report));
    if (report.lostData())
        return QStringLiteral("変換しましたが、%1 に壊れていて読めなかった行か値があります（上の一覧）。").arg(damagedFileNames(report));
    if (report.ok())
        return QStringLiteral("変換しました。KORVEN.INI の DBDir を変換先にして再起動して下さい。");
    return QStringLiteral("変換しましたが、正しく変換できなかった値があります（上の一覧）。");
}

} // namespace

JetImportDialog::JetImportDialog(context::AppContext& ctx, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_from(new QLineEdit(this)), m_out(new QLineEdit(this)),
      m_acceptDamaged(new QCheckBox(QStringLiteral("壊れた行があっても書き込む"), this)), m_appFile(new QLineEdit(this)),
      m_replace(new QCheckBox(QStringLiteral("同じ名前は取り込んだ方にする"), this)),
      m_report(new QPlainTextEdit(this))
{
    setWindowTitle(QStringLiteral("Jetデータベースの取り込み"));
    auto* layout = new QVBoxLayout(this);

    auto* race = new QGroupBox(QStringLiteral("レースデータ（korven_*.mdb, VUDevuzI.mdb）を変換"), this);
    auto* raceForm = new QFormLayout(race);
    raceForm->addRow(QStringLiteral("元のフォルダ"), withBrowse(m_from, this, true));
    raceForm->addRow(QStringLiteral("変換先のフォルダ"), withBrowse(m_out, this, true));
    raceForm->addRow(m_acceptDamaged);
    auto* convert = new QPushButton(QStringLiteral("変換"), race);
    raceForm->addRow(convert);
    layout->addWidget(race);

    auto* app = new QGroupBox(QStringLiteral("以前のDEVovuved.mdbからお気に入りと設定を取り込む"), this);
    auto* appForm = new QFormLayout(app);
    appForm->addRow(QStringLiteral("ファイル"), withBrowse(m_appFile, this, false));
    appForm->addRow(m_replace);
    auto* takeOver = new QPushButton(QStringLiteral("取り込み"), app);
    appForm->addRow(takeOver);
    layout->addWidget(app);

    m_report->setReadOnly(true);
    layout->addWidget(m_report, 1);
    auto* close = new QPushButton(QStringLiteral("閉じる"), this);
    layout->addWidget(close, 0, Qt::AlignRight);
    resize(640, 520);

    connect(convert, &QPushButton::clicked, this,
            [this] { importRaceData(m_from->text(), m_out->text(), m_acceptDamaged->isChecked()); });
    connect(takeOver, &QPushButton::clicked, this,
            [this] { importAppDatabase(m_appFile->text(), m_replace->isChecked()); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

QString JetImportDialog::reportText() const
{
    return m_report->toPlainText();
}

void JetImportDialog::importRaceData(const QString& from, const QString& out, bool acceptDamaged)
{
    QProgressDialog progress(QStringLiteral("変換中です"), QStringLiteral("中止"), 0, 1000, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    RaceImportCallbacks callbacks;
    callbacks.progress = [&progress](const QString& file, const QString& table, qint64 done, qint64 total) {
        progress.setLabelText(QStringLiteral("%1 %2\n%3 / %4 件").arg(file, table).arg(done).arg(total));
        progress.setValue(total > 0 ? int(done * 1000 / total) : 1000);
        QCoreApplication::processEvents();
    };
    callbacks.cancelled = [&progress] {
        QCoreApplication::processEvents();
        return progress.wasCanceled();
    };
    const ImportReport report = jetimport::importRaceData(from, out, callbacks, acceptDamaged);
    progress.reset();

    QStringList lines;
    for (const FileReport& f : report.files) {
        if (f.tables.isEmpty() && f.damage.isEmpty())
            continue;
        lines << QStringLiteral("%1 (%2) → %3").arg(f.source, f.format, f.target);
        if (!f.damage.isEmpty())
            lines << QStringLiteral("  壊れています（%1）").arg(f.damage);
        for (const TableReport& t : f.tables)
            lines << tableLine(t);
    }
    lines << outcomeLine(report);
    m_report->setPlainText(lines.join(QLatin1Char('\n')));
}

void JetImportDialog::importAppDatabase(const QString& file, bool replace)
{
    const AppImportReport report = jetimport::importAppDatabase(m_ctx, file, replace);
    QStringList lines = report.lines;
    if (!report.error.isEmpty()) {
        lines << QStringLiteral("%1 を取り込めませんでした。何も変更していません（%2）").arg(QFileInfo(file).fileName(), report.error);
    } else {
        lines << QStringLiteral("取り込みました（追加 %1, 置換 %2, 残した %3）。").arg(report.added).arg(report.replaced).arg(report.kept);
        // Thresholds taken over apply to the next results.
        try {
            appdb::readColourSettings(m_ctx);
        } catch (const std::exception& e) {
            m_ctx.errorLog.report({0, QString::fromStdString(e.what()), {}}, QStringLiteral("mnuImportJet_Click"));
        }
    }
    m_report->setPlainText(lines.join(QLatin1Char('\n')));
}

} // namespace tq::jetimport::ui
