#include "jetimport/RaceDataImport.h"

#include "jetimport/JetTableSource.h"
#include "jetimport/SqliteTableSource.h"
#include "store/JetFileCheck.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tq::jetimport {

namespace {

// A failure of one source file; what() names the file and the cause.
class FileFailure : public std::runtime_error {
public:
    FileFailure(const QString& file, const QString& cause)
        : std::runtime_error(QStringLiteral("%1: %2").arg(file, cause).toStdString()), file(file)
    {
    }
    QString file;
};

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

QString previousPath(const QString& target)
{
    return target + QStringLiteral(".previous");
}

bool startsLikeSqlite(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(16) == QByteArray("SQLite format 3", 16);
}

void convertFile(FileReport& file, const RaceImportCallbacks& callbacks)
{
    try {
        auto source = openTableSource(file.source, file.format);
        file.damage = source->damage();
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
    } catch (const ImportCancelled&) {
        throw;
    } catch (const std::exception& e) {
        throw FileFailure(file.source, QString::fromStdString(e.what()));
    }
}

bool renameFile(const QString& from, const QString& to)
{
    // rename(2) replaces the target in one step.
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// One target while the converted files are put in place.
struct Placement {
    QString target;
    bool movedAside = false; // its earlier file is at previousPath
    bool placed = false;     // the converted file is at target
};

// Undoes the placements, last first. Returns the targets that could not be
// put back as they were.
QStringList putBack(const QList<Placement>& done)
{
    QStringList failed;
    for (auto it = done.crbegin(); it != done.crend(); ++it) {
        const bool restored = it->movedAside ? renameFile(previousPath(it->target), it->target)
                                             : !it->placed || QFile::remove(it->target);
        if (!restored)
            failed << it->target;
    }
    return failed;
}

// Puts every converted file in place of its target, all or none. Sets the
// report's error (and partlyWritten when the undo failed too) or written.
void placeAll(ImportReport& report)
{
    QList<Placement> done;
    for (const FileReport& f : report.files) {
        Placement p{f.target};
        if (QFileInfo(f.target).isFile()) {
            if (!renameFile(f.target, previousPath(f.target))) {
                report.error = QStringLiteral("%1 cannot be moved aside (%2)").arg(f.target, systemError());
                report.errorFile = f.target;
                break;
            }
            p.movedAside = true;
        }
        done << p;
        if (!renameFile(temporaryPath(f.target), f.target)) {
            report.error = QStringLiteral("%1 cannot be replaced (%2)").arg(f.target, systemError());
            report.errorFile = f.target;
            break;
        }
        done.last().placed = true;
    }
    if (report.error.isEmpty()) {
        for (const Placement& p : done)
            if (p.movedAside)
                QFile::remove(previousPath(p.target));
        report.written = true;
        return;
    }
    const QStringList failed = putBack(done);
    if (failed.isEmpty())
        return;
    report.partlyWritten = true;
    report.error += QStringLiteral("; putting back the earlier files failed too for %1 (an earlier file is kept as NAME.previous)")
                        .arg(failed.join(QStringLiteral(", ")));
}

} // namespace

bool FileReport::lostData() const
{
    if (!damage.isEmpty())
        return true;
    for (const TableReport& t : tables)
        if (t.lostData())
            return true;
    return false;
}

bool ImportReport::ok() const
{
    if (!error.isEmpty() || cancelled || heldBack)
        return false;
    for (const FileReport& f : files) {
        if (!f.damage.isEmpty())
            return false;
        for (const TableReport& t : f.tables)
            if (!t.ok())
                return false;
    }
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

bool ImportReport::lostData() const
{
    return !lostDataSources().isEmpty();
}

QStringList ImportReport::lostDataSources() const
{
    QStringList sources;
    for (const FileReport& f : files)
        if (f.lostData())
            sources << f.source;
    return sources;
}

std::unique_ptr<TableSource> openTableSource(const QString& path, QString& format)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw std::runtime_error("the file does not exist");
    if (!info.isFile())
        throw std::runtime_error("not a regular file");
    if (info.size() == 0)
        throw std::runtime_error("the file is empty, neither a Jet nor a SQLite database");
    if (store::isJetFile(path)) {
        auto jet = std::make_unique<JetTableSource>(path);
        format = QStringLiteral("Jet %1").arg(jet->jetVersion());
        return jet;
    }
    if (!startsLikeSqlite(path))
        throw std::runtime_error("neither a Jet nor a SQLite database");
    auto sqlite = std::make_unique<SqliteTableSource>(path);
    const QStringList names = sqlite->tableNames();
    if (std::none_of(names.cbegin(), names.cend(), [](const QString& n) { return !raceDataIndexes(n).isEmpty(); }))
        throw std::runtime_error("a SQLite database without any race-data table");
    format = QStringLiteral("SQLite");
    return sqlite;
}

ImportReport importRaceData(const QString& fromDir, const QString& outDir, const RaceImportCallbacks& callbacks,
                            bool acceptDamaged)
{
    ImportReport report;
    const QDir from(fromDir);
    if (!from.exists()) {
        report.error = QStringLiteral("変換元のフォルダ %1 がありません").arg(fromDir);
        return report;
    }
    if (!QDir().mkpath(outDir)) {
        report.error = QStringLiteral("変換先のフォルダ %1 を作れません").arg(outDir);
        return report;
    }
    const QDir out(outDir);
    if (QFileInfo(from.absolutePath()).canonicalFilePath() == QFileInfo(out.absolutePath()).canonicalFilePath()) {
        report.error = QStringLiteral("変換先には変換元 %1 と別のフォルダを指定して下さい").arg(fromDir);
        return report;
    }
    for (const QString& name : raceDataFileNames()) {
        const QString source = findFile(from, name);
        if (!source.isEmpty())
            report.files.append({source, out.filePath(name), {}, {}, {}});
    }
    if (report.files.isEmpty()) {
        report.error = QStringLiteral("%2 にレースデータのファイル（%1）がありません")
                           .arg(raceDataFileNames().join(QStringLiteral(", ")), fromDir);
        return report;
    }
    try {
        for (FileReport& file : report.files)
            convertFile(file, callbacks);
        if (report.lostData() && !acceptDamaged)
            report.heldBack = true;
        else
            placeAll(report);
    } catch (const ImportCancelled&) {
        report.cancelled = true;
    } catch (const FileFailure& e) {
        report.error = QString::fromStdString(e.what());
        report.errorFile = e.file;
    } catch (const std::exception& e) {
        report.error = QString::fromStdString(e.what());
    }
    for (const FileReport& f : report.files)
        QFile::remove(temporaryPath(f.target));
    return report;
}

} // namespace tq::jetimport
