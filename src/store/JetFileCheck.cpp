#include "store/JetFileCheck.h"

#include <QFile>

namespace tq::store {

bool isJetFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(19);
    return head.size() == 19 && (head.mid(4) == "Standard Jet DB" || head.mid(4) == "Standard ACE DB");
}

} // namespace tq::store
