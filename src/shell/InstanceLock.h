#pragma once
// The single-instance test: a lock file in the user's runtime directory
// ($XDG_RUNTIME_DIR, else the temporary directory). The lock is held while
// the object lives; a lock left by a process that died is taken over.

#include <QString>

#include <memory>

class QLockFile;

namespace tq::shell {

class InstanceLock final {
public:
    // `directory` empty: the user's runtime directory.
    explicit InstanceLock(const QString& name, const QString& directory = {});
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when this process now holds the lock (no other instance runs).
    bool tryLock();
    QString fileName() const { return m_fileName; }

private:
    QString m_fileName;
    std::unique_ptr<QLockFile> m_lock;
};

// "「" + title + "」は、既に起動されています。"
QString alreadyRunningText();

} // namespace tq::shell
