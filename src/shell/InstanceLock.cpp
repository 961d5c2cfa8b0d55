#include "shell/InstanceLock.h"

#include "context/AppContext.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

namespace tq::shell {

InstanceLock::InstanceLock(const QString& name, const QString& directory)
{
    QString dir = directory;
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    m_fileName = QDir(dir).filePath(name + QStringLiteral(".lock"));
    m_lock = std::make_unique<QLockFile>(m_fileName);
    m_lock->setStaleLockTime(0); // only a dead owner makes the lock stale
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::tryLock()
{
    return m_lock->isLocked() || m_lock->tryLock(0);
}

QString alreadyRunningText()
{
    return QStringLiteral("「") + context::AppContext::applicationTitle() + QStringLiteral("」は、既に起動されています。");
}

} // namespace tq::shell
