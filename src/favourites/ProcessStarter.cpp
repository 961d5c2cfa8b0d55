#include "favourites/ProcessStarter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace tq::favourites {

bool SystemProcessStarter::start(const QString& program, const QStringList& arguments,
                                 const QString& workingDirectory, QString& error)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setWorkingDirectory(workingDirectory);
    if (process.startDetached())
        return true;
    error = process.errorString();
    return false;
}

QStringList SystemProcessStarter::runningExecutables()
{
    QStringList names;
    const QDir proc(QStringLiteral("/proc"));
    for (const QString& entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        // The executable's path; processes of other users hide it, so the
        // command name (cut at 15 characters) stands in.
        const QString exe = QFileInfo(proc.filePath(entry + QStringLiteral("/exe"))).symLinkTarget();
        if (!exe.isEmpty()) {
            names << QFileInfo(exe).fileName();
            continue;
        }
        QFile comm(proc.filePath(entry + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly))
            names << QString::fromLocal8Bit(comm.readAll()).trimmed();
    }
    return names;
}

} // namespace tq::favourites
