#pragma once
// Starting the add-in programs, behind an interface so that tests can see what
// would be started and pretend which programs run.

#include <QString>
#include <QStringList>

namespace tq::favourites {

class ProcessStarter {
public:
    virtual ~ProcessStarter() = default;
    // Starts `program` with `arguments` in `workingDirectory` without waiting
    // for it. False with `error` set when it could not be started.
    virtual bool start(const QString& program, const QStringList& arguments, const QString& workingDirectory,
                       QString& error) = 0;
    // The executable file names (without directories) of the running
    // processes the user may see.
    virtual QStringList runningExecutables() = 0;
};

// The real one: QProcess::startDetached, and the processes listed in /proc.
class SystemProcessStarter final : public ProcessStarter {
public:
    bool start(const QString& program, const QStringList& arguments, const QString& workingDirectory,
               QString& error) override;
    QStringList runningExecutables() override;
};

} // namespace tq::favourites
