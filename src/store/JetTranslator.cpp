#include "store/JetTranslator.h"

namespace tq::store {

QString translateJet(const QString& jetSql)
{
    return jetSql; // replaced by the real translator
}

} // namespace tq::store
