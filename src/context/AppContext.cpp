#include "context/AppContext.h"

#include "common/DatabaseLock.h"
#include "store/Database.h"

namespace tq::context {

AppContext::AppContext(Prompter& prompterService, Busy& busyService) : prompter(prompterService), busy(busyService) {}

AppContext::~AppContext() = default;

QString AppContext::applicationTitle()
{
    return QStringLiteral("DEVovuved");
}

QString AppContext::programVersion()
{
    return QStringLiteral("%1.%2.%3").arg(TQ_VERSION_MAJOR).arg(TQ_VERSION_MINOR).arg(TQ_VERSION_PATCH);
}

} // namespace tq::context
