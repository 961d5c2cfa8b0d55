#pragma once
// The error log: one instance per process, passed through the AppContext.
// Every procedure that handles errors reports here under its own name.
//
// Contract: usable before it is configured (entries go to the default file
// "TQ.log" in the current directory until setLogFileName is called); report()
// never throws and never blocks the program: no retries, no waits, and a log
// file that cannot be written (read-only place, missing directory, full disk)
// is skipped silently. The last entries are also kept in memory
// (recentEntries) for the user interface and for tests.
//
// File format: one line per entry, CP932, CRLF, fields separated by tabs:
//   yyyy/mm/dd hh:mm:ss  [エラー] or [情報]  executable  form  procedure  number  description
// Line breaks and tabs inside the description become blanks, so an entry is
// always one line; characters CP932 cannot hold are written as "?". The file
// keeps at most LogMax entries (LogMax <= 0 means no limit): when a report
// would exceed it, the oldest lines are dropped, a tenth of LogMax more than
// needed so that bursts of reports do not rewrite the file each time.
// Trimming rewrites the file atomically, so a failure never leaves half a log.
//
// Thread-safe: reports from several threads are serialised.

#include <QDateTime>
#include <QList>
#include <QString>

#include <deque>
#include <memory>
#include <mutex>

namespace tq::common {

// The error object a handler passes to report(): number, description, source.
struct ErrorInfo {
    int number = 0;
    QString description;
    QString source;
};

// One reported entry as kept in memory.
struct LogEntry {
    QDateTime time;
    bool information = false;
    QString exeName;
    QString formName;
    QString procedure;
    int number = 0;
    QString description; // as written: line breaks and tabs folded to blanks
    QString line;        // the file line without its line end
};

class ErrorLog final {
public:
    // How many entries recentEntries() keeps.
    static constexpr int kRecentEntries = 100;

    ErrorLog();

    void setLogFileName(const QString& fileName);
    void setLogMax(int maxEntries);
    void setExeName(const QString& exeName);
    void setFormName(const QString& formName);

    QString logFileName() const;
    int logMax() const;

    // Appends one entry. `information` is true for the two information entries
    // ("起動しました", "終了しました"), false for errors. `reserved` is always 0.
    void report(const ErrorInfo& error, const QString& procedure, int reserved = 0, bool information = false) noexcept;

    // The last entries reported (oldest first), whether or not the file could
    // be written.
    QList<LogEntry> recentEntries() const;
    // How many entries were reported since the log was made: a batch compares
    // it before and after a step to learn whether the step reported a fault.
    quint64 reportCount() const;

private:
    void appendToFile(const QByteArray& line);

    std::unique_ptr<std::mutex> m_mutex;
    QString m_logFileName;
    int m_logMax;
    QString m_exeName;
    QString m_formName;
    std::deque<LogEntry> m_recent;
    quint64 m_reports = 0;
    qsizetype m_lineCount = -1; // lines in the log file, -1 when unknown
};

} // namespace tq::common
