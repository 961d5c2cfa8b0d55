#include "common/ErrorLog.h"

#include "common/TextCodec.h"
#include "common/TextFile.h"

#include <QFile>

#include <algorithm>

namespace tq::common {

namespace {

// One log line's field: line breaks and tabs become blanks, and other control
// characters (a NUL from a damaged file) are written as \xNN, so the entry
// stays one line and nothing cuts it short.
QString folded(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('\t'))
            out += QLatin1Char(' ');
        else if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

qsizetype countLines(const QByteArray& bytes)
{
    qsizetype lines = bytes.count('\n');
    if (!bytes.isEmpty() && !bytes.endsWith('\n'))
        ++lines;
    return lines;
}

} // namespace

ErrorLog::ErrorLog()
    : m_mutex(std::make_unique<std::mutex>()), m_logFileName(QStringLiteral("TQ.log")), m_logMax(1000)
{
}

void ErrorLog::setLogFileName(const QString& fileName)
{
    const std::lock_guard lock(*m_mutex);
    m_logFileName = fileName;
    m_lineCount = -1;
}

void ErrorLog::setLogMax(int maxEntries)
{
    const std::lock_guard lock(*m_mutex);
    m_logMax = maxEntries;
}

void ErrorLog::setExeName(const QString& exeName)
{
    const std::lock_guard lock(*m_mutex);
    m_exeName = exeName;
}

void ErrorLog::setFormName(const QString& formName)
{
    const std::lock_guard lock(*m_mutex);
    m_formName = formName;
}

QString ErrorLog::logFileName() const
{
    const std::lock_guard lock(*m_mutex);
    return m_logFileName;
}

int ErrorLog::logMax() const
{
    const std::lock_guard lock(*m_mutex);
    return m_logMax;
}

QList<LogEntry> ErrorLog::recentEntries() const
{
    const std::lock_guard lock(*m_mutex);
    return QList<LogEntry>(m_recent.begin(), m_recent.end());
}

quint64 ErrorLog::reportCount() const
{
    const std::lock_guard lock(*m_mutex);
    return m_reports;
}

void ErrorLog::report(const ErrorInfo& error, const QString& procedure, int, bool information) noexcept
{
    try {
        const std::lock_guard lock(*m_mutex);
        ++m_reports;
        LogEntry entry;
        entry.time = QDateTime::currentDateTime();
        entry.information = information;
        entry.exeName = folded(m_exeName);
        entry.formName = folded(m_formName);
        entry.procedure = folded(procedure);
        entry.number = error.number;
        entry.description = folded(error.description);
        const QChar tab(QLatin1Char('\t'));
        entry.line = entry.time.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")) + tab
            + (information ? QStringLiteral("[情報]") : QStringLiteral("[エラー]")) + tab + entry.exeName + tab
            + entry.formName + tab + entry.procedure + tab + QString::number(entry.number) + tab + entry.description;

        m_recent.push_back(entry);
        while (m_recent.size() > static_cast<size_t>(kRecentEntries))
            m_recent.pop_front();

        Cp932Codec codec;
        appendToFile(codec.encodeLossy(entry.line) + "\r\n");
    } catch (...) {
        // A log that cannot be written must never disturb the program.
    }
}

void ErrorLog::appendToFile(const QByteArray& line)
{
    if (m_logFileName.isEmpty())
        return;
    QFile file(m_logFileName);
    if (!file.open(QIODevice::ReadWrite))
        return;

    if (m_logMax > 0) {
        // The line count is read from the file once and then kept up to date,
        // so a burst of reports does not reread the whole log each time.
        if (m_lineCount < 0)
            m_lineCount = countLines(file.readAll());
        if (m_lineCount + 1 > m_logMax) {
            // Over the limit: drop the oldest lines, a tenth of LogMax more
            // than needed, so that the rewrite happens once per many reports.
            if (!file.seek(0))
                return;
            const QByteArray existing = file.readAll();
            const qsizetype lines = countLines(existing);
            const qsizetype keepOld = std::max<qsizetype>(0, m_logMax - 1 - m_logMax / 10);
            qsizetype drop = std::max<qsizetype>(0, lines - keepOld);
            qsizetype from = 0;
            while (drop > 0 && from < existing.size()) {
                const qsizetype nl = existing.indexOf('\n', from);
                from = nl < 0 ? existing.size() : nl + 1;
                --drop;
            }
            QByteArray kept = existing.mid(from);
            if (!kept.isEmpty() && !kept.endsWith('\n'))
                kept += "\r\n";
            kept += line;
            file.close();
            m_lineCount = -1;
            writeFileAtomic(m_logFileName, kept);
            m_lineCount = std::min(lines, keepOld) + 1;
            return;
        }
    }

    const qint64 size = file.size();
    QByteArray out = line;
    if (size > 0) {
        char last = 0;
        if (file.seek(size - 1) && file.getChar(&last) && last != '\n')
            out.prepend("\r\n");
    }
    if (file.seek(size) && file.write(out) == out.size() && m_lineCount >= 0)
        ++m_lineCount;
    else
        m_lineCount = -1;
}

} // namespace tq::common
