#include "common/ErrorLog.h"

namespace tq::common {

ErrorLog::ErrorLog() : m_logFileName(QStringLiteral("TQ.log")), m_logMax(1000) {}

void ErrorLog::setLogFileName(const QString& fileName) { m_logFileName = fileName; }
void ErrorLog::setLogMax(int maxEntries) { m_logMax = maxEntries; }
void ErrorLog::setExeName(const QString& exeName) { m_exeName = exeName; }
void ErrorLog::setFormName(const QString& formName) { m_formName = formName; }

void ErrorLog::report(const ErrorInfo&, const QString&, int, bool) noexcept
{
    // Filled in by the common-helpers work.
}

} // namespace tq::common
