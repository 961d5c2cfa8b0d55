// import-jet: converts existing Jet databases. --from/--out converts the
// race-data files into the SQLite files the program reads; --app copies an old
// application database's favourites and settings into the program directory's.
#include "Commands.h"

#include "jetimport/AppDbImport.h"
#include "jetimport/RaceDataImport.h"

#include <QElapsedTimer>

#include <atomic>
#include <csignal>
#include <cstdio>

namespace tq::app {

namespace {

std::atomic<bool> g_importInterrupted{false};

extern "C" void onImportInterrupt(int)
{
    g_importInterrupted = true;
}

// Ctrl-C sets the flag the import polls; the import then removes its
// temporary files and reports the cancellation.
class InterruptScope final {
public:
    InterruptScope() { m_previous = std::signal(SIGINT, onImportInterrupt); }
    ~InterruptScope() { std::signal(SIGINT, m_previous); }
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;

private:
    void (*m_previous)(int) = nullptr;
};

int usage()
{
    std::fputs("usage: DEVovuved import-jet --from DIR --out DIR [--accept-damaged]\n"
               "       DEVovuved [--app-dir DIR] import-jet --app FILE.mdb [--replace]\n"
               "  --from DIR   directory holding the race-data Jet files (korven_this.mdb, korven_data.mdb,\n"
               "               korven_code.mdb, korven_keto.mdb, VUDevuzI.mdb); opened read-only\n"
               "  --out DIR    directory to write the converted SQLite files into (not the source directory)\n"
               "  --accept-damaged\n"
               "               with --from: write the conversion even when rows or values were lost to damage\n"
               "               (otherwise the output directory is left as it was)\n"
               "  --app FILE   an application database in Jet format: its favourites, aggregate favourites,\n"
               "               list settings, column widths and colour thresholds are copied into the\n"
               "               program directory's application database\n"
               "  --replace    with --app: a name present on both sides takes the imported row\n"
               "  exit status: 0 done, 1 some value could not be converted or the import failed, 2 usage\n",
               stderr);
    return 2;
}

void err(const QString& text)
{
    std::fputs(text.toUtf8().constData(), stderr);
}

void out(const QString& line)
{
    std::fputs(QString(line + QLatin1Char('\n')).toUtf8().constData(), stdout);
}

// One line on stderr per table, redrawn at most five times a second.
class ProgressLine final {
public:
    void show(const QString& file, const QString& table, qint64 done, qint64 total)
    {
        const QString key = file + QLatin1Char('/') + table;
        if (key != m_key) {
            if (!m_key.isEmpty())
                err(QStringLiteral("\n"));
            m_key = key;
        } else if (done < total && m_timer.isValid() && m_timer.elapsed() < 200) {
            return;
        }
        m_timer.start();
        const int width = 30;
        const int filled = total > 0 ? int(std::min<qint64>(done, total) * width / total) : width;
        err(QStringLiteral("\r%1 %2 [%3%4] %5 / %6 rows")
                .arg(file, table, QString(filled, QLatin1Char('#')), QString(width - filled, QLatin1Char(' ')))
                .arg(done)
                .arg(total));
    }
    void end()
    {
        if (!m_key.isEmpty())
            err(QStringLiteral("\n"));
        m_key.clear();
    }

private:
    QString m_key;
    QElapsedTimer m_timer;
};

void printTable(const jetimport::TableReport& t)
{
    if (!t.failure.isEmpty()) {
        out(QStringLiteral("  %1: cannot be read (%2)").arg(t.table, t.failure));
        return;
    }
    QString line = QStringLiteral("  %1: read %2, written %3").arg(t.table).arg(t.read).arg(t.written);
    if (t.damaged > 0)
        line += QStringLiteral(", damaged rows %1").arg(t.damaged);
    if (t.damagedValues > 0)
        line += QStringLiteral(", damaged values %1").arg(t.damagedValues);
    if (t.unconverted > 0)
        line += QStringLiteral(", not converted %1").arg(t.unconverted);
    out(line);
    for (const QString& s : t.samples + t.notes)
        out(QStringLiteral("    ") + s);
}

// The closing line of a race-data import that did not fail.
int reportOutcome(const jetimport::ImportReport& report, const QString& outDir)
{
    if (report.heldBack) {
        err(QStringLiteral("import-jet: rows or values of %1 were lost to damage (see above); nothing was written to %2 "
                           "(--accept-damaged writes the conversion all the same)\n")
                .arg(report.lostDataSources().join(QStringLiteral(", ")), outDir));
        return 1;
    }
    if (report.lostData())
        err(QStringLiteral("import-jet: written to %1 with rows or values of %2 lost to damage (see above)\n")
                .arg(outDir, report.lostDataSources().join(QStringLiteral(", "))));
    if (report.unconverted() > 0)
        err(QStringLiteral("import-jet: %1 values could not be converted exactly (see above)\n").arg(report.unconverted()));
    return report.ok() ? 0 : 1;
}

int runRaceData(const QString& from, const QString& outDir, bool acceptDamaged)
{
    InterruptScope interrupt;
    ProgressLine line;
    jetimport::RaceImportCallbacks callbacks;
    callbacks.progress = [&line](const QString& file, const QString& table, qint64 done, qint64 total) {
        line.show(file, table, done, total);
    };
    callbacks.cancelled = [] { return g_importInterrupted.load(); };
    const jetimport::ImportReport report = jetimport::importRaceData(from, outDir, callbacks, acceptDamaged);
    line.end();
    for (const jetimport::FileReport& f : report.files) {
        if (f.tables.isEmpty() && f.damage.isEmpty())
            continue;
        out(QStringLiteral("%1 (%2) -> %3").arg(f.source, f.format, f.target));
        if (!f.damage.isEmpty())
            out(QStringLiteral("  ") + f.damage);
        for (const jetimport::TableReport& t : f.tables)
            printTable(t);
    }
    if (report.cancelled) {
        err(QStringLiteral("import-jet: cancelled; nothing was written to %1\n").arg(outDir));
        return 1;
    }
    if (report.partlyWritten) {
        err(QStringLiteral("import-jet: %1\n").arg(report.error));
        return 1;
    }
    if (!report.error.isEmpty()) {
        err(QStringLiteral("import-jet: %1; nothing was written to %2\n").arg(report.error, outDir));
        return 1;
    }
    return reportOutcome(report, outDir);
}

int runApp(const QString& appDir, const QString& file, bool replace)
{
    const jetimport::AppImportReport report = jetimport::importAppDatabase(appDir, file, replace);
    for (const QString& line : report.lines)
        out(line);
    if (!report.error.isEmpty()) {
        err(QStringLiteral("import-jet: %1\n").arg(report.error));
        return 1;
    }
    return report.unconverted > 0 ? 1 : 0;
}

} // namespace

int runImportJet(const CommandLine& cl)
{
    QString from, outDir, app;
    bool replace = false, acceptDamaged = false;
    const QStringList& a = cl.args;
    for (int i = 0; i < a.size(); ++i) {
        const QString& opt = a.at(i);
        if (opt == QLatin1String("--replace")) {
            replace = true;
            continue;
        }
        if (opt == QLatin1String("--accept-damaged")) {
            acceptDamaged = true;
            continue;
        }
        if (i + 1 >= a.size())
            return usage();
        const QString value = a.at(++i);
        if (opt == QLatin1String("--from"))
            from = value;
        else if (opt == QLatin1String("--out"))
            outDir = value;
        else if (opt == QLatin1String("--app"))
            app = value;
        else
            return usage();
    }
    if (!app.isEmpty() && from.isEmpty() && outDir.isEmpty() && !acceptDamaged)
        return runApp(cl.appDir, app, replace);
    if (app.isEmpty() && !from.isEmpty() && !outDir.isEmpty() && !replace)
        return runRaceData(from, outDir, acceptDamaged);
    return usage();
}

} // namespace tq::app
