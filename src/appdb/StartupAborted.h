#pragma once
// The fatal end of start-up or database preparation. The procedures that end
// the process on failure (Main, funDBChk, subDB_Init, subDB_Link, subDB_Set)
// have already shown their message and written their error-log entry when
// they throw this; the program's entry turns it into exit code 1. The core
// never ends the process itself, so tests can check these paths.

#include <QString>

#include <stdexcept>

namespace tq::appdb {

class StartupAborted : public std::runtime_error {
public:
    // `procedure`: the procedure that ended start-up; `reason`: what went wrong.
    StartupAborted(const QString& procedure, const QString& reason)
        : std::runtime_error(QString(procedure + QStringLiteral(": ") + reason).toStdString()), m_procedure(procedure)
    {
    }
    const QString& procedure() const { return m_procedure; }

private:
    QString m_procedure;
};

} // namespace tq::appdb
