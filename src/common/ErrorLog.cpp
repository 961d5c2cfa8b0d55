#include "common/ErrorLog.h"

#include "common/TextCodec.h"
#include "common/TextFile.h"

#include <QFile>

namespace tq::common {

namespace {

QString folded(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    }
    return out;
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

void ErrorLog::report(const ErrorInfo& error, const QString& procedure, int, bool information) noexcept
{
    try {
        const std::lock_guard lock(*m_mutex);
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

void ErrorLog::appendToFile(const QByteArray& line) const
{
    if (m_logFileName.isEmpty())
        return;
    QFile file(m_logFileName);
    if (!file.open(QIODevice::ReadWrite))
        return;

    if (m_logMax > 0) {
        const QByteArray existing = file.readAll();
        qsizetype lines = existing.count('\n');
        if (!existing.isEmpty() && !existing.endsWith('\n'))
            ++lines;
        if (lines + 1 > m_logMax) {
            // Keep the newest LogMax - 1 lines and the new one; rewrite as one step.
            qsizetype drop = lines + 1 - m_logMax;
            qsizetype from = 0;
            while (drop > 0 && from < existing.size()) {
                const qsizetype nl = existing.indexOf('\n', from);
                from = nl < 0 ? existing.size() : nl + 1;
                --drop;
            }
            QByteArray kept = existing.mid(from);
            if (!kept.isEmpty() && !kept.endsWith('\n'))
                kept += "\r\n";
            file.close();
            kept += line;
            writeFileAtomic(m_logFileName, kept);
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
    if (file.seek(size))
        file.write(out);
}

} // namespace tq::common
