#include "context/BatchNotices.h"

namespace tq::context {

void BatchNotices::tell(Prompter& prompter, const Message& message)
{
    if (m_lastConcerned != m_item) {
        m_lastConcerned = m_item;
        ++m_concerned;
    }
    if (m_told)
        return;
    m_told = true;
    prompter.inform(message);
}

void tellDataNotice(BatchNotices* notices, Prompter& prompter, const Message& message)
{
    if (notices)
        notices->tell(prompter, message);
    else
        prompter.inform(message);
}

} // namespace tq::context
