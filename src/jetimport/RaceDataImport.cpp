#include "jetimport/RaceDataImport.h"

#include "jetimport/JetTableSource.h"
#include "jetimport/SqliteTableSource.h"
#include "store/JetFileCheck.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace tq::jetimport {

namespace {

// The file of that name in `dir`, letter case ignored (the sources often come
// from a case-insensitive file system); empty when there is none.
QString findFile(const QDir& dir, const QString& name)
{
    for (const QString& entry : dir.entryList(QDir::Files))
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    return {};
}

QString temporaryPath(const QString& target)
{
    return target + QStringLiteral(".tmp");
}

void convertFile(FileReport& file, const RaceImportCallbacks& callbacks)
{
    auto source = openTableSource(file.source, file.format);
    ConvertedFile out(temporaryPath(file.target));
    const QString fileName = QFileInfo(file.target).fileName();
    CopyCallbacks copy;
    copy.cancelled = callbacks.cancelled;
    if (callbacks.progress)
        copy.progress = [&](const QString& table, qint64 done, qint64 total) {
            callbacks.progress(fileName, table, done, total);
        };
    for (const TableInfo& table : source->tables())
        file.tables << out.copyTable(*source, table, raceDataIndexes(table.name), copy);
    out.finish();
}

// Puts every temporary file in place of its target. A failure midway leaves
// the remaining temporary files removed and says which target failed.
QString renameAll(const QList<FileReport>& files)
{
    for (const FileReport& f : files) {
        // rename(2) replaces the target in one step.
        if (std::rename(QFile::encodeName(temporaryPath(f.target)).constData(),
                        QFile::encodeName(f.target).constData()) != 0) {
            for (const FileReport& g : files)
                QFile::remove(temporaryPath(g.target));
            return QStringLiteral("cannot rename %1 to %2").arg(temporaryPath(f.target), f.target);
        }
    }
    return {};
}

} // namespace

bool ImportReport::ok() const
{
    if (!error.isEmpty() || cancelled)
        return false;
    for (const FileReport& f : files)
        for (const TableReport& t : f.tables)
            if (!t.ok())
                return false;
    return true;
}

qint64 ImportReport::unconverted() const
{
    qint64 n = 0;
    for (const FileReport& f : files)
        for (const TableReport& t : f.tables)
            n += t.unconverted;
    return n;
}

std::unique_ptr<TableSource> openTableSource(const QString& path, QString& format)
{
    if (store::isJetFile(path)) {
        auto jet = std::make_unique<JetTableSource>(path);
        format = QStringLiteral("Jet %1").arg(jet->jetVersion());
        return jet;
    }
    format = QStringLiteral("SQLite");
    return std::make_unique<SqliteTableSource>(path);
}

ImportReport importRaceData(const QString& fromDir, const QString& outDir, const RaceImportCallbacks& callbacks)
{
    ImportReport report;
    const QDir from(fromDir);
    if (!from.exists()) {
        report.error = QStringLiteral("the source directory %1 does not exist").arg(fromDir);
        return report;
    }
    if (!QDir().mkpath(outDir)) {
        report.error = QStringLiteral("the output directory %1 cannot be created").arg(outDir);
        return report;
    }
    const QDir out(outDir);
    if (QFileInfo(from.absolutePath()).canonicalFilePath() == QFileInfo(out.absolutePath()).canonicalFilePath()) {
        report.error = QStringLiteral("the output directory must differ from the source directory %1").arg(fromDir);
        return report;
    }
    for (const QString& name : raceDataFileNames()) {
        const QString source = findFile(from, name);
        if (!source.isEmpty())
            report.files.append({source, out.filePath(name), {}, {}});
    }
    if (report.files.isEmpty()) {
        report.error = QStringLiteral("no race-data file (%1) in %2")
                           .arg(raceDataFileNames().join(QStringLiteral(", ")), fromDir);
        return report;
    }
    try {
        for (FileReport& file : report.files)
            convertFile(file, callbacks);
        report.error = renameAll(report.files);
    } catch (const ImportCancelled&) {
        report.cancelled = true;
    } catch (const std::exception& e) {
        report.error = QString::fromStdString(e.what());
    }
    if (!report.error.isEmpty() || report.cancelled)
        for (const FileReport& f : report.files)
            QFile::remove(temporaryPath(f.target));
    return report;
}

} // namespace tq::jetimport
